#pragma once

// A shell folder that answers every question with a real folder's answer, for
// test folders that change only what Wine's shell cannot show: they override
// the few methods they change.
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <string>
#include <utility>

#include "shell/core/IdList.h"
#include "shell/core/ShellModule.h"

namespace wf::test {

class PassThroughShellFolder : public IShellFolder2 {
 public:
  // A folder of type F (derived from this one) over the folder at `path`,
  // its id list in *list.
  template <class F, class... Args>
  static Microsoft::WRL::ComPtr<F> Of(const std::wstring& path, AbsoluteIdList* list,
                                      Args&&... args) {
    *list = PathToIdList(path);
    Microsoft::WRL::ComPtr<IShellFolder2> real;
    ShellModule::DesktopFolder()->BindToObject(list->get(), nullptr, IID_IShellFolder2,
                                               reinterpret_cast<void**>(real.GetAddressOf()));
    Microsoft::WRL::ComPtr<F> folder;
    folder.Attach(new F(std::move(real), std::forward<Args>(args)...));
    return folder;
  }

  // A folder of type F over the shell's desktop, for a test to put in its
  // place (ShellModule::DesktopFolderOverride).
  template <class F, class... Args>
  static Microsoft::WRL::ComPtr<F> OverDesktop(Args&&... args) {
    Microsoft::WRL::ComPtr<IShellFolder2> real;
    ShellModule::DesktopFolder()->QueryInterface(IID_IShellFolder2,
                                                 reinterpret_cast<void**>(real.GetAddressOf()));
    Microsoft::WRL::ComPtr<F> folder;
    folder.Attach(new F(std::move(real), std::forward<Args>(args)...));
    return folder;
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IShellFolder) ||
        IsEqualIID(iid, IID_IShellFolder2)) {
      *object = static_cast<IShellFolder2*>(this);
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

  // IShellFolder
  HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND hwnd, IBindCtx* bind, LPWSTR name, ULONG* eaten,
                                             PIDLIST_RELATIVE* list, ULONG* attributes) override {
    return real_->ParseDisplayName(hwnd, bind, name, eaten, list, attributes);
  }
  HRESULT STDMETHODCALLTYPE EnumObjects(HWND hwnd, SHCONTF flags, IEnumIDList** list) override {
    return real_->EnumObjects(hwnd, flags, list);
  }
  HRESULT STDMETHODCALLTYPE BindToObject(PCUIDLIST_RELATIVE id, IBindCtx* bind, REFIID iid,
                                         void** out) override {
    return real_->BindToObject(id, bind, iid, out);
  }
  HRESULT STDMETHODCALLTYPE BindToStorage(PCUIDLIST_RELATIVE id, IBindCtx* bind, REFIID iid,
                                          void** out) override {
    return real_->BindToStorage(id, bind, iid, out);
  }
  HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM param, PCUIDLIST_RELATIVE a,
                                       PCUIDLIST_RELATIVE b) override {
    return real_->CompareIDs(param, a, b);
  }
  HRESULT STDMETHODCALLTYPE CreateViewObject(HWND owner, REFIID iid, void** out) override {
    return real_->CreateViewObject(owner, iid, out);
  }
  HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT count, PCUITEMID_CHILD_ARRAY ids,
                                            SFGAOF* attributes) override {
    return real_->GetAttributesOf(count, ids, attributes);
  }
  HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND owner, UINT count, PCUITEMID_CHILD_ARRAY ids,
                                          REFIID iid, UINT* reserved, void** out) override {
    return real_->GetUIObjectOf(owner, count, ids, iid, reserved, out);
  }
  HRESULT STDMETHODCALLTYPE GetDisplayNameOf(PCUITEMID_CHILD id, SHGDNF flags,
                                             STRRET* name) override {
    return real_->GetDisplayNameOf(id, flags, name);
  }
  HRESULT STDMETHODCALLTYPE SetNameOf(HWND hwnd, PCUITEMID_CHILD id, LPCWSTR name, SHGDNF flags,
                                      PITEMID_CHILD* out) override {
    return real_->SetNameOf(hwnd, id, name, flags, out);
  }

  // IShellFolder2
  HRESULT STDMETHODCALLTYPE GetDefaultSearchGUID(GUID* guid) override {
    return real_->GetDefaultSearchGUID(guid);
  }
  HRESULT STDMETHODCALLTYPE EnumSearches(IEnumExtraSearch** searches) override {
    return real_->EnumSearches(searches);
  }
  HRESULT STDMETHODCALLTYPE GetDefaultColumn(DWORD reserved, ULONG* sort, ULONG* display) override {
    return real_->GetDefaultColumn(reserved, sort, display);
  }
  HRESULT STDMETHODCALLTYPE GetDefaultColumnState(UINT column, SHCOLSTATEF* state) override {
    return real_->GetDefaultColumnState(column, state);
  }
  HRESULT STDMETHODCALLTYPE GetDetailsEx(PCUITEMID_CHILD id, const SHCOLUMNID* column,
                                         VARIANT* value) override {
    return real_->GetDetailsEx(id, column, value);
  }
  HRESULT STDMETHODCALLTYPE GetDetailsOf(PCUITEMID_CHILD id, UINT column,
                                         SHELLDETAILS* details) override {
    return real_->GetDetailsOf(id, column, details);
  }
  HRESULT STDMETHODCALLTYPE MapColumnToSCID(UINT column, SHCOLUMNID* id) override {
    return real_->MapColumnToSCID(column, id);
  }

 protected:
  explicit PassThroughShellFolder(Microsoft::WRL::ComPtr<IShellFolder2> real)
      : real_(std::move(real)) {}
  virtual ~PassThroughShellFolder() = default;

  Microsoft::WRL::ComPtr<IShellFolder2> real_;

 private:
  ULONG references_ = 1;
};

}  // namespace wf::test
