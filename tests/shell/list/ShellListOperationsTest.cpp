// The list's report of file operations.
#include <algorithm>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "framework/Control.h"
#include "shell/core/ShellOperations.h"
#include "tests/shell/core/DeleteConfirmation.h"
#include "tests/shell/list/ShellListTestSupport.h"

namespace wf::test {
namespace {

constexpr wchar_t kParentCaption[] = L" .. ";

struct Report {
  uint16_t operations;
  std::vector<std::wstring> files;
  std::wstring destination;
  int rows_then;
};

class ShellListOperations : public ShellListTest {
 protected:
  TKivShellList& ListOfThree() {
    folder_.MakeFile(L"a.txt");
    folder_.MakeFile(L"b.txt");
    folder_.MakeFile(L"c.txt");
    TKivShellList& list = MakeList();
    list.SetShowParentFolder(true);
    list.SetPath(folder_.Path());
    list.OnOperation = [this, &list](TObject*, TKivShellOperations operations,
                                     const TStringList& files, const std::wstring& destination) {
      reports_.push_back({operations.Bits(), files.Items(), destination, list.Items().Count()});
    };
    return list;
  }

  void Select(TKivShellList& list, const std::wstring& name) {
    const int index = IndexOfCaption(list, ShellDisplayName(folder_.Path(), name));
    ASSERT_GE(index, 0) << "no row for " << std::string(name.begin(), name.end());
    list.Items()[index]->SetSelected(true);
  }

  std::vector<std::wstring> Names(TKivShellList& list) {
    std::vector<std::wstring> names;
    for (int i = 0, n = list.Items().Count(); i < n; ++i) {
      TListItem* item = list.Items()[i];
      TKivShellListItem* record = TKivShellList::RecordOf(item);
      names.push_back(record && record->IsParentEntry ? kParentCaption : list.ItemPath(item));
    }
    return names;
  }

  std::unique_ptr<TStringList> Paths(std::initializer_list<std::wstring> names) {
    auto files = std::make_unique<TStringList>();
    for (const std::wstring& name : names) files->Add(folder_ / name);
    return files;
  }

  std::vector<Report> reports_;
};

// As the Delete key does it: the folder object deletes the selected names,
// the list reports those that went.
TEST_F(ShellListOperations, DeleteOfTwoRemovesBothRowsInOneBracketThenReports) {
  TKivShellList& list = ListOfThree();
  Select(list, L"a.txt");
  Select(list, L"b.txt");
  list.Dirwalker().MultiObjects().Assign(list.SelectedNames().Items());
  std::vector<std::wstring> gone;
  {
    DeleteConfirmation confirmation(IDYES);
    ASSERT_TRUE(list.Dirwalker().RunVerb(L"delete", {.gone = &gone}));
  }
  auto files = std::make_unique<TStringList>();
  for (const std::wstring& name : gone) files->Add(list.Path() + name);

  // The rows are removed with the control's drawing off: each row's notice
  // comes inside the one bracket, and the control learns the new count.
  int redraw_offs = 0, deletions = 0, deletions_outside_bracket = 0;
  bool drawing = true;
  WindowSubclass spy(list.Handle(), [&](HWND, UINT msg, WPARAM wparam, LPARAM, LRESULT) {
    if (msg == WM_SETREDRAW) {
      redraw_offs += wparam == FALSE;
      drawing = wparam != FALSE;
    }
  });
  list.OnDeletion = [&](TObject*, TListItem*) {
    ++deletions;
    deletions_outside_bracket += drawing;
  };
  list.ReportOperation({sopDelete, sopRemove}, std::move(files), L"");

  EXPECT_EQ(redraw_offs, 1);
  EXPECT_EQ(deletions, 2);
  EXPECT_EQ(deletions_outside_bracket, 0);
  EXPECT_EQ(SendMessageW(list.Handle(), LVM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(Names(list), (std::vector<std::wstring>{kParentCaption, folder_ / L"c.txt"}));
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].operations, 0x0C0);
  EXPECT_EQ(reports_[0].files, (std::vector<std::wstring>{folder_ / L"a.txt", folder_ / L"b.txt"}));
  EXPECT_EQ(reports_[0].destination, L"");
  EXPECT_EQ(reports_[0].rows_then, 2) << "the rows leave before the report";
}

// Everything selected (Ctrl+A) and only some objects gone: the parent entry
// and the rows of objects still there stay.
TEST_F(ShellListOperations, DeleteReportKeepsParentEntryAndObjectsStillThere) {
  TKivShellList& list = ListOfThree();
  list.SelectAll();
  ASSERT_EQ(list.SelCount(), 4);
  ASSERT_TRUE(DeleteFileW((folder_ / L"b.txt").c_str()));

  list.ReportOperation({sopDelete, sopRemove}, Paths({L"b.txt"}), L"");

  EXPECT_EQ(Names(list),
            (std::vector<std::wstring>{kParentCaption, folder_ / L"a.txt", folder_ / L"c.txt"}));
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].files, std::vector<std::wstring>{folder_ / L"b.txt"});
}

