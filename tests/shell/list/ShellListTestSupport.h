#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "framework/Form.h"
#include "framework/Strings.h"
#include "framework/Timer.h"
#include "shell/core/Dirwalker.h"
#include "shell/list/ShellControls.h"
#include "tests/support/TempFolder.h"

namespace wf::test {

// A shell list hosted in a real form, over a fresh folder of its own. The
// form (and with it the list) goes before the folder is removed.
class ShellListTest : public ::testing::Test {
 protected:
  ~ShellListTest() override { DestroyForm(); }

  // A list created outside any loading bracket: it has no window and no rows
  // until something asks for them. A test may make a list of a class derived
  // from the shell list.
  template <class List = TKivShellList>
  List& MakeList() {
    MakeForm();
    auto* list = new List(form_.get());
    list_ = list;
    list_->SetParent(form_.get());
    list_->SetAlign(TAlign::alClient);
    return *list;
  }

  // A list created the way a stored form description creates it: inside the
  // owner's loading bracket, which the caller closes with EndLoading().
  TKivShellList& MakeLoadingList() {
    MakeForm();
    form_->BeginLoading();
    list_ = new TKivShellList(form_.get());
    list_->SetParent(form_.get());
    list_->SetAlign(TAlign::alClient);
    return *list_;
  }
  void EndLoading() { form_->EndLoading(); }

  TKivShellList& ListOn(const std::wstring& path) {
    TKivShellList& list = MakeList();
    list.SetPath(path);
    return list;
  }

  // Shows the form and has every visible row drawn now.
  void ShowAndDraw() {
    form_->Show();
    UpdateWindow(form_->Handle());
    UpdateWindow(list_->Handle());
  }

  void DestroyForm() {
    if (list_) {
      // Handlers of a test must not outlive it.
      list_->OnAddItem = nullptr;
      list_->OnDeletion = nullptr;
      list_->OnCompare = nullptr;
      list_->OnGetImageIndex = nullptr;
      list_->OnPopulated = nullptr;
      list_->OnPathChanged = nullptr;
      list_->OnCreateColumns = nullptr;
      list_->OnChange = nullptr;
    }
    list_ = nullptr;
    form_.reset();
  }

  TForm& Form() { return *form_; }

  // The list's row of the object `name` of the test's folder, found by the
  // shell's display name; the parent entry by its caption " .. ".
  TListItem* Row(TKivShellList& list, const std::wstring& name);
  // Selects those rows and no others.
  void SelectOnly(TKivShellList& list, std::initializer_list<std::wstring> names);

  TempFolder folder_;

 private:
  void MakeForm() {
    form_ = std::make_unique<TForm>(nullptr);
    form_->SetBounds(10, 10, 420, 560);
  }

  std::unique_ptr<TForm> form_;
  TKivShellList* list_ = nullptr;
};

inline std::vector<std::wstring> Captions(TKivShellList& list) {
  std::vector<std::wstring> captions;
  for (int i = 0, n = list.Items().Count(); i < n; ++i)
    captions.push_back(list.Items()[i]->Caption());
  return captions;
}

inline bool HasCaption(TKivShellList& list, const std::wstring& caption) {
  for (const std::wstring& c : Captions(list))
    if (c == caption) return true;
  return false;
}

inline int IndexOfCaption(TKivShellList& list, const std::wstring& caption) {
  for (int i = 0, n = list.Items().Count(); i < n; ++i)
    if (list.Items()[i]->Caption() == caption) return i;
  return -1;
}

// The shell's own display name of the object `name` in `folder`, asked of a
// folder object of its own, so that it owes nothing to the list.
inline std::wstring ShellDisplayName(const std::wstring& folder, const std::wstring& name) {
  TDirwalker walker(nullptr);
  walker.SetShowErrorMessages(false);
  walker.SetFolder(folder);
  walker.SetObjectName(name);
  return walker.DisplayName();
}

inline TListItem* ShellListTest::Row(TKivShellList& list, const std::wstring& name) {
  const std::wstring caption = name == L" .. " ? name : ShellDisplayName(folder_.Path(), name);
  const int index = IndexOfCaption(list, caption);
  return index < 0 ? nullptr : list.Items()[index];
}

inline void ShellListTest::SelectOnly(TKivShellList& list,
                                      std::initializer_list<std::wstring> names) {
  list.ClearSelection();
  for (const std::wstring& name : names) {
    TListItem* row = Row(list, name);
    ASSERT_NE(row, nullptr);
    row->SetSelected(true);
  }
}

// A list that counts its merges.
class CountingList : public TKivShellList {
 public:
  using TKivShellList::TKivShellList;
  void MergeRefresh() override {
    ++merges;
    TKivShellList::MergeRefresh();
  }
  int merges = 0;
};

// The list's refresh timer, which gathers changes into one merge: enabled
// while a merge is due. The one timer among the list's components.
inline TTimer* RefreshTimerOf(TKivShellList& list) {
  for (int i = 0; i < list.ComponentCount(); ++i)
    if (auto* timer = dynamic_cast<TTimer*>(list.Components(i))) return timer;
  return nullptr;
}

// Fires the list's refresh timer as its message would, without waiting for
// the clock; false, firing nothing, when no merge is due.
inline bool FireRefreshTimer(TKivShellList& list) {
  TTimer* timer = RefreshTimerOf(list);
  if (!timer || !timer->Enabled()) return false;
  timer->OnTimer(timer);
  return true;
}

// The id of `name` in `folder`, owned by the caller.
inline ChildIdList ShellItemId(const std::wstring& folder, const std::wstring& name) {
  TDirwalker walker(nullptr);
  walker.SetShowErrorMessages(false);
  walker.SetFolder(folder);
  walker.SetObjectName(name);
  return walker.ObjectIdCopy();
}

// The text the control itself shows for a row's column (it asks for it on
// demand).
inline std::wstring ControlSubItemText(TKivShellList& list, int row, int column) {
  wchar_t buffer[MAX_PATH] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = MAX_PATH;
  SendMessageW(list.Handle(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return buffer;
}

inline std::wstring ControlText(TKivShellList& list, int index) {
  return ControlSubItemText(list, index, 0);
}

// The events of full populations, in the order they were raised.
struct EventLog {
  std::vector<std::string> events;

  void Attach(TKivShellList& list) {
    list.OnCreateColumns = [this](TObject*) { events.push_back("CreateColumns"); };
    list.OnAddItem = [this](TListItem*, bool&) { events.push_back("AddItem"); };
    list.OnPopulated = [this](TObject*) { events.push_back("Populated"); };
    list.OnPathChanged = [this](TObject*) { events.push_back("PathChanged"); };
  }
  int Count(const std::string& name) const {
    int n = 0;
    for (const std::string& e : events) n += e == name;
    return n;
  }
};

}  // namespace wf::test
