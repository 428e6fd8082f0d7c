#pragma once

#include <windows.h>

namespace wf {

// Every size the program is designed with is a pixel count at this density.
inline constexpr int kDesignDpi = 96;

// WM_DPICHANGED, which the headers declare only for newer targets than ours.
inline constexpr UINT kDpiChangedMessage = 0x02E0;

// A design size (pixels at 96 dots per inch) in pixels at `dpi`.
inline int ScaleForDpi(int design, int dpi) {
  return MulDiv(design, dpi, kDesignDpi);
}

// The other way: pixels at `dpi` back to design pixels.
inline int UnscaleForDpi(int pixels, int dpi) {
  return MulDiv(pixels, kDesignDpi, dpi);
}

// Of the sizes on offer (ascending), the one nearest to `wanted`; a tie
// takes the smaller, which still fits where the larger would spill over.
int NearestSize(int wanted, const int* sizes, int count);

// Makes the process aware of each monitor's density, for systems that do
// not read the manifest's declaration. An awareness already set stays.
void BecomeDpiAware();

// The density the system reports for the whole screen.
int SystemDpi();

// The density of a window's monitor, or the system's where the platform
// cannot tell a window's own.
int WindowDpi(HWND hwnd);

// A size the system measures (SM_CXVSCROLL, say) at a density.
int SystemMetricForDpi(int index, int dpi);

// The platform's icon-title font for a density; false when there is none.
bool IconTitleFontForDpi(int dpi, LOGFONTW& font);

}  // namespace wf
