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

}  // namespace
}  // namespace wf
