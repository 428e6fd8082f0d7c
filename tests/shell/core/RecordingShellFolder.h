#pragma once

// A shell folder that answers as a real one, except that its context menus
// record how they were invoked and invoke nothing: what a verb hands the
// shell can then be checked where Wine's shell would ignore it.
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "shell/core/IdList.h"
#include "tests/support/PassThroughShellFolder.h"

namespace wf::test {

struct RecordedInvocation {
  DWORD mask = 0;
  HWND owner = nullptr;
  std::string verb;  // a string verb
  int command = -1;  // a command offset
};

// The menu offers one default command ("open", offset 0) when asked for the
// default only and `offers_default` is set.
class RecordingContextMenu final : public IContextMenu {
 public:
  RecordingContextMenu(std::vector<RecordedInvocation>& log, bool offers_default)
      : log_(log), offers_default_(offers_default) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IContextMenu)) {
      *object = static_cast<IContextMenu*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU menu, UINT position, UINT first, UINT,
                                             UINT flags) override {
    if (!offers_default_ || !(flags & CMF_DEFAULTONLY)) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    InsertMenuW(menu, position, MF_BYPOSITION | MF_STRING, first, L"&Open");
    SetMenuDefaultItem(menu, first, FALSE);
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1);
  }
  HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO* info) override {
    RecordedInvocation invocation;
    invocation.mask = info->fMask;
    invocation.owner = info->hwnd;
    if (IS_INTRESOURCE(info->lpVerb))
      invocation.command = LOWORD(reinterpret_cast<UINT_PTR>(info->lpVerb));
    else
      invocation.verb = info->lpVerb;
    log_.push_back(invocation);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR, UINT, UINT*, CHAR*, UINT) override {
    return E_NOTIMPL;
  }

 private:
  std::vector<RecordedInvocation>& log_;
  const bool offers_default_;
  ULONG references_ = 1;
};

class RecordingShellFolder final : public PassThroughShellFolder {
 public:
  // The folder at `path`, its id list in *list.
  static Microsoft::WRL::ComPtr<RecordingShellFolder> Of(const std::wstring& path,
                                                         AbsoluteIdList* list) {
    return PassThroughShellFolder::Of<RecordingShellFolder>(path, list);
  }
  explicit RecordingShellFolder(Microsoft::WRL::ComPtr<IShellFolder2> real)
      : PassThroughShellFolder(std::move(real)) {}

  std::vector<RecordedInvocation> invocations;
  bool offers_default = false;

  HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND owner, UINT count, PCUITEMID_CHILD_ARRAY lists,
                                          REFIID iid, UINT* reserved, void** object) override {
    if (!IsEqualIID(iid, IID_IContextMenu))
      return real_->GetUIObjectOf(owner, count, lists, iid, reserved, object);
    *object = static_cast<IContextMenu*>(new RecordingContextMenu(invocations, offers_default));
    return S_OK;
  }
};

}  // namespace wf::test
