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

  TKivShellList& Shown() {
    folder_.MakeFile(L"a.txt");
    list_ = &ListOn(folder_.Path());
    ShowAndDraw();
    return *list_;
  }

  static bool IsDirectory(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  // The only selected row is the folder `name`, and its name is being edited.
  void ExpectEditing(TKivShellList& list, const std::wstring& name) {
    ASSERT_EQ(list.SelCount(), 1);
    EXPECT_EQ(list.ItemPath(list.Selected()), folder_ / name);
    EXPECT_TRUE(list.IsEditing());
    EXPECT_NE(SendMessageW(list.Handle(), LVM_GETEDITCONTROL, 0, 0), 0);
  }

  TKivShellList* list_ = nullptr;
};

TEST_F(ShellListNewFolder, EmptyNameCreatesNewFolderShownSelectedAndEditing) {
  TKivShellList& list = Shown();
  list.Items()[0]->SetSelected(true);

  EXPECT_TRUE(list.CreateNewFolder(L"", true));
  EXPECT_TRUE(IsDirectory(folder_ / L"New Folder"));
  EXPECT_TRUE(HasCaption(list, L"New Folder"));
  ExpectEditing(list, L"New Folder");
}

TEST_F(ShellListNewFolder, ExistingFolderAnswersFalseAndIsEditedInstead) {
  folder_.MakeFolder(L"New Folder");
  TKivShellList& list = Shown();
  const std::vector<std::wstring> before = Captions(list);

  EXPECT_FALSE(list.CreateNewFolder(L"New Folder", true));
  EXPECT_EQ(Captions(list), before);
  ExpectEditing(list, L"New Folder");
}

TEST_F(ShellListNewFolder, WithoutEditingCreatesTheFolderAndLeavesTheRows) {
  TKivShellList& list = Shown();
  const std::vector<std::wstring> before = Captions(list);

  EXPECT_TRUE(list.CreateNewFolder(L"made", false));
  EXPECT_TRUE(IsDirectory(folder_ / L"made"));
  EXPECT_EQ(Captions(list), before);
  EXPECT_FALSE(list.IsEditing());
}

TEST_F(ShellListNewFolder, NamesOutsideTheShownFolderCreateNothing) {
  folder_.MakeFolder(L"shown");
  folder_.MakeFolder(L"shown\\a");
  list_ = &ListOn(folder_ / L"shown");
  ShowAndDraw();
  const std::vector<std::wstring> before = Captions(*list_);

  for (const wchar_t* name : {L"a\\b", L"..", L"/x", L"..\\escaped", L"."})
    EXPECT_FALSE(list_->CreateNewFolder(name, true))
        << "name " << std::string(name, name + wcslen(name));
  EXPECT_FALSE(PathExists(folder_ / L"shown\\a\\b"));
  EXPECT_FALSE(PathExists(folder_ / L"shown\\x"));
  EXPECT_FALSE(PathExists(folder_ / L"escaped"));
  EXPECT_EQ(Captions(*list_), before);
}

// My Computer has no path of its own: the name alone would be made wherever
// the process's current directory is.
TEST_F(ShellListNewFolder, FolderWithoutPathCreatesNothing) {
  TKivShellList& list = MakeList();
  list.SetSpecialFolder(SF_DRIVES);
  ASSERT_EQ(list.Path(), L"");
  wchar_t current[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  const std::wstring name = L"wf-new-folder-" + std::to_wstring(GetCurrentProcessId());
  const std::wstring stray = IncludeTrailingBackslash(current) + name;

  const bool created = list.CreateNewFolder(name, false);
  const bool strayed = PathExists(stray);
  if (strayed) RemoveDirectoryW(stray.c_str());
  EXPECT_FALSE(created);
  EXPECT_FALSE(strayed);
}

}  // namespace
}  // namespace wf::test
