// The ticked paths of a shell link, their states and their totals, over real
// folders.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <set>
#include <string>

#include "framework/Strings.h"
#include "shell/core/IdList.h"
#include "shell/core/SpecialFolders.h"
#include "shell/notify/KivSelectionList.h"
#include "tests/framework/FrameworkTestHelpers.h"
#include "tests/support/HostRemoval.h"
#include "tests/support/TempFolder.h"

namespace wf {
namespace {

using test::PumpUntil;
using test::TempFolder;

std::set<std::wstring> Entries(const TKivSelectionList& list) {
  std::set<std::wstring> entries;
  for (const std::wstring& path : list.Paths()) entries.insert(UpperCaseText(path));
  return entries;
}

std::set<std::wstring> Upper(std::initializer_list<std::wstring> paths) {
  std::set<std::wstring> entries;
  for (const std::wstring& path : paths) entries.insert(UpperCaseText(path));
  return entries;
}

// The totals once every folder-size job has reported.
bool Settled(TKivSelectionList& list) {
  return PumpUntil([&] { return !list.SizesPending(); });
}

// Data: a.txt (10 bytes), b.txt (20), x\y.txt (30), x\z.txt (40) and an
// empty folder e; beside it other.txt, never ticked.
class SelectionList : public ::testing::Test {
 protected:
  SelectionList() {
    data = folder_.MakeFolder(L"Data");
    folder_.MakeFile(L"Data\\a.txt", 10);
    folder_.MakeFile(L"Data\\b.txt", 20);
    folder_.MakeFolder(L"Data\\x");
    folder_.MakeFile(L"Data\\x\\y.txt", 30);
    folder_.MakeFile(L"Data\\x\\z.txt", 40);
    folder_.MakeFolder(L"Data\\e");
    folder_.MakeFile(L"other.txt", 5);
    list.OnChange = [this](TObject*) { ++changes; };
  }

