#pragma once

#include <windows.h>
#include <unknwn.h>

namespace wf {

// The COM face of an object that lives by its owner, not by its references:
// a component hands the platform interfaces it implements itself (a list's
// drop target), and no reference the platform takes keeps it alive or frees
// it. Whoever owns it takes back what it handed out (RevokeDragDrop, the end
// of a drag loop) before it goes; the count is kept so that can be seen.
template <class... Interfaces>
class ComInterfaces : public Interfaces... {
 public:
  ComInterfaces(const ComInterfaces&) = delete;
  ComInterfaces& operator=(const ComInterfaces&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown)) *object = static_cast<First*>(this);
    ((*object == nullptr && IsEqualIID(iid, __uuidof(Interfaces))
          ? void(*object = static_cast<Interfaces*>(this))
          : void()),
     ...);
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override { return references_ ? --references_ : 0; }

  // References the platform still holds.
  ULONG References() const { return references_; }

 protected:
  ComInterfaces() = default;
  ~ComInterfaces() = default;

 private:
  template <class Head, class...>
  struct FirstOf {
    using Type = Head;
  };
  using First = typename FirstOf<Interfaces...>::Type;

  ULONG references_ = 0;
};

}  // namespace wf
