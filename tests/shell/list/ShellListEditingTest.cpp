// Renaming a row's object in place, driven through the control's editor.
#include <windows.h>
#include <tlhelp32.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Handles.h"
#include "framework/Strings.h"
#include "shell/core/ShellOperations.h"
#include "tests/framework/FrameworkTestHelpers.h"
#include "tests/shell/core/ShellCoreTestHelpers.h"
#include "tests/shell/list/ShellListTestSupport.h"

namespace wf::test {
namespace {

constexpr int kTypeColumn = 2;

bool ProcessRuns(const std::wstring& image) {
  UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{sizeof(entry)};
  for (BOOL more = snapshot && Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry))
    if (SameText(entry.szExeFile, image)) return true;
  return false;
}

struct Report {
  uint16_t operations;
  std::vector<std::wstring> files;
  std::wstring destination;
};

class ShellListEditing : public ShellListTest {
 protected:
  ~ShellListEditing() override {
    if (shell_list_) shell_list_->OnOperation = nullptr;
    if (Application) Application->OnException = saved_error_display_;
  }

  TKivShellList& ListOf(std::initializer_list<std::wstring> names) {
    for (const std::wstring& name : names) folder_.MakeFile(name);
    shell_list_ = &MakeList();
    shell_list_->SetPath(folder_.Path());
    shell_list_->OnOperation = [this](TObject*, TKivShellOperations operations,
                                      const TStringList& files, const std::wstring& destination) {
      reports_.push_back({operations.Bits(), files.Items(), destination});
    };
    ShowAndDraw();
    return *shell_list_;
  }

  // Selects only the row of `name` and opens its editor as F2 does; the editor's
  // window, or null when none opened.
  HWND EditRowOf(const std::wstring& name) {
    const int index = IndexOfCaption(*shell_list_, ShellDisplayName(folder_.Path(), name));
    if (index < 0) return nullptr;
    shell_list_->ClearSelection();
    shell_list_->Items()[index]->SetSelected(true);
    if (!shell_list_->EditSelected()) return nullptr;
    return reinterpret_cast<HWND>(SendMessageW(shell_list_->Handle(), LVM_GETEDITCONTROL, 0, 0));
  }

  // Types `text` over the editor's selected name and ends with `key`.
  static void TypeAndEnd(HWND editor, const std::wstring& text, WPARAM key) {
    for (wchar_t c : text) SendMessageW(editor, WM_CHAR, c, 0);
    SendMessageW(editor, WM_KEYDOWN, key, 0);
    if (key == VK_ESCAPE) SendMessageW(editor, WM_CHAR, VK_ESCAPE, 0);
  }

  // Errors reaching the standard display are collected instead of failing.
  void CollectErrors() {
    saved_error_display_ = Application->OnException;
    Application->OnException = [this](TObject*, const std::exception& e) {
      errors_.push_back(e.what());
    };
  }

  TKivShellList* shell_list_ = nullptr;
  std::vector<Report> reports_;
  std::vector<std::string> errors_;
  TExceptionEvent saved_error_display_;
};

TEST_F(ShellListEditing, EnterRenamesTheFileAndReportsBothPaths) {
  TKivShellList& list = ListOf({L"a.txt", L"other.txt"});
  list.SetViewStyle(TViewStyle::vsReport);
  int text_changes = 0;
  list.OnChange = [&](TObject*, TListItem*, TItemChange change) {
    text_changes += change == TItemChange::ctText;
  };
  HWND editor = EditRowOf(L"a.txt");
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(list.IsEditing());
  TypeAndEnd(editor, L"b.bin", VK_RETURN);

  EXPECT_FALSE(list.IsEditing());
  EXPECT_TRUE(FileExists(folder_ / L"b.bin"));
  EXPECT_FALSE(FileExists(folder_ / L"a.txt"));
  const int row = IndexOfCaption(list, ShellDisplayName(folder_.Path(), L"b.bin"));
  ASSERT_GE(row, 0);
  // The row now names the renamed object, not the one that is gone.
  EXPECT_EQ(list.ItemPath(list.Items()[row]), folder_ / L"b.bin");
  EXPECT_GE(text_changes, 1);
  // The type follows the new extension.
  UpdateWindow(list.Handle());
  EXPECT_EQ(ControlSubItemText(list, row, kTypeColumn), L"bin file");
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].operations, 0x200);
  EXPECT_EQ(reports_[0].files, std::vector<std::wstring>{folder_ / L"a.txt"});
  EXPECT_EQ(reports_[0].destination, folder_ / L"b.bin");
}

