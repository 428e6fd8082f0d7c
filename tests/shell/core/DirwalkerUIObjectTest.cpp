#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "shell/core/Dirwalker.h"
#include "tests/shell/core/ShellCoreTestHelpers.h"
#include "tests/support/TempFolder.h"

namespace wf {
namespace {

using Microsoft::WRL::ComPtr;
using test::TempFolder;

// The paths of a data object's file-drop format.
std::vector<std::wstring> DroppedFiles(IDataObject* data) {
  FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  std::vector<std::wstring> files;
  if (FAILED(data->GetData(&format, &medium))) return files;
  auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    wchar_t path[MAX_PATH] = {};
    DragQueryFileW(drop, i, path, MAX_PATH);
    files.push_back(path);
  }
  GlobalUnlock(medium.hGlobal);
  ReleaseStgMedium(&medium);
  return files;
}

class DirwalkerUIObject : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_.MakeFile(L"a.txt");
    temp_.MakeFile(L"b.txt");
    temp_.MakeFile(TempFolder::NonAnsiName());
    test::Quiet(walker_);
    walker_.SetFolder(temp_.Path());
  }

  TempFolder temp_;
  TDirwalker walker_;
};

TEST_F(DirwalkerUIObject, CurrentObjectsDataObject) {
  walker_.SetObjectName(L"a.txt");
  ComPtr<IDataObject> data = walker_.GetUIObject<IDataObject>();
  ASSERT_TRUE(data);
  const auto files = DroppedFiles(data.Get());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(SameText(files[0], temp_ / L"a.txt"));
  EXPECT_EQ(walker_.ObjectName(), L"a.txt");
}

TEST_F(DirwalkerUIObject, NamedObjectsAreCoveredAndTheListEmptied) {
  walker_.SetObjectName(L"b.txt");
  walker_.MultiObjects().Add(L"a.txt");
  walker_.MultiObjects().Add(TempFolder::NonAnsiName());
  ComPtr<IDataObject> data = walker_.GetUIObject<IDataObject>();
  ASSERT_TRUE(data);
  EXPECT_TRUE(walker_.MultiObjects().Empty());
  const auto files = DroppedFiles(data.Get());
  ASSERT_EQ(files.size(), 2u);
  EXPECT_TRUE(SameText(files[0], temp_ / L"a.txt"));
  EXPECT_EQ(files[1], temp_ / TempFolder::NonAnsiName());
  EXPECT_EQ(walker_.ObjectName(), L"b.txt") << "the current object is put back";
}

TEST_F(DirwalkerUIObject, FullPathsLeaveTheObjectWhereItWas) {
  walker_.SetObjectName(L"b.txt");
  walker_.MultiObjects().Add(temp_ / L"a.txt");
  ComPtr<IDataObject> data = walker_.GetUIObject<IDataObject>();
  ASSERT_TRUE(data);
  const auto files = DroppedFiles(data.Get());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(SameText(files[0], temp_ / L"a.txt")) << files[0];
  EXPECT_TRUE(SameText(walker_.Folder(), temp_.Path()));
  EXPECT_EQ(walker_.ObjectName(), L"b.txt");
}

TEST_F(DirwalkerUIObject, FailureLeavesNoObjectSetsLastErrorAndEmptiesTheList) {
  walker_.SetObjectName(L"a.txt");
  walker_.MultiObjects().Add(L"a.txt");
  SetLastError(0);
  ComPtr<IShellFolder> wrong;  // no folder hands this out for a file
  HRESULT hr =
      walker_.GetUIObject(IID_IShellFolder, reinterpret_cast<void**>(wrong.GetAddressOf()));
  EXPECT_TRUE(FAILED(hr));
  EXPECT_FALSE(wrong);
  EXPECT_EQ(static_cast<HRESULT>(GetLastError()), hr);
  EXPECT_TRUE(walker_.MultiObjects().Empty());
}

