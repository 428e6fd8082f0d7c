#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "framework/Cursor.h"
#include "framework/Handles.h"
#include "shell/core/Dirwalker.h"
#include "tests/shell/core/DeleteConfirmation.h"
#include "tests/shell/core/RecordingShellFolder.h"
#include "tests/shell/core/ShellCoreTestHelpers.h"
#include "tests/support/TempFolder.h"
#include "tests/support/MarkerDocument.h"

namespace wf {
namespace {

using test::DeleteConfirmation;
using test::FileExists;
using test::MarkerAppears;
using test::MarkerDocumentType;
using test::TempFolder;

class DirwalkerVerbs : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_.MakeFile(L"a.txt");
    temp_.MakeFile(L"b.txt");
    walker_.SetFolder(temp_.Path());
  }

  TempFolder temp_;
  TDirwalker walker_;
};

TEST_F(DirwalkerVerbs, NothingToActOnOrAVetoRunsNothing) {
  EXPECT_FALSE(walker_.RunVerb(L"delete")) << "no current object";

  std::vector<std::wstring> asked;
  walker_.OnContextMenuSelect = [&](TObject*, const std::wstring& verb, bool& execute) {
    asked.push_back(verb);
    execute = false;
  };
  walker_.SetObjectName(L"a.txt");
  walker_.MultiObjects().Add(L"b.txt");
  DeleteConfirmation confirmation(IDYES);
  EXPECT_FALSE(walker_.RunVerb(L"delete"));
  EXPECT_EQ(asked, std::vector<std::wstring>{L"delete"});
  EXPECT_TRUE(FileExists(temp_ / L"a.txt"));
  EXPECT_TRUE(FileExists(temp_ / L"b.txt"));
  EXPECT_EQ(confirmation.Shown(), 0);
  EXPECT_TRUE(walker_.MultiObjects().Empty()) << "the names were for that call";
}

TEST_F(DirwalkerVerbs, RenameWithoutHandlerSucceedsAndAsksNoShell) {
  walker_.SetObjectName(L"a.txt");
  EXPECT_TRUE(walker_.RunVerb(L"rename"));
  EXPECT_TRUE(FileExists(temp_ / L"a.txt"));

  int renames = 0;
  TCursor cursor_then = crDefault;
  walker_.OnRename = [&](TObject*) {
    ++renames;
    cursor_then = Screen().Cursor();
  };
  const TCursor before = Screen().Cursor();
  EXPECT_TRUE(walker_.RunVerb(L"RENAME"));
  EXPECT_EQ(renames, 1);
  EXPECT_EQ(cursor_then, crHourGlass);
  EXPECT_EQ(Screen().Cursor(), before);
}

TEST_F(DirwalkerVerbs, DriveCannotBeDeleted) {
  walker_.SetSpecialFolder(SF_DRIVES);
  walker_.SetObjectName(L"C:\\");
  DeleteConfirmation confirmation(IDYES);
  EXPECT_FALSE(walker_.RunVerb(L"delete"));
  EXPECT_EQ(confirmation.Shown(), 0) << "the shell was not asked";
}

TEST_F(DirwalkerVerbs, DeleteConfirmedRemovesTheObject) {
  walker_.SetObjectName(L"a.txt");
  DeleteConfirmation confirmation(IDYES);
  std::vector<std::wstring> gone;
  EXPECT_TRUE(walker_.RunVerb(L"delete", {.gone = &gone}));
  EXPECT_EQ(confirmation.Shown(), 1);
  EXPECT_FALSE(FileExists(temp_ / L"a.txt"));
  EXPECT_EQ(gone, std::vector<std::wstring>{L"a.txt"});
}

TEST_F(DirwalkerVerbs, DeleteRefusedIsFailure) {
  walker_.SetObjectName(L"a.txt");
  DeleteConfirmation confirmation(IDNO);
  std::vector<std::wstring> gone{L"stale"};
  EXPECT_FALSE(walker_.RunVerb(L"delete", {.gone = &gone}));
  EXPECT_EQ(confirmation.Shown(), 1);
  EXPECT_TRUE(FileExists(temp_ / L"a.txt"));
  EXPECT_TRUE(gone.empty());
  EXPECT_NE(GetLastError(), 0u);

  // A name given as a full path is looked for there, not below Folder.
  walker_.MultiObjects().Add(temp_ / L"b.txt");
  EXPECT_FALSE(walker_.RunVerb(L"delete"));
  EXPECT_EQ(confirmation.Shown(), 2);
  EXPECT_TRUE(FileExists(temp_ / L"b.txt"));
}