// The editor is opened on a row, not on a place: rows before it leave and
// sorts move it while the user types, and the watch's merge runs meanwhile.
TEST_F(ShellListEditing, AnOpenEditRenamesItsOwnRowWhateverTheFolderDoes) {
  TKivShellList& list = ListOf({L"a.txt", L"b.txt", L"c.txt"});
  list.SetViewStyle(TViewStyle::vsReport);
  const std::wstring a_shown = ShellDisplayName(folder_.Path(), L"a.txt");
  // What the user sees: the editor stays over the caption it renames.
  const auto over_its_row = [&](HWND editor) {
    const RECT label = list.EditingRow()->DisplayRect(TDisplayCode::drLabel);
    RECT box{};
    GetWindowRect(editor, &box);
    MapWindowPoints(nullptr, list.Handle(), reinterpret_cast<POINT*>(&box), 2);
    const int middle = (box.top + box.bottom) / 2;
    return middle >= label.top && middle < label.bottom;
  };

  HWND editor = EditRowOf(L"b.txt");
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(DeleteFileW((folder_ / L"a.txt").c_str()));
  ASSERT_TRUE(PumpUntil([&] { return !HasCaption(list, a_shown); }));
  ASSERT_TRUE(list.IsEditing());
  EXPECT_TRUE(over_its_row(editor));
  TypeAndEnd(editor, L"x.txt", VK_RETURN);
  EXPECT_TRUE(FileExists(folder_ / L"x.txt"));
  EXPECT_FALSE(FileExists(folder_ / L"b.txt"));
  EXPECT_TRUE(FileExists(folder_ / L"c.txt"));

  // Sorted the other way round, the edited row changes places.
  editor = EditRowOf(L"c.txt");
  ASSERT_NE(editor, nullptr);
  const int before = list.EditingRow()->Index();
  list.SortByColumn(0);
  if (list.EditingRow()->Index() == before) list.SortByColumn(0);
  ASSERT_NE(list.EditingRow()->Index(), before);
  EXPECT_TRUE(over_its_row(editor));
  TypeAndEnd(editor, L"y.txt", VK_RETURN);
  EXPECT_TRUE(FileExists(folder_ / L"y.txt"));
  EXPECT_FALSE(FileExists(folder_ / L"c.txt"));
  EXPECT_TRUE(FileExists(folder_ / L"x.txt"));

  // The edited row's own object gone, the edit ends and renames nothing.
  reports_.clear();
  editor = EditRowOf(L"y.txt");
  ASSERT_NE(editor, nullptr);
  for (wchar_t c : std::wstring(L"z.txt")) SendMessageW(editor, WM_CHAR, c, 0);
  const std::wstring y_shown = ShellDisplayName(folder_.Path(), L"y.txt");
  ASSERT_TRUE(DeleteFileW((folder_ / L"y.txt").c_str()));
  ASSERT_TRUE(PumpUntil([&] { return !HasCaption(list, y_shown); }));
  EXPECT_FALSE(list.IsEditing());
  EXPECT_FALSE(IsWindow(editor));
  EXPECT_FALSE(FileExists(folder_ / L"z.txt"));
  EXPECT_TRUE(FileExists(folder_ / L"x.txt"));
  EXPECT_TRUE(reports_.empty());
}

TEST_F(ShellListEditing, EscapeRenamesNothing) {
  TKivShellList& list = ListOf({L"a.txt"});
  HWND editor = EditRowOf(L"a.txt");
  ASSERT_NE(editor, nullptr);
  // Wine's control reports the typed text even for a cancelled edit.
  TypeAndEnd(editor, L"b.bin", VK_ESCAPE);

  EXPECT_FALSE(list.IsEditing());
  EXPECT_TRUE(FileExists(folder_ / L"a.txt"));
  EXPECT_FALSE(FileExists(folder_ / L"b.bin"));
  EXPECT_TRUE(HasCaption(list, ShellDisplayName(folder_.Path(), L"a.txt")));
  EXPECT_TRUE(reports_.empty());
}

