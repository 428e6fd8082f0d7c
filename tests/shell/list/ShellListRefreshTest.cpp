// The list following changes made behind its back: the merge refresh and
// the refresh timer. Files are made and removed with plain file calls, which
// no change notice reports under Wine; the merge is asked for directly or
// through the list's timer.
#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <functional>
#include <utility>
#include <string>
#include <vector>

#include "framework/ComObject.h"
#include "framework/Control.h"
#include "framework/Handles.h"
#include "shell/core/IdList.h"
#include "shell/core/ShellOperations.h"
#include "tests/framework/FrameworkTestHelpers.h"
#include "tests/shell/list/ShellListTestSupport.h"
#include "tests/support/PassThroughShellFolder.h"

namespace wf::test {
namespace {

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

  TListItem* Row(const std::wstring& folder, const std::wstring& name) {
    return list_->Items()[IndexOfCaption(*list_, ShellDisplayName(folder, name))];
  }

  void MakeNumbered(int count) {
    for (int i = 0; i < count; ++i) folder_.MakeFile(Numbered(i));
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
  MakeNumbered(60);
  TKivShellList& list = Shown(folder_.Path(), true);
  TListItem* selected = Row(folder_.Path(), Numbered(20));
  selected->SetSelected(true);
  selected->SetFocused(true);
  RECT row{LVIR_BOUNDS};
  SendMessageW(list.Handle(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
  SendMessageW(list.Handle(), LVM_SCROLL, 0, (row.bottom - row.top) * 15);
  TListItem* top = list.TopItem();
  ASSERT_GT(top->Index(), 0);
  std::vector<std::wstring> expected = Captions(list);
  folder_.MakeFile(L"b-new.txt");
  folder_.MakeFile(L"a-new.txt");
  for (const std::wstring& name : {Numbered(30), Numbered(50)}) {
    std::erase(expected, ShellDisplayName(folder_.Path(), name));
    ASSERT_TRUE(DeleteFileW((folder_ / name).c_str()));
  }
  int redraw_offs = 0;
  WindowSubclass spy(list.Handle(), [&](HWND, UINT msg, WPARAM wparam, LPARAM, LRESULT) {
    redraw_offs += msg == WM_SETREDRAW && !wparam;
  });

  list.MergeRefresh();

  EXPECT_EQ(redraw_offs, 1);
  std::vector<std::wstring> captions = Captions(list);
  ASSERT_EQ(captions.size(), expected.size() + 2);
  // Appended in the folder's order, not sorted in.
  std::vector<std::wstring> appended(captions.end() - 2, captions.end());
  std::sort(appended.begin(), appended.end());
  EXPECT_EQ(appended, (std::vector<std::wstring>{ShellDisplayName(folder_.Path(), L"a-new.txt"),
                                                 ShellDisplayName(folder_.Path(), L"b-new.txt")}));
  captions.resize(captions.size() - 2);
  EXPECT_EQ(captions, expected);
  EXPECT_EQ(captions.front(), L" .. ");
  EXPECT_EQ(list.SelCount(), 1);
  EXPECT_EQ(list.Selected(), selected);
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
}

// Ghosted rows of hidden files are not on their way anywhere; rows the cut
// command ghosted are, and are reported by their paths, which a caption
// (a link's has no extension) does not give.
TEST_F(ShellListRefresh, OnlyRowsTheCutCommandGhostedAreReportedAsMovedAwayOnce) {
  const std::wstring elsewhere = folder_.MakeFolder(L"elsewhere");
  const std::wstring shown = folder_.MakeFolder(L"shown") + L"\\";
  folder_.MakeFile(L"shown\\a.txt");
  folder_.MakeFile(L"shown\\stays.txt");
  folder_.MakeLink(L"shown\\x.lnk", elsewhere);
  folder_.MakeHiddenFile(L"shown\\hidden.txt");
  TKivShellList& list = Shown(shown, false, true);
  ASSERT_TRUE(Row(shown, L"hidden.txt")->Cut()) << "hidden files are drawn ghosted";
  Row(shown, L"a.txt")->SetSelected(true);
  Row(shown, L"x.lnk")->SetSelected(true);
  ASSERT_TRUE(list.InvokeVerb(L"cut"));
  // As a paste elsewhere would move them.
  for (const wchar_t* name : {L"a.txt", L"x.lnk"})
    ASSERT_TRUE(MoveFileW((shown + name).c_str(), (elsewhere + L"\\" + name).c_str()));
  ASSERT_TRUE(DeleteFileW((shown + L"hidden.txt").c_str()));

  list.MergeRefresh();
  list.MergeRefresh();

  EXPECT_EQ(Captions(list), std::vector<std::wstring>{ShellDisplayName(shown, L"stays.txt")});
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].operations, TKivShellOperations({sopCut, sopRemove}).Bits());
  std::sort(reports_[0].files.begin(), reports_[0].files.end());
  EXPECT_EQ(reports_[0].files, (std::vector<std::wstring>{shown + L"a.txt", shown + L"x.lnk"}));
  EXPECT_EQ(reports_[0].destination, L"");
}

// Rows known by one name (a link's and an internet shortcut's lose their
// extensions) are each matched once, by their own objects: a merge with
// nothing changed keeps every row where it was.
TEST_F(ShellListRefresh, MergeKeepsRowsThatShareANameEachWithItsObject) {
  const std::wstring target = folder_.MakeFolder(L"target");
  const std::wstring shown = folder_.MakeFolder(L"shown") + L"\\";
  folder_.MakeLink(L"shown\\x.lnk", target);
  folder_.MakeFile(L"shown\\x.url");
  folder_.MakeFile(L"shown\\X");
  folder_.MakeFile(L"shown\\other.txt");
  TKivShellList& list = Shown(shown);
  const auto paths = [&] {
    std::vector<std::wstring> result;
    for (int i = 0; i < list.Items().Count(); ++i) result.push_back(list.ItemPath(list.Items()[i]));
    return result;
  };
  const std::vector<std::wstring> before = paths();
  ASSERT_EQ(before.size(), 4u);

  list.MergeRefresh();
  list.MergeRefresh();

  EXPECT_EQ(paths(), before);
}

// Display names without the ".txt" extension, as Windows shows known types
// by default; Wine's shell shows every extension.
class HiddenExtensionFolder : public PassThroughShellFolder {
 public:
  using PassThroughShellFolder::PassThroughShellFolder;
  HRESULT STDMETHODCALLTYPE GetDisplayNameOf(PCUITEMID_CHILD id, SHGDNF flags,
                                             STRRET* name) override {
    const HRESULT hr = real_->GetDisplayNameOf(id, flags, name);
    if (FAILED(hr) || (flags & SHGDN_FORPARSING)) return hr;
    std::wstring text = StrRetToString(id, *name);
    if (text.ends_with(L".txt")) text.resize(text.size() - 4);
    name->uType = STRRET_WSTR;
    return SHStrDupW(text.c_str(), &name->pOleStr);
  }
};

// A folder whose enumeration runs `interrupt` once, inside its second
// object's Next, as an out-of-process folder lets messages through there.
class InterruptingFolder final : public PassThroughShellFolder {
 public:
  using PassThroughShellFolder::PassThroughShellFolder;
  std::function<void()> interrupt;

