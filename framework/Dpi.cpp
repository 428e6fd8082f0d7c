// Densities: awareness, the system's and a window's density, metrics and
// the icon-title font at a density.
#include "framework/Dpi.h"

namespace wf {
namespace {

// The density calls came with later systems than the program runs on, so
// each is looked up by name and its absence answered by the older way.
template <typename Function>
Function User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                : nullptr;
}

using AwarenessContext = HANDLE;
// The platform's handles for per-monitor awareness, second version.
const AwarenessContext kPerMonitorAwareV2 = reinterpret_cast<AwarenessContext>(-4);
constexpr int kProcessPerMonitorDpiAware = 2;

}  // namespace

int NearestSize(int wanted, const int* sizes, int count) {
  int best = sizes[0];
  for (int i = 1; i < count; ++i) {
    const int gap = sizes[i] > wanted ? sizes[i] - wanted : wanted - sizes[i];
    const int best_gap = best > wanted ? best - wanted : wanted - best;
    if (gap < best_gap) best = sizes[i];
  }
  return best;
}

void BecomeDpiAware() {
  using SetContextFn = BOOL(WINAPI*)(AwarenessContext);
  if (auto set_context = User32Function<SetContextFn>("SetProcessDpiAwarenessContext")) {
    // Fails with "access denied" when the manifest has already set it.
    if (set_context(kPerMonitorAwareV2) || GetLastError() == ERROR_ACCESS_DENIED) return;
  }
  if (HMODULE shcore = LoadLibraryW(L"shcore.dll")) {
    using SetAwarenessFn = HRESULT(WINAPI*)(int);
    auto set_awareness = reinterpret_cast<SetAwarenessFn>(
        reinterpret_cast<void*>(GetProcAddress(shcore, "SetProcessDpiAwareness")));
    // The library stays loaded: the process keeps using it for the setting.
    const HRESULT hr = set_awareness ? set_awareness(kProcessPerMonitorDpiAware) : E_NOTIMPL;
    if (SUCCEEDED(hr) || hr == E_ACCESSDENIED) return;
  }
  using SetAwareFn = BOOL(WINAPI*)();
  if (auto set_aware = User32Function<SetAwareFn>("SetProcessDPIAware")) set_aware();
}

int SystemDpi() {
  using GetDpiFn = UINT(WINAPI*)();
  if (auto get_dpi = User32Function<GetDpiFn>("GetDpiForSystem")) {
    if (const UINT dpi = get_dpi()) return static_cast<int>(dpi);
  }
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kDesignDpi;
}

int WindowDpi(HWND hwnd) {
  using GetDpiFn = UINT(WINAPI*)(HWND);
  if (auto get_dpi = User32Function<GetDpiFn>("GetDpiForWindow")) {
    if (const UINT dpi = hwnd ? get_dpi(hwnd) : 0) return static_cast<int>(dpi);
  }
  return SystemDpi();
}

int SystemMetricForDpi(int index, int dpi) {
  using ForDpiFn = int(WINAPI*)(int, UINT);
  if (auto for_dpi = User32Function<ForDpiFn>("GetSystemMetricsForDpi"))
    return for_dpi(index, static_cast<UINT>(dpi));
  // The older call answers for the system's density.
  return MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

bool IconTitleFontForDpi(int dpi, LOGFONTW& font) {
  using ForDpiFn = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
  if (auto for_dpi = User32Function<ForDpiFn>("SystemParametersInfoForDpi")) {
    if (for_dpi(SPI_GETICONTITLELOGFONT, sizeof(font), &font, 0, static_cast<UINT>(dpi)))
      return true;
  }
  if (!SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(font), &font, 0)) return false;
  // The older call answers for the system's density.
  font.lfHeight = MulDiv(font.lfHeight, dpi, SystemDpi());
  return true;
}

}  // namespace wf
