// A fill asked for while a fill runs (from the fill's own events) runs once
// after it, before the events that close the fill; a window made again is
// filled once.
#include "tests/shell/list/ShellListTestSupport.h"

namespace wf::test {
namespace {

class ShellListNestedFill : public ShellListTest {
 protected:
  std::vector<std::wstring> MakeObjects() {
    folder_.MakeFolder(L"sub");
    folder_.MakeFile(L"a.txt");
    folder_.MakeFile(L"b.txt");
    return {ShellDisplayName(folder_.Path(), L"sub"), ShellDisplayName(folder_.Path(), L"a.txt"),
            ShellDisplayName(folder_.Path(), L"b.txt")};
  }
  static std::vector<std::string> Fill(int rows, bool closed) {
    std::vector<std::string> events{"CreateColumns"};
    events.insert(events.end(), rows, "AddItem");
    if (closed) {
      events.push_back("Populated");
      events.push_back("PathChanged");
    }
    return events;
  }
  static std::vector<std::string> Joined(std::vector<std::string> a,
                                         const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  }
};

TEST_F(ShellListNestedFill, AFillAskedForByAnAddHandlerRunsAfterTheRunningOne) {
  const std::vector<std::wstring> names = MakeObjects();
  TKivShellList& list = ListOn(folder_.Path());
  EventLog log;
  log.Attach(list);
  bool asked = false;
  list.OnAddItem = [&](TListItem*, bool&) {
    log.events.push_back("AddItem");
    if (!std::exchange(asked, true)) list.Populate();
  };

  list.Populate();

  // The running fill stops adding rows that would be cleared at once.
  EXPECT_EQ(log.events, Joined(Fill(1, false), Fill(3, true)));
  EXPECT_EQ(Captions(list), names);
}

TEST_F(ShellListNestedFill, AFillAskedForWhileTheColumnsAreMadeRunsAfterTheRunningOne) {
  const std::vector<std::wstring> names = MakeObjects();
  TKivShellList& list = ListOn(folder_.Path());
  EventLog log;
  log.Attach(list);
  bool asked = false;
  list.OnCreateColumns = [&](TObject*) {
    log.events.push_back("CreateColumns");
    if (!std::exchange(asked, true)) list.SetShowParentFolder(true);
  };

  list.Populate();

  EXPECT_EQ(log.events, Joined(Fill(0, false), Fill(3, true)));
  EXPECT_EQ(list.Items().Count(), 4);  // with the parent entry the request asked for
  EXPECT_EQ(list.Items()[0]->Caption(), L" .. ");
}

TEST_F(ShellListNestedFill, AFillAskedForWhenAFillEndsRunsAfterItsClosingEvents) {
  const std::vector<std::wstring> names = MakeObjects();
  TKivShellList& list = ListOn(folder_.Path());
  EventLog log;
  log.Attach(list);
  int populated = 0;
  int path_changed = 0;
  list.OnPopulated = [&](TObject*) {
    log.events.push_back("Populated");
    if (++populated == 1) list.Populate();
  };
  list.OnPathChanged = [&](TObject*) {
    log.events.push_back("PathChanged");
    if (++path_changed == 2) list.Populate();
  };

  list.Populate();

  EXPECT_EQ(log.events, Joined(Joined(Fill(3, true), Fill(3, true)), Fill(3, true)));
  EXPECT_EQ(Captions(list), names);
}

TEST_F(ShellListNestedFill, AFillThatFailsDropsTheFillAskedForDuringIt) {
  MakeObjects();
  TKivShellList& list = ListOn(folder_.Path());
  EventLog log;
  log.Attach(list);
  list.OnAddItem = [&](TListItem*, bool&) {
    log.events.push_back("AddItem");
    list.Populate();
    throw Exception(L"stop");
  };

  EXPECT_THROW(list.Populate(), Exception);

  EXPECT_EQ(log.events, Fill(1, false));
  list.OnAddItem = nullptr;
  log.events.clear();
  list.Populate();
  EXPECT_EQ(log.events, (std::vector<std::string>{"CreateColumns", "Populated", "PathChanged"}));
  EXPECT_EQ(list.Items().Count(), 3);
}

TEST_F(ShellListNestedFill, AWindowMadeAgainIsFilledOnce) {
  const std::vector<std::wstring> names = MakeObjects();
  TKivShellList& list = ListOn(folder_.Path());
  int fills = 0;
  list.OnPopulated = [&](TObject*) { ++fills; };

  list.RecreateWnd();

  EXPECT_EQ(fills, 1);
  EXPECT_EQ(Captions(list), names);
}

// A handler that replaces itself while it runs keeps running on what it was.
TEST_F(ShellListNestedFill, AnAddHandlerMayReplaceItselfWhileItRuns) {
  const std::vector<std::wstring> names = MakeObjects();
  TKivShellList& list = MakeList();
  std::vector<std::wstring> seen;
  const std::wstring first_tag(200, L'1');  // on the heap, freed with the handler
  list.OnAddItem = [&list, &seen, first_tag](TListItem* item, bool&) {
    list.OnAddItem = [&seen](TListItem* row, bool&) { seen.push_back(L"2" + row->Caption()); };
    seen.push_back(first_tag.substr(0, 1) + item->Caption());
  };

  list.SetPath(folder_.Path());

  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].substr(0, 1), L"1");
  EXPECT_EQ(seen[1].substr(0, 1), L"2");
  EXPECT_EQ(seen[2].substr(0, 1), L"2");
}

}  // namespace
}  // namespace wf::test