TEST_F(ShellListEditing, RefusedRenameKeepsTheRowAndTellsTheUser) {
  TKivShellList& list = ListOf({L"a.txt", L"taken.txt"});
  list.SetViewStyle(TViewStyle::vsReport);
  CollectErrors();
  const int before = IndexOfCaption(list, ShellDisplayName(folder_.Path(), L"a.txt"));
  HWND editor = EditRowOf(L"a.txt");
  ASSERT_NE(editor, nullptr);
  TypeAndEnd(editor, L"taken.txt", VK_RETURN);

  EXPECT_TRUE(FileExists(folder_ / L"a.txt"));
  EXPECT_TRUE(reports_.empty());
  ASSERT_GE(before, 0);
  TListItem* row = list.Items()[before];
  EXPECT_EQ(row->Caption(), ShellDisplayName(folder_.Path(), L"a.txt"));
  EXPECT_EQ(list.ItemPath(row), folder_ / L"a.txt");
  EXPECT_EQ(errors_.size(), 1u);
}

TEST_F(ShellListEditing, ShortcutKeepsItsExtension) {
  folder_.MakeFile(L"target.txt");
  folder_.MakeLink(L"link", folder_ / L"target.txt");
  // A rename fails while another process reads the shortcut. Wine starts
  // its menu builder for every shortcut saved, unless told not to.
  ASSERT_FALSE(ProcessRuns(L"winemenubuilder.exe")) << "a process of Wine's reads the new shortcut";
  TKivShellList& list = ListOf({});
  HWND editor = EditRowOf(L"link.lnk");
  ASSERT_NE(editor, nullptr);
  TypeAndEnd(editor, L"renamed", VK_RETURN);

  EXPECT_TRUE(FileExists(folder_ / L"renamed.lnk"));
  EXPECT_FALSE(FileExists(folder_ / L"renamed"));
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].destination, folder_ / L"renamed.lnk");
  EXPECT_TRUE(HasCaption(list, ShellDisplayName(folder_.Path(), L"renamed.lnk")));

  // Typed with its extension, the name gets no second one.
  editor = EditRowOf(L"renamed.lnk");
  ASSERT_NE(editor, nullptr);
  TypeAndEnd(editor, L"again.lnk", VK_RETURN);
  EXPECT_TRUE(FileExists(folder_ / L"again.lnk"));
  EXPECT_FALSE(FileExists(folder_ / L"again.lnk.lnk"));
}

TEST_F(ShellListEditing, ObjectsTheShellCannotRenameOpenNoEditor) {
  TKivShellList& list = MakeList();
  list.SetSpecialFolder(SF_DRIVES);
  ShowAndDraw();
  int drive = -1;
  for (int i = 0, n = list.Items().Count(); i < n && drive < 0; ++i)
    if (list.ItemPath(list.Items()[i]) == L"C:\\") drive = i;
  ASSERT_GE(drive, 0);
  list.Items()[drive]->SetSelected(true);
  EXPECT_FALSE(list.EditSelected());
  EXPECT_FALSE(list.IsEditing());
  EXPECT_EQ(SendMessageW(list.Handle(), LVM_GETEDITCONTROL, 0, 0), 0);
}

TEST_F(ShellListEditing, RenameVerbEditsInPlaceUnlessReadOnly) {
  TKivShellList& list = ListOf({L"a.txt"});
  EXPECT_NE(EditRowOf(L"a.txt"), nullptr);
  SendMessageW(list.Handle(), LVM_CANCELEDITLABEL, 0, 0);
  EXPECT_FALSE(list.IsEditing());
  list.Dirwalker().SetObjectName(L"a.txt");
  EXPECT_TRUE(list.Dirwalker().RunVerb(L"rename"));
  EXPECT_TRUE(list.IsEditing());
  SendMessageW(list.Handle(), LVM_CANCELEDITLABEL, 0, 0);

  list.SetReadOnly(true);
  EXPECT_FALSE(list.Dirwalker().OnRename);
  EXPECT_FALSE(list.EditSelected());
  list.SetReadOnly(false);
  EXPECT_TRUE(list.Dirwalker().OnRename);
}

}  // namespace
}  // namespace wf::test
