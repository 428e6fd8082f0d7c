// Activating rows, moving between folders and the list's keys, driven by
// the messages a user's mouse and keyboard produce.
#include <windows.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "framework/Control.h"
#include "shell/core/ShellOperations.h"
#include "shell/core/ShellUtils.h"
#include "tests/framework/FrameworkTestHelpers.h"
#include "tests/shell/core/DeleteConfirmation.h"
#include "tests/shell/core/RecordingShellFolder.h"
#include "tests/shell/list/ShellListTestSupport.h"
#include "tests/support/HeldKeys.h"
#include "tests/support/RealMouse.h"

namespace wf::test {
namespace {

constexpr wchar_t kParentCaption[] = L" .. ";

std::string SelectionText(TKivShellList& list) {
  std::ostringstream text;
  text << list.SelCount() << " rows selected";
  for (int i = 0, n = list.Items().Count(); i < n; ++i)
    if (list.Items()[i]->Selected()) text << " [" << ToUtf8(list.Items()[i]->Caption()) << "]";
  if (list.IsEditing()) text << ", a caption is being edited";
  return text.str();
}

struct Report {
  uint16_t operations;
  std::vector<std::wstring> files;
  std::wstring destination;
  int rows_then;
};

void EmptyClipboard() {
  if (!OpenClipboard(nullptr)) return;
  ::EmptyClipboard();
  CloseClipboard();
}

// A shown list over a folder with a sub-folder, a link to it and two files.
class ShellListActivation : public ShellListTest {
 protected:
  template <class List = TKivShellList>
  List& Shown() {
    folder_.MakeFolder(L"sub");
    folder_.MakeFile(L"sub\\inner.txt");
    folder_.MakeLink(L"to sub.lnk", folder_ / L"sub");
    folder_.MakeFile(L"a.txt");
    folder_.MakeFile(L"b.txt");
    List& list = MakeList<List>();
    list.SetShowParentFolder(true);
    list.SetPath(folder_.Path());
    list.OnOperation = [this, &list](TObject*, TKivShellOperations operations,
                                     const TStringList& files, const std::wstring& destination) {
      reports_.push_back({operations.Bits(), files.Items(), destination, list.Items().Count()});
    };
    ShowAndDraw();
    return list;
  }

  static void Key(TKivShellList& list, WORD key) {
    SendMessageW(list.Handle(), WM_KEYDOWN, key, 1);
  }

  // Two presses of the real mouse on the row's caption, pumped until `seen`
  // answers true: real input reaches the list through the X server, whose
  // delay no fixed wait can bound on a loaded machine.
  static void DoubleClick(TKivShellList& list, TListItem* row, const std::function<bool()>& seen) {
    const RECT label = row->DisplayRect(TDisplayCode::drLabel);
    POINT at{(label.left + label.right) / 2, (label.top + label.bottom) / 2};
    ClientToScreen(list.Handle(), &at);
    // Real presses land on whatever window is at the point: a window another
    // test started (a console the shell opened for a document) may still be
    // closing there.
    SetWindowPos(GetAncestor(list.Handle(), GA_ROOT), HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE);
    ASSERT_TRUE(PumpUntil([&] { return WindowFromPoint(at) == list.Handle(); }))
        << "another window covers the list";
    ButtonMessages taken;
    ASSERT_TRUE(PressTwice(at));
    EXPECT_TRUE(PumpUntil(seen)) << "the double-click at " << at.x << "," << at.y
                                 << " caused nothing; the list's thread took: "
                                 << taken.Describe(list.Handle(), "the list") << "; then "
                                 << SelectionText(list);
  }

