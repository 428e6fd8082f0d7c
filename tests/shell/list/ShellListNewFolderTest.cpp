// Creating a folder in the shown folder, and opening its name for editing.
#include <windows.h>

#include <string>
#include <vector>

#include "shell/core/ShellUtils.h"
#include "tests/shell/list/ShellListTestSupport.h"

namespace wf::test {
namespace {

class ShellListNewFolder : public ShellListTest {
 protected:
  ~ShellListNewFolder() override {
    if (list_ && list_->IsEditing()) SendMessageW(list_->Handle(), LVM_CANCELEDITLABEL, 0, 0);
  }

  TKivShellList& Shown(const std::wstring& path) {
    list_ = &ListOn(path);
    ShowAndDraw();
    return *list_;
  }

  // The path of the one selected row, when its name is being edited.
  std::wstring EditedPath() {
    if (list_->SelCount() != 1 || !list_->IsEditing()) return {};
    return list_->ItemPath(list_->Selected());
  }

  TKivShellList* list_ = nullptr;
};

// Beside a shortcut that shows the same caption: the merge puts the new row
// after it.
TEST_F(ShellListNewFolder, NewOrExistingFolderIsSelectedAndItsNameEdited) {
  folder_.MakeFile(L"a.txt");
  folder_.MakeLink(L"New Folder", folder_ / L"a.txt");
  folder_.MakeFolder(L"old");
  TKivShellList& list = Shown(folder_.Path());
  list.Items()[0]->SetSelected(true);

  EXPECT_TRUE(list.CreateNewFolder(L"", true));
  EXPECT_TRUE(PathExists(folder_ / L"New Folder"));
  EXPECT_EQ(EditedPath(), folder_ / L"New Folder");
  SendMessageW(list.Handle(), LVM_CANCELEDITLABEL, 0, 0);

  const int rows = list.Items().Count();
  EXPECT_FALSE(list.CreateNewFolder(L"old", true));
  EXPECT_EQ(list.Items().Count(), rows);
  EXPECT_EQ(EditedPath(), folder_ / L"old");
}

TEST_F(ShellListNewFolder, WithoutEditingOnlyTheFolderIsMade) {
  folder_.MakeFile(L"a.txt");
  TKivShellList& list = Shown(folder_.Path());
  const std::vector<std::wstring> before = Captions(list);

  EXPECT_TRUE(list.CreateNewFolder(L"made", false));
  EXPECT_TRUE(PathExists(folder_ / L"made"));
  EXPECT_EQ(Captions(list), before);
  EXPECT_FALSE(list.IsEditing());
}

// Names that are paths would make folders elsewhere, and My Computer has no
// path: the name alone would be made in the process's current directory.
TEST_F(ShellListNewFolder, NothingIsMadeOutsideTheShownFolder) {
  folder_.MakeFolder(L"shown");
  folder_.MakeFolder(L"shown\\a");
  TKivShellList& list = Shown(folder_ / L"shown");
  for (const wchar_t* name : {L"a\\b", L"/x", L"..\\escaped", L"..", L"."})
    EXPECT_FALSE(list.CreateNewFolder(name, true)) << ToUtf8(name);
  EXPECT_FALSE(PathExists(folder_ / L"shown\\a\\b"));
  EXPECT_FALSE(PathExists(folder_ / L"shown\\x"));
  EXPECT_FALSE(PathExists(folder_ / L"escaped"));

  list.SetSpecialFolder(SF_DRIVES);
  ASSERT_EQ(list.Path(), L"");
  wchar_t current[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  const std::wstring name = L"wf-new-folder-" + std::to_wstring(GetCurrentProcessId());
  const std::wstring stray = IncludeTrailingBackslash(current) + name;
  EXPECT_FALSE(list.CreateNewFolder(name, false));
  EXPECT_FALSE(PathExists(stray));
  RemoveDirectoryW(stray.c_str());
}

}  // namespace
}  // namespace wf::test
