#pragma once

// Where the measures find what they time: the shell folder of a path and its
// child ids, our list in a shown form, and the message queue between steps.

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <functional>
#include <string>
#include <vector>

#include "bench/BenchCore.h"
#include "framework/Handles.h"
#include "shell/core/IdList.h"

namespace wf {
class TForm;
class TKivShellList;
}  // namespace wf

namespace bench {

// Dispatches whatever is queued; answers whether anything was.
bool PumpPending();

// Dispatches what is queued but paints nothing, so that a paint to be timed
// is still owed afterwards.
void PumpPendingExceptPaint();

Microsoft::WRL::ComPtr<IShellFolder> Desktop();
wf::AbsoluteIdList ParseFolder(IShellFolder* desktop, const std::wstring& folder);

// A folder bound from its path, with an enumeration of its objects started.
struct OpenedFolder {
  Microsoft::WRL::ComPtr<IShellFolder> folder;
  Microsoft::WRL::ComPtr<IEnumIDList> items;
};

OpenedFolder OpenFolder(const std::wstring& path);

// Calls `onItem` with each child id in turn, one Next(1) at a time as a list
// filling row by row would.
template <class OnItem>
void ForEachChild(IEnumIDList* items, OnItem&& onItem) {
  for (;;) {
    PITEMID_CHILD raw = nullptr;
    ULONG fetched = 0;
    HRESULT hr = items->Next(1, &raw, &fetched);
    Check(hr, "IEnumIDList::Next");
    if (hr != S_OK || fetched == 0) break;
    onItem(wf::ChildIdList(raw));
  }
}

// The child ids of a folder, gathered once for the per-item measures.
struct FolderItems {
  Microsoft::WRL::ComPtr<IShellFolder> folder;
  std::vector<wf::ChildIdList> children;
};

FolderItems LoadFolderItems(const std::wstring& folder);

Microsoft::WRL::ComPtr<IShellFolder2> DetailsFolder(IShellFolder* folder);

// A shown top-level window for the platform's own shell view.
wf::UniqueWindow CreateViewHost();

// The platform's list view alone, made as our list makes it: a virtual
// report list of one column in `host`, told it shows `rows` rows.
wf::UniqueWindow CreateBareVirtualList(HWND host, int rows);

// The platform's shell view in details mode, in a host window of its own.
// It is destroyed before its host goes, whatever ends its use.
class ShellViewBrowser {
 public:
  ShellViewBrowser();
  ~ShellViewBrowser() { browser_->Destroy(); }
  ShellViewBrowser(const ShellViewBrowser&) = delete;
  ShellViewBrowser& operator=(const ShellViewBrowser&) = delete;
  IExplorerBrowser* Get() const { return browser_.Get(); }

 private:
  wf::UniqueWindow host_;
  Microsoft::WRL::ComPtr<IExplorerBrowser> browser_;
};

// A shown form with our list in it, as Wayfold has it.
class ListHost {
 public:
  // Makes the list for its form; the shell list itself when none is given.
  using ListFactory = std::function<wf::TKivShellList*(wf::TForm* form)>;
  ListHost() : ListHost(332, 566, nullptr) {}
  ListHost(int client_width, int client_height, const ListFactory& make);
  ~ListHost();
  ListHost(const ListHost&) = delete;
  ListHost& operator=(const ListHost&) = delete;
  wf::TKivShellList& List() { return *list_; }

 private:
  wf::TForm* form_;
  wf::TKivShellList* list_ = nullptr;
};

// The shell columns behind the list's columns 1 and up. The list titles its
// columns with the shell's header texts in the shell's order, so the titles
// identify them.
std::vector<UINT> ShownDetailColumns(wf::TKivShellList& list);

}  // namespace bench
