#pragma once

#include <windows.h>

#include <new>
#include <type_traits>

#include "framework/Application.h"

namespace wf {

// The body of every COM method we implement: the platform calls these from
// its own frames, so no exception may leave them. Runs `body`, which answers
// an HRESULT (or nothing, meaning S_OK); an escaping exception goes to the
// application's error display and becomes E_OUTOFMEMORY for std::bad_alloc,
// E_UNEXPECTED for anything else.
template <class Body>
HRESULT GuardedCom(TObject* sender, Body&& body) noexcept {
  try {
    if constexpr (std::is_void_v<std::invoke_result_t<Body&>>) {
      body();
      return S_OK;
    } else {
      return body();
    }
  } catch (const std::bad_alloc&) {
    if (Application) Application->HandleException(sender);
    return E_OUTOFMEMORY;
  } catch (...) {
    if (Application) Application->HandleException(sender);
    return E_UNEXPECTED;
  }
}

}  // namespace wf
