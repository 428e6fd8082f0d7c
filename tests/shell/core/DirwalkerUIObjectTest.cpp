#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

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

}  // namespace
}  // namespace wf
