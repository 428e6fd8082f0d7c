// The list following changes made behind its back: the merge refresh and
// the refresh timer. Files are made and removed with plain file calls, which
// no change notice reports under Wine; the merge is asked for directly or
// through the list's timer.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "shell/core/IdList.h"
#include "shell/core/ShellOperations.h"
#include "tests/framework/FrameworkTestHelpers.h"
#include "tests/shell/list/ShellListTestSupport.h"
#include "tests/support/PassThroughShellFolder.h"

namespace wf::test {
namespace {

constexpr wchar_t kParentCaption[] = L" .. ";
constexpr int kMergeLimit = 300;

struct Report {
  uint16_t operations;
  std::vector<std::wstring> files;
  std::wstring destination;
};

class ShellListRefresh : public ShellListTest {
 protected:
  ~ShellListRefresh() override {
    if (list_) list_->OnOperation = nullptr;
  }

  TKivShellList& Shown(const std::wstring& path, bool parent_entry = false, bool hidden = false) {
    list_ = &MakeList();
    list_->SetShowParentFolder(parent_entry);
    list_->SetShowHidden(hidden);
    list_->SetPath(path);
    list_->OnOperation = [this](TObject*, TKivShellOperations operations, const TStringList& files,
                                const std::wstring& destination) {
      reports_.push_back({operations.Bits(), files.Items(), destination});
    };
    ShowAndDraw();
    return *list_;
  }

  TListItem* Row(const std::wstring& name) {
    const int index = IndexOfCaption(*list_, ShellDisplayName(folder_.Path(), name));
    return index < 0 ? nullptr : list_->Items()[index];
  }

  static std::wstring Numbered(int i) {
    wchar_t name[32];
    swprintf(name, 32, L"f%03d.txt", i);
    return name;
  }

  TKivShellList* list_ = nullptr;
  std::vector<Report> reports_;
};

TEST_F(ShellListRefresh, MergeAppendsNewRowsDropsVanishedOnesAndKeepsSelectionAndScroll) {
  for (int i = 0; i < 60; ++i) folder_.MakeFile(Numbered(i));
  TKivShellList& list = Shown(folder_.Path(), true);
  TListItem* selected = Row(Numbered(20));
  ASSERT_NE(selected, nullptr);
  selected->SetSelected(true);
  selected->SetFocused(true);
  RECT row{LVIR_BOUNDS};
  SendMessageW(list.Handle(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
  SendMessageW(list.Handle(), LVM_SCROLL, 0, (row.bottom - row.top) * 15);
  TListItem* top = list.TopItem();
  ASSERT_NE(top, nullptr);
  ASSERT_GT(top->Index(), 0);
  std::vector<std::wstring> expected = Captions(list);

  folder_.MakeFile(L"b-new.txt");
  folder_.MakeFile(L"a-new.txt");
  for (const std::wstring& name : {Numbered(30), Numbered(50)}) {
    std::erase(expected, ShellDisplayName(folder_.Path(), name));
    ASSERT_TRUE(DeleteFileW((folder_ / name).c_str()));
  }
  list.MergeRefresh();

  std::vector<std::wstring> captions = Captions(list);
  ASSERT_EQ(captions.size(), expected.size() + 2);
  // Appended in the order the folder gave them, not sorted in.
  std::vector<std::wstring> appended(captions.end() - 2, captions.end());
  std::sort(appended.begin(), appended.end());
  EXPECT_EQ(appended, (std::vector<std::wstring>{ShellDisplayName(folder_.Path(), L"a-new.txt"),
                                                 ShellDisplayName(folder_.Path(), L"b-new.txt")}));
  captions.resize(captions.size() - 2);
  EXPECT_EQ(captions, expected);
  EXPECT_EQ(captions.front(), kParentCaption);
  EXPECT_EQ(list.Selected(), selected);
  EXPECT_EQ(list.SelCount(), 1);
  EXPECT_EQ(list.ItemFocused(), selected);
  EXPECT_EQ(list.TopItem(), top);
}

TEST_F(ShellListRefresh, TimerMergesWhatChangedOnDisk) {
  folder_.MakeFile(L"a.txt");
  folder_.MakeFile(L"b.txt");
  TKivShellList& list = Shown(folder_.Path());
  folder_.MakeFile(L"c.txt");
  ASSERT_TRUE(DeleteFileW((folder_ / L"a.txt").c_str()));
  const std::vector<std::wstring> expected{ShellDisplayName(folder_.Path(), L"b.txt"),
                                           ShellDisplayName(folder_.Path(), L"c.txt")};

  list.RestartRefreshTimer();
  EXPECT_TRUE(PumpUntil([&] { return Captions(list) == expected; }));
  EXPECT_TRUE(reports_.empty());
}

// Ghosted rows of hidden files are not on their way anywhere; rows the cut
// command ghosted are, and are reported by their paths, which a caption
// (without a link's extension) does not give.
TEST_F(ShellListRefresh, OnlyRowsTheCutCommandGhostedAreReportedAsMovedAwayOnce) {
  const std::wstring elsewhere = folder_.MakeFolder(L"elsewhere");
  const std::wstring shown = folder_.MakeFolder(L"shown");
  folder_.MakeFile(L"shown\\a.txt");
  folder_.MakeFile(L"shown\\stays.txt");
  folder_.MakeLink(L"shown\\x.lnk", elsewhere);
  folder_.MakeHiddenFile(L"shown\\hidden.txt");
  TKivShellList& list = Shown(shown + L"\\", false, true);
  const auto row_of = [&](const std::wstring& name) {
    return list.Items()[IndexOfCaption(list, ShellDisplayName(shown + L"\\", name))];
  };
  ASSERT_TRUE(row_of(L"hidden.txt")->Cut()) << "hidden files are drawn ghosted";
  list.ClearSelection();
  row_of(L"a.txt")->SetSelected(true);
  row_of(L"x.lnk")->SetSelected(true);
  ASSERT_TRUE(list.InvokeVerb(L"cut"));

  // As a paste elsewhere would move them.
  for (const wchar_t* name : {L"a.txt", L"x.lnk"})
    ASSERT_TRUE(MoveFileW((shown + L"\\" + name).c_str(), (elsewhere + L"\\" + name).c_str()));
  ASSERT_TRUE(DeleteFileW((shown + L"\\hidden.txt").c_str()));
  list.MergeRefresh();

  EXPECT_EQ(Captions(list),
            std::vector<std::wstring>{ShellDisplayName(shown + L"\\", L"stays.txt")});
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].operations, TKivShellOperations({sopCut, sopRemove}).Bits());
  std::vector<std::wstring> files = reports_[0].files;
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::wstring>{shown + L"\\a.txt", shown + L"\\x.lnk"}));
  EXPECT_EQ(reports_[0].destination, L"");

