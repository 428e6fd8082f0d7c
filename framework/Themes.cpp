#include "framework/Themes.h"

#include <string>

namespace wf {
namespace {

constexpr wchar_t kThemeLibrary[] = L"uxtheme.dll";
constexpr int kToolbarFillPart = 5;       // the tool bar's background
constexpr int kFillColorProperty = 3802;  // TMT_FILLCOLOR

// The theme library's entry points, each none when missing.
struct ThemeLibrary {
  decltype(&::IsThemeActive) is_active = nullptr;
  decltype(&::OpenThemeData) open = nullptr;
  decltype(&::CloseThemeData) close = nullptr;
  decltype(&::GetThemeColor) color = nullptr;
  decltype(&::DrawThemeBackground) draw_background = nullptr;
  decltype(&::DrawThemeEdge) draw_edge = nullptr;
  decltype(&::DrawThemeParentBackground) draw_parent = nullptr;
};

template <class Function>
void Resolve(HMODULE module, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Only the system's own copy: a library of that name beside the program or
// in the current directory is not to be run.
HMODULE LoadThemeLibrary() {
  if (HMODULE module = LoadLibraryExW(kThemeLibrary, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
    return module;
  // Systems that predate that flag refuse it; the full path says the same.
  std::wstring path(MAX_PATH, L'\0');
  const UINT n = GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size()));
  if (n == 0 || n >= path.size()) return nullptr;
  path.resize(n);
  return LoadLibraryW((path + L"\\" + kThemeLibrary).c_str());
}

// The process's one loader of the library, a function-local static so that
// the first caller on any thread loads it and the others wait. The library
// is never freed: theme handles live in windows until those windows go,
// which may be at the very end of the process, and each must still find the
// library to be closed.
const ThemeLibrary& Library() {
  static const ThemeLibrary library = [] {
    ThemeLibrary loaded;
    HMODULE module = LoadThemeLibrary();
    if (!module) return loaded;
    Resolve(module, "IsThemeActive", loaded.is_active);
    Resolve(module, "OpenThemeData", loaded.open);
    Resolve(module, "CloseThemeData", loaded.close);
    Resolve(module, "GetThemeColor", loaded.color);
    Resolve(module, "DrawThemeBackground", loaded.draw_background);
    Resolve(module, "DrawThemeEdge", loaded.draw_edge);
    Resolve(module, "DrawThemeParentBackground", loaded.draw_parent);
    return loaded;
  }();
  return library;
}

}  // namespace

void ThemeDeleter::operator()(HTHEME theme) const {
  if (const auto close = Library().close) close(theme);
}

bool ThemeActive() {
  const auto is_active = Library().is_active;
  return is_active && is_active();
}

UniqueTheme OpenTheme(HWND window, const wchar_t* class_list) {
  const ThemeLibrary& library = Library();
  // A theme that could not be closed again is not opened.
  if (!library.open || !library.close) return {};
  return UniqueTheme(library.open(window, class_list));
}

std::optional<COLORREF> ThemeColor(HTHEME theme, int part, int state, int property) {
  const auto color = Library().color;
  COLORREF value = 0;
  if (!theme || !color || FAILED(color(theme, part, state, property, &value))) return std::nullopt;
  return value;
}

bool DrawThemePart(HTHEME theme, HDC dc, int part, int state, const RECT& rect) {
  const auto draw = Library().draw_background;
  return theme && draw && SUCCEEDED(draw(theme, dc, part, state, &rect, nullptr));
}

bool DrawThemedEdge(HTHEME theme, HDC dc, int part, int state, const RECT& rect, UINT edges,
                    UINT flags, RECT* content) {
  const auto draw = Library().draw_edge;
  return theme && draw && SUCCEEDED(draw(theme, dc, part, state, &rect, edges, flags, content));
}

bool DrawParentBackground(HWND window, HDC dc, const RECT* rect) {
  const auto draw = Library().draw_parent;
  // Only read: MinGW's declaration lacks the const the platform documents.
  return draw && SUCCEEDED(draw(window, dc, const_cast<RECT*>(rect)));
}

std::optional<COLORREF> ThemedToolbarFill(HWND window) {
  if (!ThemeActive()) return std::nullopt;
  const UniqueTheme theme = OpenTheme(window, L"TOOLBAR");
  if (!theme) return std::nullopt;
  return ThemeColor(theme.get(), kToolbarFillPart, 0, kFillColorProperty);
}

}  // namespace wf
