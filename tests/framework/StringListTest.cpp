#include <gtest/gtest.h>

#include "framework/Exceptions.h"
#include "framework/StringList.h"

namespace wf {
namespace {

struct CountingList {
  CountingList() {
    list.OnChange = [this](TObject* sender) {
      EXPECT_EQ(sender, &list);
      ++changes;
    };
  }
  TStringList list;
  int changes = 0;
};

TEST(StringListChange, EachEditRaisesOneChange) {
  CountingList c;
  c.list.Add(L"b");
  EXPECT_EQ(c.changes, 1);
  c.list.Insert(0, L"a");
  EXPECT_EQ(c.changes, 2);
  c.list.Put(1, L"B");
  EXPECT_EQ(c.changes, 3);
  c.list.Assign({L"x", L"y", L"z"});
  EXPECT_EQ(c.changes, 4);
  c.list.Delete(1);
  EXPECT_EQ(c.changes, 5);
  c.list.Clear();
  EXPECT_EQ(c.changes, 6);
  EXPECT_TRUE(c.list.Empty());
}

TEST(StringListChange, ClearingAnEmptyListChangesNothing) {
  CountingList c;
  c.list.Clear();
  EXPECT_EQ(c.changes, 0);
}

TEST(StringListChange, UpdateBracketRaisesOnceWhenTheOutermostCloses) {
  CountingList c;
  c.list.BeginUpdate();
  c.list.BeginUpdate();
  c.list.Add(L"one");
  c.list.Add(L"two");
  c.list.EndUpdate();
  EXPECT_EQ(c.changes, 0);
  c.list.Delete(0);
  c.list.EndUpdate();
  EXPECT_EQ(c.changes, 1);
  EXPECT_EQ(c.list.Count(), 1);
  EXPECT_EQ(c.list[0], L"two");

  // A bracket with no edit in it is silent; an unmatched end is harmless.
  c.list.BeginUpdate();
  c.list.EndUpdate();
  c.list.EndUpdate();
  EXPECT_EQ(c.changes, 1);
  c.list.Add(L"three");
  EXPECT_EQ(c.changes, 2);
}

TEST(StringListContent, OrderAndCaseInsensitiveLookup) {
  TStringList list;
  list.Add(L"Alpha");
  list.Add(L"beta");
  list.Insert(1, L"\u03A9mega");
  EXPECT_EQ(list.Items(), (std::vector<std::wstring>{L"Alpha", L"\u03A9mega", L"beta"}));
  EXPECT_EQ(list.IndexOf(L"ALPHA"), 0);
  EXPECT_EQ(list.IndexOf(L"Beta"), 2);
  EXPECT_EQ(list.IndexOf(L"\u03C9mega"), -1);  // only ASCII letters fold
  EXPECT_EQ(list.IndexOf(L"gamma"), -1);
}

TEST(StringListContent, BadIndexRaisesAndLeavesTheListAlone) {
  CountingList c;
  c.list.Assign({L"a", L"b"});
  c.changes = 0;
  EXPECT_THROW(c.list.Delete(2), std::exception);
  EXPECT_THROW(c.list.Delete(-1), std::exception);
  EXPECT_THROW(c.list.Insert(3, L"x"), std::exception);
  EXPECT_THROW(c.list.Put(5, L"x"), std::exception);
  EXPECT_THROW(c.list[2], std::exception);
  EXPECT_EQ(c.list.Items(), (std::vector<std::wstring>{L"a", L"b"}));
  EXPECT_EQ(c.changes, 0);
  c.list.Insert(2, L"c");  // at the end is allowed
  EXPECT_EQ(c.list[2], L"c");
}

TEST(StringListSorted, KeepsCaseInsensitiveOrderIgnoresDuplicatesAndKeepsValues) {
  CountingList c;
  c.list.SetSorted(true);
  c.list.SetDuplicates(TDuplicates::dupIgnore);
  EXPECT_EQ(c.list.Add(L"beta"), 0);
  EXPECT_EQ(c.list.Add(L"Alpha"), 0);
  EXPECT_EQ(c.list.Add(L""), 0);
  c.list.SetValue(2, 7);  // "beta"
  EXPECT_EQ(c.changes, 3);
  EXPECT_EQ(c.list.Add(L"BETA"), 2);  // already there: nothing changes
  EXPECT_EQ(c.changes, 3);
  EXPECT_EQ(c.list.Add(L"Gamma"), 3);
  EXPECT_EQ(c.list.Items(), (std::vector<std::wstring>{L"", L"Alpha", L"beta", L"Gamma"}));
  EXPECT_EQ(c.list.Value(2), 7u);
  EXPECT_EQ(c.list.IndexOf(L"gamma"), 3);
  EXPECT_EQ(c.list.IndexOf(L"delta"), -1);
  c.list.Delete(1);
  EXPECT_EQ(c.list.Value(1), 7u);  // the value went with its string
  EXPECT_THROW(c.list.Insert(0, L"x"), std::exception);
  EXPECT_THROW(c.list.Put(0, L"x"), std::exception);

  c.list.Assign({L"b", L"A", L"a", L"c"});
  EXPECT_EQ(c.list.Items(), (std::vector<std::wstring>{L"A", L"b", L"c"}));
  EXPECT_EQ(c.list.Value(1), 0u);
}

TEST(StringListSorted, SortingAnUnsortedListMovesValuesWithTheirStrings) {
  TStringList list;
  list.Assign({L"c", L"a", L"b"});
  for (int i = 0; i < list.Count(); ++i) list.SetValue(i, list[i][0]);
  list.SetSorted(true);
  EXPECT_EQ(list.Items(), (std::vector<std::wstring>{L"a", L"b", L"c"}));
  for (int i = 0; i < list.Count(); ++i)
    EXPECT_EQ(list.Value(i), static_cast<uintptr_t>(list[i][0]));
}

TEST(StringListChanging, RaisedBeforeTheEditAndOncePerBracket) {
  TStringList list;
  std::vector<std::wstring> seen;  // the content as each event saw it
  list.OnChanging = [&](TObject*) { seen.push_back(L"changing:" + std::to_wstring(list.Count())); };
  list.OnChange = [&](TObject*) { seen.push_back(L"change:" + std::to_wstring(list.Count())); };
  list.Add(L"a");
  list.Clear();
  list.Clear();  // nothing to clear: silent
  list.BeginUpdate();
  list.Add(L"x");
  list.Add(L"y");
  list.EndUpdate();
  list.BeginUpdate();
  list.EndUpdate();
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"changing:0", L"change:1", L"changing:1", L"change:0",
                                             L"changing:0", L"change:2"}));
}

}  // namespace
}  // namespace wf
