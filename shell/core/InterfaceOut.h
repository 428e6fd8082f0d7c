#pragma once

#include <wrl/client.h>

namespace wf {

// The out parameter of a call that hands back an interface asked for by
// IID: MinGW's headers give several shell interfaces no __uuidof, so
// IID_PPV_ARGS cannot name them. Releases what the pointer held first.
template <class I>
void** OutVoid(Microsoft::WRL::ComPtr<I>& pointer) {
  return reinterpret_cast<void**>(pointer.ReleaseAndGetAddressOf());
}

}  // namespace wf