TEST_F(DirwalkerUIObject, UnknownNameRaisesAndStillEmptiesTheList) {
  walker_.MultiObjects().Add(L"a.txt");
  walker_.MultiObjects().Add(L"missing.txt");
  void* object = nullptr;
  EXPECT_THROW(walker_.GetUIObject(IID_IDataObject, &object), EDirwalkerError);
  EXPECT_EQ(object, nullptr);
  EXPECT_TRUE(walker_.MultiObjects().Empty());
  EXPECT_TRUE(SameText(walker_.Folder(), temp_.Path()));
}

TEST_F(DirwalkerUIObject, NoCurrentObjectGivesNothing) {
  ComPtr<IContextMenu> menu = walker_.GetUIObject<IContextMenu>();
  EXPECT_FALSE(menu);
}

TEST_F(DirwalkerUIObject, ContextMenuOfTheCurrentObject) {
  walker_.SetObjectName(L"a.txt");
  ComPtr<IContextMenu> menu = walker_.GetUIObject<IContextMenu>();
  EXPECT_TRUE(menu);
}

// Two folders that hold files of the same names, so that a request sent to
// the wrong folder names files that exist and shows in the data object.
class DirwalkerUIObjectAcrossFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_.MakeFolder(L"a");
    temp_.MakeFolder(L"b");
    for (const wchar_t* name : {L"a\\x.txt", L"a\\y.txt", L"a\\z.txt", L"b\\x.txt", L"b\\y.txt"})
      temp_.MakeFile(name);
    test::Quiet(walker_);
  }

  // Binds the walker to `folder` (below the temporary folder) with `object` current.
  void Place(const wchar_t* folder, const wchar_t* object) {
    walker_.SetFolder(temp_ / folder);
    walker_.SetObjectName(object);
  }

  // The files of the data object for `names`; nothing when it is refused.
  std::optional<std::vector<std::wstring>> DataFilesOf(std::initializer_list<std::wstring> names) {
    for (const std::wstring& name : names) walker_.MultiObjects().Add(name);
    SetLastError(0);
    ComPtr<IDataObject> data;
    const HRESULT hr =
        walker_.GetUIObject(IID_IDataObject, reinterpret_cast<void**>(data.GetAddressOf()));
    EXPECT_TRUE(walker_.MultiObjects().Empty());
    if (FAILED(hr)) {
      EXPECT_FALSE(data);
      EXPECT_EQ(static_cast<HRESULT>(GetLastError()), hr) << "the caller sees why";
      return std::nullopt;
    }
    EXPECT_TRUE(data);
    if (!data) return std::nullopt;
    return DroppedFiles(data.Get());
  }

  // The binding and the current object are as Place left them.
  void ExpectPlacedAt(const wchar_t* folder, const wchar_t* object) {
    EXPECT_TRUE(SameText(walker_.Folder(), IncludeTrailingBackslash(temp_ / folder))) << walker_.Folder();
    EXPECT_EQ(walker_.ObjectName(), object);
  }

  std::vector<std::wstring> Paths(std::initializer_list<const wchar_t*> relatives) {
    std::vector<std::wstring> paths;
    for (const wchar_t* relative : relatives) paths.push_back(temp_ / relative);
    return paths;
  }

  static bool SamePaths(const std::vector<std::wstring>& a, const std::vector<std::wstring>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](const auto& x, const auto& y) {
             return SameText(x, y);
           });
  }

  TempFolder temp_;
  TDirwalker walker_;
};

TEST_F(DirwalkerUIObjectAcrossFolders, FullPathsFromTwoFoldersAreRefused) {
  Place(L"b", L"y.txt");
  const auto files = DataFilesOf({temp_ / L"a\\x.txt", temp_ / L"b\\y.txt"});
  EXPECT_FALSE(files) << "named " << (files ? ToUtf8((*files)[0]) : "");
  ExpectPlacedAt(L"b", L"y.txt");
}

