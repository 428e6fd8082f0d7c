#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <initializer_list>
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

// The shell list hands its rows' ids with their names, one for each: no
// name is parsed. Here the names would name nothing, or a namesake, so only
// the ids can have answered.
TEST_F(DirwalkerUIObject, GivenIdsAnswerForTheirNamesInTheirFolderForOneRequest) {
  walker_.SetObjectName(L"a.txt");
  ChildIdList a = walker_.ObjectIdCopy();
  walker_.SetObjectName(L"b.txt");
  ChildIdList b = walker_.ObjectIdCopy();
  auto hand = [&](PCIDLIST_ABSOLUTE folder, std::initializer_list<const wchar_t*> names) {
    std::vector<ChildIdList> ids;
    ids.push_back(CloneIdList(a.get()));
    ids.push_back(CloneIdList(b.get()));
    walker_.SetObjectIds(folder, std::move(ids));
    for (const wchar_t* name : names) walker_.MultiObjects().Add(name);
  };

  hand(walker_.FolderIdList(), {L"row of a", L"a.txt"});
  ComPtr<IDataObject> data = walker_.GetUIObject<IDataObject>();
  ASSERT_TRUE(data);
  const auto files = DroppedFiles(data.Get());
  ASSERT_EQ(files.size(), 2u);
  EXPECT_TRUE(SameText(files[0], temp_ / L"a.txt"));
  EXPECT_TRUE(SameText(files[1], temp_ / L"b.txt"));

  walker_.MultiObjects().Add(L"row of a");  // forgotten by the request
  EXPECT_THROW(walker_.GetUIObject<IDataObject>(), EDirwalkerError);

  // The ids go to their own folder, wherever the walker is bound.
  TempFolder other;
  walker_.SetFolder(other.Path());
  hand(PathToIdList(temp_.Path()).get(), {L"row of a", L"row of b"});
  data = walker_.GetUIObject<IDataObject>();
  ASSERT_TRUE(data);
  EXPECT_EQ(DroppedFiles(data.Get()).size(), 2u);
  EXPECT_TRUE(SameText(walker_.Folder(), other.Path()));

  // Not one for every name: the names are parsed.
  hand(PathToIdList(temp_.Path()).get(), {L"row of a"});
  EXPECT_THROW(walker_.GetUIObject<IDataObject>(), EDirwalkerError);
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

// GetUIObject across folders: a and b hold files of the same names, so a
// request sent to the wrong folder names files that exist.
class DirwalkerUIObjectAcrossFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const wchar_t* folder : {L"a", L"b"}) temp_.MakeFolder(folder);
    for (const wchar_t* name : {L"a\\x.txt", L"a\\y.txt", L"a\\z.txt", L"b\\x.txt", L"b\\y.txt"})
      temp_.MakeFile(name);
    test::Quiet(walker_);
    walker_.SetFolder(temp_ / L"a");
    walker_.SetObjectName(L"z.txt");
  }

  // The files of the data object for `names`, in capitals and relative to
  // the temporary folder, or "refused"; the place is left as SetUp made it.
  std::wstring FilesOf(std::initializer_list<std::wstring> names) {
    for (const std::wstring& name : names) walker_.MultiObjects().Add(name);
    SetLastError(0);
    ComPtr<IDataObject> data;
    const HRESULT hr =
        walker_.GetUIObject(IID_IDataObject, reinterpret_cast<void**>(data.GetAddressOf()));
    EXPECT_TRUE(walker_.MultiObjects().Empty());
    ExpectPlaceKept();
    if (FAILED(hr)) {
      EXPECT_FALSE(data);
      EXPECT_EQ(static_cast<HRESULT>(GetLastError()), hr);
      return L"refused";
    }
    std::wstring files;
    const size_t prefix = temp_.Path().size();
    for (std::wstring file : DroppedFiles(data.Get())) {
      if (SameText(file.substr(0, prefix), temp_.Path())) file.erase(0, prefix);
      files += (files.empty() ? L"" : L" ") + AsciiUpperCase(file);
    }
    return files;
  }

  void ExpectPlaceKept() {
    EXPECT_TRUE(SameText(walker_.Folder(), temp_ / L"a\\")) << ToUtf8(walker_.Folder());
    EXPECT_EQ(walker_.ObjectName(), L"z.txt");
  }

  TempFolder temp_;
  TDirwalker walker_;
};

TEST_F(DirwalkerUIObjectAcrossFolders, FullPathsGoToTheirOwnFolderAndOnlyOne) {
  EXPECT_EQ(FilesOf({temp_ / L"b\\x.txt", temp_ / L"B\\Y.TXT"}), L"B\\X.TXT B\\Y.TXT");
  EXPECT_EQ(FilesOf({temp_ / L"a\\x.txt", temp_ / L"b\\y.txt"}), L"refused");
}

TEST_F(DirwalkerUIObjectAcrossFolders, NamesBelongToTheBoundFolderWhateverFullPathsCameFirst) {
  EXPECT_EQ(FilesOf({temp_ / L"b\\y.txt", L"x.txt"}), L"refused");
  EXPECT_EQ(FilesOf({L"x.txt", temp_ / L"b\\y.txt"}), L"refused");
  EXPECT_EQ(FilesOf({temp_ / L"a\\y.txt", L"x.txt"}), L"A\\Y.TXT A\\X.TXT");
}

TEST_F(DirwalkerUIObjectAcrossFolders, NamesWithASubfolderNameTheFileNotTheSubfolder) {
  walker_.SetFolder(temp_.Path());
  walker_.MultiObjects().Add(L"b\\x.txt");
  walker_.MultiObjects().Add(L"b\\y.txt");
  ComPtr<IDataObject> data = walker_.GetUIObject<IDataObject>();
  ASSERT_TRUE(data);
  EXPECT_EQ(DroppedFiles(data.Get()),
            (std::vector<std::wstring>{temp_ / L"b\\x.txt", temp_ / L"b\\y.txt"}));
  walker_.MultiObjects().Add(L"a\\x.txt");
  walker_.MultiObjects().Add(L"b\\y.txt");
  EXPECT_FALSE(walker_.GetUIObject<IDataObject>());
}

TEST_F(DirwalkerUIObjectAcrossFolders, DriveRootsBelongToMyComputer) {
  EXPECT_EQ(FilesOf({L"C:"}), L"C:\\");
  EXPECT_EQ(FilesOf({L"C:\\", temp_ / L"a\\y.txt"}), L"refused");
}

TEST_F(DirwalkerUIObjectAcrossFolders, MissingObjectsRaiseAndKeepThePlace) {
  for (const std::wstring& missing :
       {temp_ / L"b\\z.txt", temp_ / L"c\\x.txt", std::wstring(L"c\\x.txt")}) {
    walker_.MultiObjects().Add(temp_ / L"a\\x.txt");
    walker_.MultiObjects().Add(missing);
    void* object = nullptr;
    EXPECT_THROW(walker_.GetUIObject(IID_IDataObject, &object), EDirwalkerError) << ToUtf8(missing);
    EXPECT_EQ(object, nullptr);
    EXPECT_TRUE(walker_.MultiObjects().Empty());
    ExpectPlaceKept();
  }
}

}  // namespace
}  // namespace wf
