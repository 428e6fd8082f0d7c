#pragma once

#include <windows.h>
#include <uxtheme.h>

#include <optional>

#include "framework/Handles.h"

namespace wf {

// Visual styles, reached through the theme library by name: a system may
// lack the library or some of its entry points, and then every call here
// answers "no theme" (false, none, nothing drawn) instead of the program
// failing to start. Nothing links the library itself. Safe from any thread;
// the library is loaded on the first call and stays for the process.

struct ThemeDeleter {
  void operator()(HTHEME theme) const;
};
// An open theme's data, closed by its owner.
using UniqueTheme = Unique<HTHEME, ThemeDeleter>;

// Whether the user runs with visual styles.
bool ThemeActive();
// The window's theme data for the first class of `class_list` that the
// theme knows ("BUTTON;GLOBALS"); none without a theme. `window` may be none.
UniqueTheme OpenTheme(HWND window, const wchar_t* class_list);
// A colour property of a part in a state; none when the theme has no such.
std::optional<COLORREF> ThemeColor(HTHEME theme, int part, int state, int property);

// The drawing calls answer whether the theme drew.
bool DrawThemePart(HTHEME theme, HDC dc, int part, int state, const RECT& rect);
// An edge of the part around `rect`; with BF_ADJUST, `content` receives
// what lies inside it.
bool DrawThemedEdge(HTHEME theme, HDC dc, int part, int state, const RECT& rect, UINT edges,
                    UINT flags, RECT* content);
// What the window's parent shows behind `rect` of the window (all of it
// when `rect` is none), for a window drawn as if see-through.
bool DrawParentBackground(HWND window, HDC dc, const RECT* rect);

// The themed tool bar's fill colour while visual styles are on; none
// otherwise. `window` picks the window's own theme, when it has one.
std::optional<COLORREF> ThemedToolbarFill(HWND window = nullptr);

}  // namespace wf