TEST_F(DirwalkerUIObjectAcrossFolders, FullPathsFromAnotherFolderNameExactlyTheirFiles) {
  Place(L"b", L"x.txt");
  const auto files = DataFilesOf({temp_ / L"a\\y.txt", temp_ / L"a\\z.txt"});
  ASSERT_TRUE(files);
  EXPECT_TRUE(SamePaths(*files, Paths({L"a\\y.txt", L"a\\z.txt"})));
  ExpectPlacedAt(L"b", L"x.txt");
}

TEST_F(DirwalkerUIObjectAcrossFolders, OneFolderSpelledTwoWaysIsOneFolder) {
  Place(L"b", L"x.txt");
  const auto files = DataFilesOf({temp_ / L"A\\y.txt", temp_ / L"a\\Z.TXT"});
  ASSERT_TRUE(files);
  EXPECT_TRUE(SamePaths(*files, Paths({L"a\\y.txt", L"a\\z.txt"})));
}

TEST_F(DirwalkerUIObjectAcrossFolders, NamesBelongToTheBoundFolderWhateverFullPathsCameFirst) {
  Place(L"a", L"z.txt");
  EXPECT_FALSE(DataFilesOf({temp_ / L"b\\y.txt", L"x.txt"})) << "x.txt is a\\x.txt, not b\\x.txt";
  ExpectPlacedAt(L"a", L"z.txt");

  EXPECT_FALSE(DataFilesOf({L"x.txt", temp_ / L"b\\y.txt"}));
  ExpectPlacedAt(L"a", L"z.txt");

  const auto same_folder = DataFilesOf({temp_ / L"a\\y.txt", L"x.txt"});
  ASSERT_TRUE(same_folder);
  EXPECT_TRUE(SamePaths(*same_folder, Paths({L"a\\y.txt", L"a\\x.txt"})));
  ExpectPlacedAt(L"a", L"z.txt");
}

TEST_F(DirwalkerUIObjectAcrossFolders, NamesWithASubfolderNameTheFileNotTheSubfolder) {
  walker_.SetFolder(temp_.Path());
  const auto files = DataFilesOf({L"a\\x.txt", L"a\\y.txt"});
  ASSERT_TRUE(files);
  EXPECT_TRUE(SamePaths(*files, Paths({L"a\\x.txt", L"a\\y.txt"})));

  EXPECT_FALSE(DataFilesOf({L"a\\x.txt", L"b\\y.txt"}));
  EXPECT_TRUE(SameText(walker_.Folder(), temp_.Path()));
}

TEST_F(DirwalkerUIObjectAcrossFolders, DriveRootsBelongToMyComputer) {
  Place(L"a", L"x.txt");
  const auto root = DataFilesOf({L"C:\\"});
  ASSERT_TRUE(root);
  EXPECT_TRUE(SamePaths(*root, {L"C:\\"}));
  EXPECT_FALSE(DataFilesOf({L"C:\\", temp_ / L"a\\y.txt"}));
  ExpectPlacedAt(L"a", L"x.txt");
}

TEST_F(DirwalkerUIObjectAcrossFolders, MissingObjectsRaiseAndLeaveThePlaceAsItWas) {
  Place(L"a", L"z.txt");
  for (const std::wstring& missing : {temp_ / L"b\\z.txt", temp_ / L"c\\x.txt", std::wstring(L"b\\z.txt")}) {
    walker_.MultiObjects().Add(temp_ / L"a\\x.txt");
    walker_.MultiObjects().Add(missing);
    void* object = nullptr;
    EXPECT_THROW(walker_.GetUIObject(IID_IDataObject, &object), EDirwalkerError) << ToUtf8(missing);
    EXPECT_EQ(object, nullptr);
    EXPECT_TRUE(walker_.MultiObjects().Empty());
    ExpectPlacedAt(L"a", L"z.txt");
  }
}

}  // namespace
}  // namespace wf