  TempFolder folder_;
  std::wstring data;
  TKivSelectionList list{nullptr};
  int changes = 0;
};

TEST_F(SelectionList, TicksKeepTheNormalFormAndStatesFollowIt) {
  bool implicit = false;
  list.CheckPath(data + L"\\a.txt");
  EXPECT_EQ(list.GetPathState(data, &implicit), ssGrayed);
  // The folder takes the file's place; a second tick changes nothing.
  list.CheckPath(data);
  list.CheckPath(data + L"\\");
  EXPECT_EQ(Entries(list), Upper({data + L"\\*"}));
  EXPECT_EQ(list.GetPathState(data + L"\\x\\y.txt", &implicit), ssChecked);
  EXPECT_TRUE(implicit);
  EXPECT_EQ(list.GetPathState(data + L"\\*", &implicit), ssChecked);
  EXPECT_FALSE(implicit);
  EXPECT_EQ(list.GetPathState(folder_.Path()), ssGrayed);
  EXPECT_EQ(list.GetPathState(folder_ / L"other.txt"), ssUnChecked);
  EXPECT_EQ(list.GetPathState(L"C:\\"), ssGrayed);
  EXPECT_EQ(changes, 2);

  // What names nothing has no state and changes nothing.
  for (const std::wstring& nothing :
       {std::wstring(), std::wstring(L"."), std::wstring(L".."), folder_ / L"missing.txt"}) {
    EXPECT_EQ(list.GetPathState(nothing), ssNone) << ToUtf8(nothing);
    list.CheckPath(nothing);
    list.UncheckPath(nothing);
  }
  EXPECT_EQ(changes, 2);

  // Any letter's case, not only ASCII's.
  const std::wstring accented = folder_.MakeFolder(L"\u00C4rger");
  list.CheckPath(folder_ / L"\u00E4RGER");
  EXPECT_EQ(list.GetPathState(accented), ssChecked);
  EXPECT_EQ(list.Paths().Count(), 2);

  // My Computer is partly ticked once a drive's path is; the network is not.
  EXPECT_EQ(list.GetIdListState(SpecialFolderIdList(SF_DRIVES).get()), ssGrayed);
  EXPECT_EQ(list.GetIdListState(SpecialFolderIdList(SF_NETWORK).get()), ssNone);

  // Two ticks in one update are one change.
  changes = 0;
  list.BeginUpdate();
  list.CheckPath(folder_ / L"other.txt");
  list.UncheckPath(folder_ / L"other.txt");
  EXPECT_EQ(changes, 0);
  list.EndUpdate();
  EXPECT_EQ(changes, 1);
}

TEST_F(SelectionList, UntickingInsideATickedFolderKeepsTheRestAndSubtractsOnlyIt) {
  list.CheckPath(data);
  ASSERT_TRUE(Settled(list));
  EXPECT_EQ(list.TotalSize(), 100);
  EXPECT_EQ(list.FileCount(), 4);

  // Two levels below the ticked folder: its other children and the
  // file's siblings stay ticked.
  list.UncheckPath(data + L"\\x\\y.txt");
  EXPECT_EQ(Entries(list),
            Upper({data + L"\\a.txt", data + L"\\b.txt", data + L"\\e\\*", data + L"\\x\\z.txt"}));
  ASSERT_TRUE(Settled(list));
  EXPECT_EQ(list.TotalSize(), 70);
  EXPECT_EQ(list.FileCount(), 3);

  // Ticking it again: the highest folder now wholly ticked is Data, which
  // collapses the entries into one.
  list.CheckPath(data + L"\\x\\y.txt");
  const AbsoluteIdList item = PathToIdList(data + L"\\x\\y.txt");
  const AbsoluteIdList collapsed = list.CollapsedIdList(item.get());
  ASSERT_TRUE(collapsed);
  EXPECT_TRUE(SameText(IdListToPath(collapsed.get()), data));
  list.CheckIdList(collapsed.get());
  EXPECT_EQ(Entries(list), Upper({data + L"\\*"}));
  ASSERT_TRUE(Settled(list));
  EXPECT_EQ(list.TotalSize(), 100);
  EXPECT_EQ(list.FileCount(), 4);

  // Unticking a folder inside a partly ticked one removes what is below it.
  list.UncheckPath(data + L"\\x");
  list.UncheckPath(data + L"\\x");
  ASSERT_TRUE(Settled(list));
  EXPECT_EQ(list.TotalSize(), 30);
  EXPECT_EQ(list.FileCount(), 2);
  list.UncheckPath(data);
  ASSERT_TRUE(Settled(list));
  EXPECT_TRUE(list.Paths().Empty());
  EXPECT_EQ(list.TotalSize(), 0);

  // Emptied or replaced while sizes are on the way: nothing found for what
  // went is added afterwards.
  list.CheckPath(data);
  list.Clear();
  ASSERT_TRUE(Settled(list));
  EXPECT_EQ(list.TotalSize(), 0);
  TStringList replacement;
  replacement.Add(data + L"\\x");
  list.CheckPath(data);
  list.SetPaths(replacement);
  ASSERT_TRUE(Settled(list));
  EXPECT_EQ(list.TotalSize(), 70);
  EXPECT_EQ(list.FileCount(), 2);

  list.Clear();
  list.SetTrackSizes(false);
  list.CheckPath(data);
  ASSERT_TRUE(Settled(list));
  EXPECT_EQ(list.TotalSize(), 0);
}

TEST_F(SelectionList, FolderShortcutsStandForTheirTargetAndLinksAreNeverWalked) {
  const std::wstring shortcut = folder_.MakeFolder(L"Shortcut");
  folder_.MakeLink(L"Shortcut\\target.lnk", data);
  list.CheckPath(shortcut);
  EXPECT_EQ(Entries(list), Upper({data + L"\\*"}));
  list.SetResolveFolderShortcuts(false);
  EXPECT_EQ(list.GetPathState(shortcut), ssNone);
  list.SetResolveFolderShortcuts(true);
  list.Clear();

  // A link inside the tree to the tree's own top: counted once, never
  // followed round.
  const std::wstring host = test::HostName(data);
  if (host.empty()) GTEST_SKIP() << "making a directory link needs Wine's host here";
  ASSERT_TRUE(test::StartHostCommand(L"/bin/ln -s " + host + L" " + host + L"/x/loop"));
  const std::wstring loop = data + L"\\x\\loop";
  ASSERT_TRUE(
      PumpUntil([&] { return GetFileAttributesW(loop.c_str()) != INVALID_FILE_ATTRIBUTES; }));
  EXPECT_TRUE(GetFileAttributesW(loop.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
  list.CheckPath(data);
  ASSERT_TRUE(Settled(list));
  EXPECT_EQ(list.TotalSize(), 100);
  EXPECT_EQ(list.FileCount(), 4);
  // Wine removes no link to a folder it did not make: the host does.
  ASSERT_TRUE(test::StartHostCommand(L"/bin/rm " + host + L"/x/loop"));
  EXPECT_TRUE(
      PumpUntil([&] { return GetFileAttributesW(loop.c_str()) == INVALID_FILE_ATTRIBUTES; }));
}

}  // namespace
}  // namespace wf