  std::vector<Report> reports_;
};

TEST_F(ShellListActivation, DoubleClickOpensAFolderAndEnterFollowsALinkThenGoesBackUp) {
  TKivShellList& list = Shown();
  DoubleClick(list, Row(list, L"sub"), [&] { return list.Path() != folder_.Path(); });
  EXPECT_EQ(list.Path(), folder_ / L"sub\\");
  EXPECT_TRUE(HasCaption(list, ShellDisplayName(folder_ / L"sub", L"inner.txt")));

  SelectOnly(list, {kParentCaption});
  Key(list, VK_RETURN);
  EXPECT_EQ(list.Path(), folder_.Path());

  SelectOnly(list, {L"to sub.lnk"});
  Key(list, VK_RETURN);
  EXPECT_EQ(list.Path(), folder_ / L"sub\\");

  SendMessageW(list.Handle(), WM_CHAR, 8, 1);
  EXPECT_EQ(list.Path(), folder_.Path());
}

TEST_F(ShellListActivation, BackspaceAtTheDesktopStaysThere) {
  TKivShellList& list = MakeList();
  list.SetSpecialFolder(SF_DESKTOP);
  const int rows = list.Items().Count();
  ASSERT_GT(rows, 0);
  SendMessageW(list.Handle(), WM_CHAR, 8, 1);
  EXPECT_EQ(list.SpecialFolder(), SF_DESKTOP);
  EXPECT_EQ(list.Items().Count(), rows);
}

TEST_F(ShellListActivation, ADoubleClickHandlerTakesTheDoubleClickAlone) {
  TKivShellList& list = Shown();
  int handled = 0;
  list.OnDblClick = [&](TObject*) { ++handled; };
  DoubleClick(list, Row(list, L"sub"), [&] { return handled > 0; });
  list.OnDblClick = nullptr;
  EXPECT_EQ(handled, 1);
  EXPECT_EQ(list.Path(), folder_.Path());
}

TEST_F(ShellListActivation, F5RefillsAndKeepsTheSort) {
  TKivShellList& list = Shown();
  list.SortByColumn(0);
  if (!list.SortDescending()) list.SortByColumn(0);
  ASSERT_TRUE(list.SortDescending());
  const std::vector<std::wstring> before = Captions(list);
  folder_.MakeFile(L"c.txt");
  Key(list, VK_F5);
  EXPECT_TRUE(list.SortDescending());
  EXPECT_EQ(list.SortColumn(), 0);
  std::vector<std::wstring> after = Captions(list);
  const std::wstring added = ShellDisplayName(folder_.Path(), L"c.txt");
  std::erase(after, added);
  EXPECT_EQ(after, before);
  EXPECT_TRUE(HasCaption(list, added));
}

TEST_F(ShellListActivation, CtrlASelectsAllAndCtrlXGhostsTheSelection) {
  TKivShellList& list = Shown();
  SelectOnly(list, {L"a.txt"});
  {
    HeldKeys ctrl{VK_CONTROL, VK_SHIFT};  // extra modifiers are allowed
    Key(list, 'A');
  }
  EXPECT_EQ(list.SelCount(), list.Items().Count());
  EXPECT_TRUE(list.Focused());

  SelectOnly(list, {L"a.txt", L"b.txt"});
  {
    HeldKeys ctrl{VK_CONTROL};
    Key(list, 'X');
  }
  EXPECT_TRUE(Row(list, L"a.txt")->Cut());
  EXPECT_TRUE(Row(list, L"b.txt")->Cut());
  EXPECT_FALSE(Row(list, L"sub")->Cut());
}

// The folder object is handed the rows' own ids with their names: every
// selected object, and only those, reaches the clipboard.
TEST_F(ShellListActivation, CtrlAThenCtrlCCopiesEveryObjectAndNotTheParentEntry) {
  TKivShellList& list = Shown();
  {
    HeldKeys ctrl{VK_CONTROL};
    Key(list, 'A');
    Key(list, 'C');
  }
  std::unique_ptr<TStringList> copied = ClipboardFiles();
  ASSERT_TRUE(copied);
  std::vector<std::wstring> files = copied->Items();
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::wstring>{folder_ / L"a.txt", folder_ / L"b.txt",
                                              folder_ / L"sub", folder_ / L"to sub.lnk"}));

  SelectOnly(list, {L"b.txt"});
  {
    HeldKeys ctrl{VK_CONTROL};
    Key(list, 'C');
  }
  copied = ClipboardFiles();
  ASSERT_TRUE(copied);
  EXPECT_EQ(copied->Items(), std::vector<std::wstring>{folder_ / L"b.txt"});
}

TEST_F(ShellListActivation, DeleteOfTwoFilesRemovesBothRowsAndReportsOnce) {
  TKivShellList& list = Shown();
  const int rows = list.Items().Count();
  SelectOnly(list, {L"a.txt", L"b.txt"});
  {
    DeleteConfirmation confirmation(IDYES);
    Key(list, VK_DELETE);
  }
  EXPECT_FALSE(PathExists(folder_ / L"a.txt"));
  EXPECT_FALSE(PathExists(folder_ / L"b.txt"));
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].operations, 0x0C0);
  std::vector<std::wstring> files = reports_[0].files;
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::wstring>{folder_ / L"a.txt", folder_ / L"b.txt"}));
  EXPECT_EQ(reports_[0].rows_then, rows - 2);
  EXPECT_EQ(list.Items().Count(), rows - 2);
}