  list.MergeRefresh();
  EXPECT_EQ(reports_.size(), 1u);
}

// A folder whose display names hide the ".txt" extension, as Windows does
// for known types by default; Wine's shows every extension.
class HiddenExtensionFolder : public PassThroughShellFolder {
 public:
  using PassThroughShellFolder::PassThroughShellFolder;
  HRESULT STDMETHODCALLTYPE GetDisplayNameOf(PCUITEMID_CHILD id, SHGDNF flags,
                                             STRRET* name) override {
    const HRESULT hr = real_->GetDisplayNameOf(id, flags, name);
    if (FAILED(hr) || (flags & SHGDN_FORPARSING)) return hr;
    std::wstring text = StrRetToString(id, *name);
    if (text.size() > 4 && SameText(std::wstring_view(text).substr(text.size() - 4), L".txt"))
      text.resize(text.size() - 4);
    name->uType = STRRET_WSTR;
    name->pOleStr = static_cast<wchar_t*>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
    if (!name->pOleStr) return E_OUTOFMEMORY;
    text.copy(name->pOleStr, text.size());
    name->pOleStr[text.size()] = L'\0';
    return S_OK;
  }
};

class ShellListLargeRefresh : public ShellListRefresh,
                              public ::testing::WithParamInterface<bool> {};

// Refilled, so sorted: a merge would have appended the new row.
TEST_P(ShellListLargeRefresh, LargeFolderIsRefilledWithItsSelectionKept) {
  const bool hide_extensions = GetParam();
  for (int i = 0; i < kMergeLimit + 1; ++i) folder_.MakeFile(Numbered(i));
  TKivShellList& list = Shown(folder_.Path());
  if (hide_extensions) {
    AbsoluteIdList id_list;
    auto folder = PassThroughShellFolder::Of<HiddenExtensionFolder>(folder_.Path(), &id_list);
    list.Dirwalker().SetShellFolder(folder, id_list.get());
    list.Populate();
  }
  ASSERT_EQ(list.Items().Count(), kMergeLimit + 1);
  const std::wstring caption = hide_extensions ? L"f250" : L"f250.txt";
  const int index = IndexOfCaption(list, caption);
  ASSERT_GE(index, 0);
  list.Items()[index]->SetSelected(true);

  // While a name is edited nothing is refilled under the editor.
  ASSERT_TRUE(list.Items()[index]->EditCaption());
  folder_.MakeFile(L"a-new.txt");
  list.MergeRefresh();
  EXPECT_TRUE(list.IsEditing());
  EXPECT_EQ(list.Items().Count(), kMergeLimit + 1);
  SendMessageW(list.Handle(), LVM_CANCELEDITLABEL, 0, 0);

  list.MergeRefresh();
  ASSERT_EQ(list.Items().Count(), kMergeLimit + 2);
  EXPECT_EQ(list.ItemPath(list.Items()[0]), folder_ / L"a-new.txt");
  ASSERT_EQ(list.SelCount(), 1);
  TListItem* selected = list.Selected();
  EXPECT_EQ(selected->Caption(), caption);
  const int top = list.TopItem()->Index();
  EXPECT_GE(selected->Index(), top);
  EXPECT_LT(selected->Index(), top + list.VisibleRowCount());
}

INSTANTIATE_TEST_SUITE_P(Extensions, ShellListLargeRefresh, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "Hidden" : "Shown";
                         });

TEST_F(ShellListRefresh, TimerMovesAListWhoseFolderVanishedToMyComputer) {
  const std::wstring gone = folder_.MakeFolder(L"gone");
  folder_.MakeFile(L"gone\\a.txt");
  TKivShellList& list = Shown(gone + L"\\");
  ErrorDisplayCapture errors;
  ASSERT_TRUE(RemoveFolderTree(gone));

  list.RestartRefreshTimer();
  EXPECT_TRUE(PumpUntil([&] { return list.SpecialFolder() == SF_DRIVES; }));
  EXPECT_EQ(list.Path(), L"");
  EXPECT_TRUE(errors.messages.empty());
}

}  // namespace
}  // namespace wf::test