  HRESULT STDMETHODCALLTYPE EnumObjects(HWND hwnd, SHCONTF flags, IEnumIDList** list) override {
    Microsoft::WRL::ComPtr<IEnumIDList> real;
    const HRESULT hr = real_->EnumObjects(hwnd, flags, real.GetAddressOf());
    if (hr != S_OK) return hr;
    *list = new Enumeration(std::move(real), *this);
    return S_OK;
  }

 private:
  class Enumeration final : public ComObject<IEnumIDList> {
   public:
    Enumeration(Microsoft::WRL::ComPtr<IEnumIDList> real, InterruptingFolder& folder)
        : real_(std::move(real)), folder_(folder) {}
    HRESULT STDMETHODCALLTYPE Next(ULONG count, PITEMID_CHILD* ids, ULONG* fetched) override {
      if (++calls_ == 2 && folder_.interrupt) std::exchange(folder_.interrupt, nullptr)();
      return real_->Next(count, ids, fetched);
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override { return real_->Skip(count); }
    HRESULT STDMETHODCALLTYPE Reset() override { return real_->Reset(); }
    HRESULT STDMETHODCALLTYPE Clone(IEnumIDList** out) override { return real_->Clone(out); }

   private:
    Microsoft::WRL::ComPtr<IEnumIDList> real_;
    InterruptingFolder& folder_;
    int calls_ = 0;
  };
};

// What reaches the list while its merge waits for the shell: another merge,
// a deletion notice, a new path. None may continue the merge's enumeration
// or take rows from under it, and no row of a file that is there goes.
TEST_F(ShellListRefresh, WhatArrivesDuringAMergeWaitsForItsEnd) {
  for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt", L"d.txt"}) folder_.MakeFile(name);
  TKivShellList& list = Shown(folder_.Path());
  AbsoluteIdList id_list;
  auto folder = PassThroughShellFolder::Of<InterruptingFolder>(folder_.Path(), &id_list);
  list.Dirwalker().SetShellFolder(folder, id_list.get());
  list.Populate();
  ASSERT_EQ(list.Items().Count(), 4);
  const AbsoluteIdList d = PathToIdList(folder_ / L"d.txt");
  ASSERT_TRUE(DeleteFileW((folder_ / L"d.txt").c_str()));
  folder_.MakeFile(L"e.txt");
  const auto paths = [&] {
    std::vector<std::wstring> shown;
    for (int i = 0, n = list.Items().Count(); i < n; ++i)
      shown.push_back(list.ItemPath(list.Items()[i]));
    std::sort(shown.begin(), shown.end());
    return shown;
  };
  const std::vector<std::wstring> present{folder_ / L"a.txt", folder_ / L"b.txt",
                                          folder_ / L"c.txt", folder_ / L"e.txt"};

  folder->interrupt = [&] {
    list.MergeRefresh();
    PCIDLIST_ABSOLUTE items[2] = {d.get(), nullptr};
    SendMessageW(list.ChangeNotifier().Handle(), TKivShellChangeNotifier::kNotifyMessage,
                 reinterpret_cast<WPARAM>(items), SHCNE_DELETE);
  };
  list.MergeRefresh();
  EXPECT_EQ(paths(), present);

  // A new path asked for meanwhile is shown once the merge is done.
  folder_.MakeFolder(L"sub");
  folder_.MakeFile(L"sub\\x.txt");
  list.Populate();
  folder->interrupt = [&] { list.SetPath(folder_ / L"sub"); };
  list.MergeRefresh();
  EXPECT_EQ(paths(), std::vector<std::wstring>{folder_ / L"sub\\x.txt"});
}

// A merge is worth it up to 300 rows. A refill sorts, where a merge would
// have appended the new row.
TEST_F(ShellListRefresh, LargeFolderIsRefilledWithItsSelectionKept) {
  MakeNumbered(301);
  TKivShellList& list = Shown(folder_.Path());
  AbsoluteIdList id_list;
  auto folder = PassThroughShellFolder::Of<HiddenExtensionFolder>(folder_.Path(), &id_list);
  list.Dirwalker().SetShellFolder(folder, id_list.get());
  list.Populate();
  TListItem* selected = list.Items()[IndexOfCaption(list, L"f250")];
  selected->SetSelected(true);
  folder_.MakeFile(L"a-new.txt");

  // An open editor would be lost with its row: nothing is refilled under it.
  ASSERT_TRUE(selected->EditCaption());
  list.MergeRefresh();
  EXPECT_EQ(list.Items().Count(), 301);
  SendMessageW(list.Handle(), LVM_CANCELEDITLABEL, 0, 0);

  list.MergeRefresh();
  ASSERT_EQ(list.Items().Count(), 302);
  EXPECT_EQ(list.ItemPath(list.Items()[0]), folder_ / L"a-new.txt");
  ASSERT_EQ(list.SelCount(), 1);
  selected = list.Selected();
  EXPECT_EQ(selected->Caption(), L"f250");
  const int top = list.TopItem()->Index();
  EXPECT_GE(selected->Index(), top);
  EXPECT_LT(selected->Index(), top + list.VisibleRowCount());
}

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

TEST_F(ShellListRefresh, MergeShowsWhatChangedInAFileThatStayed) {
  folder_.MakeFile(L"a.txt", 10);
  TKivShellList& list = Shown(folder_.Path());
  const std::wstring small = ControlSubItemText(list, 0, 1);
  {
    UniqueHandle file(CreateFileW((folder_ / L"a.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_NE(file.get(), INVALID_HANDLE_VALUE);
    LARGE_INTEGER end;
    end.QuadPart = 50000;
    ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.get()));
  }

  list.MergeRefresh();
  UpdateWindow(list.Handle());
  const std::wstring merged = ControlSubItemText(list, 0, 1);
  list.Populate();
  UpdateWindow(list.Handle());

  EXPECT_NE(merged, small);
  EXPECT_EQ(merged, ControlSubItemText(list, 0, 1));
}

TEST_F(ShellListRefresh, LargeFolderRefillPutOffByAnEditRunsWhenTheEditEnds) {
  MakeNumbered(301);
  TKivShellList& list = Shown(folder_.Path());
  folder_.MakeFile(L"a-new.txt");
  ASSERT_TRUE(list.Items()[5]->EditCaption());
  list.MergeRefresh();
  ASSERT_EQ(list.Items().Count(), 301);

  SendMessageW(list.Handle(), LVM_CANCELEDITLABEL, 0, 0);

  EXPECT_TRUE(PumpUntil([&] { return list.Items().Count() == 302; }));
}

TEST_F(ShellListRefresh, LargeFolderRefillKeepsEverySelectedRowTheFocusAndTheTopRow) {
  MakeNumbered(320);
  TKivShellList& list = Shown(folder_.Path());
  for (int i : {100, 104, 300}) list.Items()[i]->SetSelected(true);
  list.Items()[104]->SetFocused(true);
  list.SetTopItem(list.Items()[98]);
  ASSERT_EQ(list.TopItem()->Index(), 98);
  const std::wstring top = list.TopItem()->Caption();
  const auto selected = [&] {
    std::vector<std::wstring> captions;
    for (int i = 0, n = list.Items().Count(); i < n; ++i)
      if (list.Items()[i]->Selected()) captions.push_back(list.Items()[i]->Caption());
    return captions;
  };
  const std::vector<std::wstring> selected_before = selected();
  ASSERT_EQ(selected_before.size(), 3u);
  folder_.MakeFile(L"a-new.txt");  // sorts first, moving every row down

  list.MergeRefresh();

  ASSERT_EQ(list.Items().Count(), 321);
  EXPECT_EQ(selected(), selected_before);
  ASSERT_NE(list.ItemFocused(), nullptr);
  EXPECT_EQ(list.ItemFocused()->Caption(), ShellDisplayName(folder_.Path(), Numbered(104)));
  ASSERT_NE(list.TopItem(), nullptr);
  EXPECT_EQ(list.TopItem()->Caption(), top);
}

}  // namespace
}  // namespace wf::test
