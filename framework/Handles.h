#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <utility>

namespace wf {

// The "no handle" value: Handle{} unless the deleter names another.
template <class Handle, class Deleter>
Handle NoHandle() {
  if constexpr (requires { Deleter::None(); }) {
    return Deleter::None();
  } else {
    return Handle{};
  }
}

// Owns one platform handle and frees it with its deleter.
template <class Handle, class Deleter>
class Unique {
  static Handle None() { return NoHandle<Handle, Deleter>(); }

 public:
  Unique() = default;
  explicit Unique(Handle h) : h_(h) {}
  Unique(Unique&& other) noexcept : h_(std::exchange(other.h_, None())) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) reset(std::exchange(other.h_, None()));
    return *this;
  }
  ~Unique() { reset(); }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;

  Handle get() const { return h_; }
  explicit operator bool() const { return h_ != None(); }
  Handle release() { return std::exchange(h_, None()); }
  void reset(Handle h = None()) {
    if (h_ != None()) Deleter{}(h_);
    h_ = h;
  }

 private:
  Handle h_ = None();
};

struct GdiObjectDeleter {
  void operator()(HGDIOBJ h) const { DeleteObject(h); }
};
struct KernelHandleDeleter {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
struct FindHandleDeleter {
  static HANDLE None() { return INVALID_HANDLE_VALUE; }
  void operator()(HANDLE h) const { FindClose(h); }
};
struct FileHandleDeleter {
  static HANDLE None() { return INVALID_HANDLE_VALUE; }
  void operator()(HANDLE h) const { CloseHandle(h); }
};
struct WindowDeleter {
  void operator()(HWND h) const { DestroyWindow(h); }
};
struct MenuDeleter {
  void operator()(HMENU h) const { DestroyMenu(h); }
};
struct IconDeleter {
  void operator()(HICON h) const { DestroyIcon(h); }
};
struct DcDeleter {
  void operator()(HDC h) const { DeleteDC(h); }
};
// A module from LoadLibrary; one from GetModuleHandle is borrowed and must
// not be owned.
struct ModuleDeleter {
  void operator()(HMODULE h) const { FreeLibrary(h); }
};
struct ImageListDeleter {
  void operator()(HIMAGELIST h) const { ImageList_Destroy(h); }
};

using UniqueFont = Unique<HFONT, GdiObjectDeleter>;
using UniqueBitmap = Unique<HBITMAP, GdiObjectDeleter>;
using UniqueHandle = Unique<HANDLE, KernelHandleDeleter>;
using UniqueFindHandle = Unique<HANDLE, FindHandleDeleter>;
// A file from CreateFile, whose failure value is INVALID_HANDLE_VALUE.
using UniqueFile = Unique<HANDLE, FileHandleDeleter>;
using UniqueWindow = Unique<HWND, WindowDeleter>;
using UniqueMenu = Unique<HMENU, MenuDeleter>;
using UniqueImageList = Unique<HIMAGELIST, ImageListDeleter>;
using UniqueModule = Unique<HMODULE, ModuleDeleter>;
using UniqueBrush = Unique<HBRUSH, GdiObjectDeleter>;
using UniqueIcon = Unique<HICON, IconDeleter>;
using UniqueDc = Unique<HDC, DcDeleter>;

// Selects a GDI object into a device context for a scope.
class SelectScope {
 public:
  SelectScope(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~SelectScope() { SelectObject(dc_, previous_); }
  SelectScope(const SelectScope&) = delete;
  SelectScope& operator=(const SelectScope&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// Sets the thread's error mode for a scope and restores the previous one.
class ErrorModeScope {
 public:
  explicit ErrorModeScope(UINT mode) : previous_(SetErrorMode(mode)) {}
  ~ErrorModeScope() { SetErrorMode(previous_); }
  ErrorModeScope(const ErrorModeScope&) = delete;
  ErrorModeScope& operator=(const ErrorModeScope&) = delete;

 private:
  UINT previous_;
};

}  // namespace wf