// Every object is looked for by its own full path, also one named by path
// below another folder; the caller learns which of them went.
TEST_F(DirwalkerVerbs, DeleteOfSeveralTellsWhichWent) {
  temp_.MakeFile(L"c.txt");
  walker_.MultiObjects().Add(L"a.txt");
  walker_.MultiObjects().Add(temp_ / L"c.txt");
  DeleteConfirmation confirmation(IDYES);
  std::vector<std::wstring> gone;
  EXPECT_TRUE(walker_.RunVerb(L"delete", {.gone = &gone}));
  EXPECT_EQ(confirmation.Shown(), 1);
  EXPECT_EQ(gone, (std::vector<std::wstring>{L"a.txt", temp_ / L"c.txt"}));
  EXPECT_TRUE(FileExists(temp_ / L"b.txt"));
  EXPECT_TRUE(walker_.MultiObjects().Empty());
}

TEST_F(DirwalkerVerbs, UnknownNameFailsWithoutRaising) {
  walker_.MultiObjects().Add(L"missing.txt");
  DeleteConfirmation confirmation(IDYES);
  EXPECT_FALSE(walker_.RunVerb(L"delete"));
  EXPECT_EQ(confirmation.Shown(), 0);
}

// Wine's shell recycles whether Shift is held or not, so what is checked is
// that the command the shell gets says Shift is down.
TEST_F(DirwalkerVerbs, ShiftDeleteTellsTheShellShiftIsDown) {
  AbsoluteIdList list;
  auto folder = test::RecordingShellFolder::Of(temp_.Path(), &list);
  walker_.SetShellFolder(folder, list.get());
  walker_.SetObjectName(L"a.txt");
  walker_.RunVerb(L"delete", {.shift_down = true});
  walker_.SetObjectName(L"a.txt");
  walker_.RunVerb(L"delete");

  ASSERT_EQ(folder->invocations.size(), 2u);
  EXPECT_EQ(folder->invocations[0].verb, "delete");
  EXPECT_TRUE(folder->invocations[0].mask & CMIC_MASK_SHIFT_DOWN);
  EXPECT_FALSE(folder->invocations[1].mask & CMIC_MASK_SHIFT_DOWN);
}

TEST_F(DirwalkerVerbs, DefaultRunsTheMenusDefaultCommandByOffset) {
  AbsoluteIdList list;
  auto folder = test::RecordingShellFolder::Of(temp_.Path(), &list);
  folder->offers_default = true;
  walker_.SetShellFolder(folder, list.get());
  walker_.SetObjectName(L"a.txt");
  const HWND owner = walker_.ShellOwnerWindow();

  EXPECT_TRUE(walker_.RunVerb(L""));
  ASSERT_EQ(folder->invocations.size(), 1u);
  EXPECT_EQ(folder->invocations[0].command, 0);
  EXPECT_EQ(folder->invocations[0].owner, owner);
}

TEST_F(DirwalkerVerbs, DefaultOpensEachDocument) {
  MarkerDocumentType type(L"wftest");
  temp_.MakeFile(L"one.wftest");
  temp_.MakeFile(L"two.wftest");
  temp_.MakeFile(L"three.wftest");
  test::Quiet(walker_);  // a failure shows no box that would wait for a click

  walker_.SetObjectName(L"one.wftest");
  EXPECT_TRUE(walker_.RunVerb(L""));
  EXPECT_TRUE(MarkerAppears(temp_ / L"one.wftest.opened"));

  walker_.MultiObjects().Add(L"two.wftest");
  walker_.MultiObjects().Add(L"three.wftest");
  EXPECT_TRUE(walker_.RunVerb(L"default"));
  EXPECT_TRUE(MarkerAppears(temp_ / L"two.wftest.opened"));
  EXPECT_TRUE(MarkerAppears(temp_ / L"three.wftest.opened"));
  // What the commands wrote is theirs no more: the folder goes with the test.
  EXPECT_TRUE(test::RemoveFolderTree(temp_.Path()));
}

TEST_F(DirwalkerVerbs, DefaultWithoutAnyCommandFails) {
  temp_.MakeFile(L"nothing.wfnone");
  test::Quiet(walker_);  // no owner window: the shell shows no box of its own
  walker_.SetObjectName(L"nothing.wfnone");
  EXPECT_FALSE(walker_.RunVerb(L"default"));
  EXPECT_NE(GetLastError(), 0u);
}

}  // namespace
}  // namespace wf