TEST_F(ShellListOperations, ReportsNeedFilesAndRemoveRowsOnlyForDelete) {
  TKivShellList& list = ListOfThree();
  Select(list, L"a.txt");
  ASSERT_TRUE(DeleteFileW((folder_ / L"a.txt").c_str()));

  list.ReportOperation({sopCut, sopRemove}, Paths({L"a.txt"}), L"");
  EXPECT_EQ(list.Items().Count(), 4) << "only a delete removes the selection";
  list.ReportOperation({sopDelete, sopRemove}, std::make_unique<TStringList>(), L"");
  list.ReportOperation({sopDelete, sopRemove}, nullptr, L"");
  EXPECT_EQ(list.Items().Count(), 3);

  list.ReportOperation({sopRename}, Paths({L"b.txt"}), folder_ / L"d.txt");
  ASSERT_EQ(reports_.size(), 2u) << "empty or absent file lists are not reported";
  EXPECT_EQ(reports_[0].operations, 0x090);
  EXPECT_EQ(reports_[1].operations, 0x200);
  EXPECT_EQ(reports_[1].destination, folder_ / L"d.txt");

  list.OnOperation = nullptr;
  list.ReportOperation({sopRename}, Paths({L"b.txt"}), L"");  // no handler: nothing to call
  EXPECT_EQ(reports_.size(), 2u);
}

// A report of many rows reads their folder once instead of looking each
// file up: the same rows must go as when each is looked up.
TEST_F(ShellListOperations, DeleteReportOfManyRowsRemovesExactlyTheGoneOnes) {
  std::vector<std::wstring> expected{kParentCaption};
  for (int i = 0; i < 150; ++i) {
    const std::wstring path = folder_.MakeFile(L"file" + std::to_wstring(1000 + i) + L".txt");
    if (i % 3 == 0) expected.push_back(path);
  }
  folder_.MakeFolder(L"zsub");
  expected.push_back(folder_ / L"zsub");
  TKivShellList& list = ListOfThree();
  list.SelectAll();
  auto files = std::make_unique<TStringList>();
  for (int i = 0; i < 150; ++i) {
    if (i % 3 == 0) continue;
    const std::wstring path = folder_ / (L"file" + std::to_wstring(1000 + i) + L".txt");
    ASSERT_TRUE(DeleteFileW(path.c_str()));
    files->Add(path);
  }
  for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt"})
    expected.insert(expected.begin() + 1, folder_ / name);
  std::sort(expected.begin() + 1, expected.end());

  list.ReportOperation({sopDelete, sopRemove}, std::move(files), L"");

  std::vector<std::wstring> names = Names(list);
  std::sort(names.begin() + 1, names.end());
  EXPECT_EQ(names, expected);
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].files.size(), 100u);
}

// Rows after a removed one learn their new places once, at the end: every
// row must still know its place, and every removed row have had its notice.
TEST_F(ShellListOperations, RemovingEveryOtherRowKeepsThePlacesRight) {
  TKivShellList& list = ListOn(folder_.Path());
  std::vector<TListItem*> rows, kept, noticed;
  for (int i = 0; i < 200; ++i) (i % 2 ? kept : rows).push_back(list.Items().Add());
  list.OnDeletion = [&](TObject*, TListItem* item) { noticed.push_back(item); };
  rows.push_back(rows.front());  // named twice, deleted once

  list.RemoveRows(rows);

  EXPECT_EQ(noticed.size(), 100u);
  ASSERT_EQ(list.Items().Count(), 100);
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(list.Items()[i], kept[static_cast<size_t>(i)]);
    EXPECT_EQ(kept[static_cast<size_t>(i)]->Index(), i);
  }
  EXPECT_EQ(ListView_GetItemCount(list.Handle()), 100);
}

}  // namespace
}  // namespace wf::test
