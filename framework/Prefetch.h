#pragma once

#if defined(_MSC_VER) && !defined(__clang__)
#include <xmmintrin.h>
#endif

namespace wf {

// Asks for the memory at `address` ahead of its use; never faults, so a null
// or stale address costs nothing but the hint.
inline void PrefetchForRead(const void* address) {
#if defined(_MSC_VER) && !defined(__clang__)
  _mm_prefetch(static_cast<const char*>(address), _MM_HINT_T0);
#else
  __builtin_prefetch(address, 0, 3);
#endif
}

}  // namespace wf