TEST_F(ShellListActivation, KeysDoNothingWhileACaptionIsEdited) {
  TKivShellList& list = Shown();
  SelectOnly(list, {L"a.txt"});
  ASSERT_TRUE(Row(list, L"a.txt")->EditCaption());
  ASSERT_TRUE(list.IsEditing());
  {
    DeleteConfirmation confirmation(IDYES);
    Key(list, VK_DELETE);
    EXPECT_EQ(confirmation.Shown(), 0);
  }
  SendMessageW(list.Handle(), WM_CHAR, 8, 1);
  EXPECT_TRUE(PathExists(folder_ / L"a.txt"));
  EXPECT_EQ(list.Path(), folder_.Path());
}

TEST_F(ShellListActivation, AReadOnlyListRefusesDeleteCutAndRename) {
  TKivShellList& list = Shown();
  list.SetReadOnly(true);
  SelectOnly(list, {L"a.txt"});
  {
    DeleteConfirmation confirmation(IDYES);
    Key(list, VK_DELETE);
    EXPECT_EQ(confirmation.Shown(), 0);
  }
  {
    HeldKeys ctrl{VK_CONTROL};
    Key(list, 'X');
  }
  Key(list, VK_F2);
  EXPECT_TRUE(PathExists(folder_ / L"a.txt"));
  EXPECT_FALSE(Row(list, L"a.txt")->Cut());
  EXPECT_FALSE(list.IsEditing());
  EXPECT_TRUE(reports_.empty());
}

TEST_F(ShellListActivation, AltEnterShowsThePropertiesSheet) {
  TKivShellList& list = Shown();
  SelectOnly(list, {L"a.txt"});
  // Answers every dialog box of this thread: the sheet is one.
  DeleteConfirmation closer(IDCANCEL);
  // Alt held is told by the message's context bit.
  SendMessageW(list.Handle(), WM_SYSKEYDOWN, VK_RETURN, 1 | (1 << 29));
  EXPECT_EQ(closer.Shown(), 1);
  EXPECT_EQ(list.Path(), folder_.Path());
}

// Ctrl+C copies the selected rows; the folder's own verbs go to the shown
// folder as an object of its parent: "copy" puts the folder itself there.
TEST_F(ShellListActivation, CtrlCCopiesTheSelectionAndAFolderVerbCopiesTheFolderItself) {
  TKivShellList& list = Shown();
  const auto clipboard_names = [] {
    std::vector<std::wstring> names;
    if (std::unique_ptr<TStringList> files = ClipboardFiles())
      for (const std::wstring& file : *files) names.push_back(ExtractFileName(file));
    std::sort(names.begin(), names.end());
    EmptyClipboard();
    return names;
  };
  EmptyClipboard();
  SelectOnly(list, {L"a.txt", L"b.txt"});
  {
    HeldKeys ctrl{VK_CONTROL};
    Key(list, 'C');
  }
  EXPECT_EQ(clipboard_names(), (std::vector<std::wstring>{L"a.txt", L"b.txt"}));

  EXPECT_TRUE(list.PasteIntoFolder(L"copy"));
  std::wstring folder = folder_.Path();
  folder.pop_back();
  EXPECT_EQ(clipboard_names(), std::vector<std::wstring>{ExtractFileName(folder)});
  EXPECT_TRUE(reports_.empty());
}

// Wine's shell runs no "paste" on a folder as an object of its parent: this
// list has the verb succeed, as the platform's would, and leaves the list's
// own copy for Wine out.
class PastingList : public TKivShellList {
 public:
  using TKivShellList::TKivShellList;
  std::vector<std::wstring> folder_verbs;

 protected:
  bool RunVerbOnFolder(const std::wstring& verb) override {
    folder_verbs.push_back(verb);
    return true;
  }
  bool ShellPasteIsInert() override { return false; }
};

// The files are put on the clipboard by the shell's own "copy" and "cut" in
// another folder; a move is made to look done by removing the cut files, as
// the platform's paste would have.
TEST_F(ShellListActivation, CtrlVReportsACopyOrAMoveIntoTheShownFolder) {
  PastingList& list = Shown<PastingList>();
  TempFolder source;
  const std::vector<std::wstring> files{source.MakeFile(L"one.txt"), source.MakeFile(L"two.txt")};
  const auto put_on_clipboard = [&](const wchar_t* verb) {
    TDirwalker walker(nullptr);
    walker.SetShowErrorMessages(false);
    walker.SetFolder(source.Path());
    walker.MultiObjects().Assign({L"one.txt", L"two.txt"});
    ASSERT_TRUE(walker.RunVerb(verb));
  };
  const auto paste = [&] {
    HeldKeys ctrl{VK_CONTROL};
    Key(list, 'V');
  };

  put_on_clipboard(L"copy");
  paste();
  put_on_clipboard(L"cut");
  for (const std::wstring& file : files) DeleteFileW(file.c_str());
  paste();
  EmptyClipboard();

  EXPECT_EQ(list.folder_verbs, (std::vector<std::wstring>{L"paste", L"paste"}));
  ASSERT_EQ(reports_.size(), 2u);
  EXPECT_EQ(reports_[0].operations, 0x121);
  EXPECT_EQ(reports_[1].operations, 0x122);
  for (const Report& report : reports_) {
    EXPECT_EQ(report.files, files);
    EXPECT_EQ(report.destination, folder_.Path());
  }
}

// Wine's shell recycles whether Shift is held or not, so what is checked is
// that the command the shell gets says Shift is down.
TEST_F(ShellListActivation, ShiftDeleteTellsTheShellShiftIsDown) {
  folder_.MakeFile(L"a.txt");
  AbsoluteIdList id_list;
  auto recording = RecordingShellFolder::Of(folder_.Path(), &id_list);
  TKivShellList& list = MakeList();
  list.Dirwalker().SetShellFolder(recording, id_list.get());
  list.Populate();
  SelectOnly(list, {L"a.txt"});
  {
    HeldKeys shift{VK_SHIFT};
    Key(list, VK_DELETE);
  }
  Key(list, VK_DELETE);
  ASSERT_EQ(recording->invocations.size(), 2u);
  EXPECT_EQ(recording->invocations[0].verb, "delete");
  EXPECT_TRUE(recording->invocations[0].mask & CMIC_MASK_SHIFT_DOWN);
  EXPECT_FALSE(recording->invocations[1].mask & CMIC_MASK_SHIFT_DOWN);
}

// The list's own paste can be left out, for the shell's.
class SwitchedPasteList : public TKivShellList {
 public:
  using TKivShellList::TKivShellList;
  bool own_paste = true;

 protected:
  bool ShellPasteIsInert() override { return own_paste && TKivShellList::ShellPasteIsInert(); }
};

// Under Wine, whose shell pastes nothing, Ctrl+V copies the files the list's
// Ctrl+C put on the clipboard, and moves those of its Ctrl+X; a later copy
// takes the earlier cut's ghosting back (a hidden row staying ghosted).
// Left to Wine's shell, the paste brings nothing and reports nothing.
TEST_F(ShellListActivation, CtrlVUnderWineCopiesOrMovesWhatCtrlCOrCtrlXPutOnTheClipboard) {
  if (!RunningOnWine()) GTEST_SKIP() << "the list pastes by itself only under Wine";
  SwitchedPasteList& list = Shown<SwitchedPasteList>();
  const std::wstring hidden = folder_.MakeFile(L"hidden.txt");
  SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
  list.SetShowHidden(true);
  ShowAndDraw();
  TempFolder target;
  const auto key = [&](WORD letter) {
    HeldKeys ctrl{VK_CONTROL};
    Key(list, letter);
  };
  const auto paste_into_target = [&] {
    list.SetPath(target.Path());
    key('V');
    list.SetPath(folder_.Path());
  };

  SelectOnly(list, {L"a.txt", L"hidden.txt"});
  key('X');
  EXPECT_TRUE(Row(list, L"a.txt")->Cut());
  SelectOnly(list, {L"b.txt"});
  key('C');
  EXPECT_FALSE(Row(list, L"a.txt")->Cut());
  EXPECT_FALSE(TKivShellList::RecordOf(Row(list, L"a.txt"))->Cut);
  EXPECT_TRUE(Row(list, L"hidden.txt")->Cut());
  list.own_paste = false;
  paste_into_target();
  EXPECT_FALSE(FileExists(target / L"b.txt"));
  EXPECT_TRUE(reports_.empty());
  list.own_paste = true;
  paste_into_target();
  SelectOnly(list, {L"a.txt"});
  key('X');
  paste_into_target();

  EXPECT_TRUE(FileExists(target / L"b.txt"));
  EXPECT_TRUE(FileExists(folder_ / L"b.txt"));
  EXPECT_TRUE(FileExists(target / L"a.txt"));
  EXPECT_FALSE(FileExists(folder_ / L"a.txt"));
  ASSERT_EQ(reports_.size(), 2u);
  EXPECT_EQ(reports_[0].operations, 0x121);  // copy, paste, add
  EXPECT_EQ(reports_[1].operations, 0x122);  // move, paste, add
  EXPECT_EQ(reports_[1].files, std::vector<std::wstring>{folder_ / L"a.txt"});
  EXPECT_EQ(reports_[1].destination, target.Path());
}

}  // namespace
}  // namespace wf::test
