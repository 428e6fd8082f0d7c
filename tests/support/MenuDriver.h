#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace wf::test {

// One entry of the top level of a menu on screen.
struct MenuEntry {
  UINT id = 0;
  std::wstring text;  // with its '&' and any short-cut text
  bool sub_menu = false;
  bool separator = false;
  bool is_default = false;  // drawn in bold, the entry a double-click runs
};

// Works the next popup menu that the thread which made the driver shows,
// from a thread of its own, as a user at the keyboard would: reads the
// open menu window ("#32768") and its entries, then moves the highlight with
// the arrow keys to the entry `pick` chooses and presses Enter on it, or
// Escape when `pick` answers -1 (or `dismiss_after_highlight` is set, after
// highlighting). The keys are posted to the menu window, whose modal loop
// reads every key message of its thread.
class MenuDriver {
 public:
  using Picker = std::function<int(const std::vector<MenuEntry>&)>;

  explicit MenuDriver(Picker pick, bool dismiss_after_highlight = false)
      : ui_thread_(GetCurrentThreadId()),
        pick_(std::move(pick)),
        dismiss_after_highlight_(dismiss_after_highlight) {
    ParkPointer();
    thread_ = std::thread([this] { Run(); });
  }
  ~MenuDriver() {
    stop_ = true;
    thread_.join();
  }
  MenuDriver(const MenuDriver&) = delete;
  MenuDriver& operator=(const MenuDriver&) = delete;

  // Valid after the menu call returned.
  bool Seen() const { return seen_; }
  bool Highlighted() const { return highlighted_; }
  const std::vector<MenuEntry>& Entries() const { return entries_; }
  RECT WindowRect() const { return rect_; }
  // What the driver saw and did, for a failing test's message.
  const std::wstring& Trace() const { return trace_; }

  // The position of the first entry whose text, '&' left out, starts so.
  static int Find(const std::vector<MenuEntry>& entries, const std::wstring& text) {
    for (size_t i = 0; i < entries.size(); ++i) {
      std::wstring plain;
      for (wchar_t c : entries[i].text)
        if (c != L'&') plain += c;
      if (plain.compare(0, text.size(), text) == 0) return static_cast<int>(i);
    }
    return -1;
  }

  // The texts of the entries drawn as the default.
  static std::vector<std::wstring> Defaults(const std::vector<MenuEntry>& entries) {
    std::vector<std::wstring> texts;
    for (const MenuEntry& entry : entries)
      if (entry.is_default) texts.push_back(entry.text);
    return texts;
  }

  // The menu that `window` shows, once the thread showing it has answered a
  // message sent to it: that thread answers only while it pumps, which once
  // the window shows it does in the menu's own loop, the loop that reads the
  // keys posted to the window. Null when no menu with entries answered in
  // time. From any thread but the one showing the menu.
  static HMENU WaitForMenuLoop(HWND window,
                               std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (IsWindow(window) && std::chrono::steady_clock::now() < end) {
      DWORD_PTR answer = 0;
      if (SendMessageTimeoutW(window, kGetMenuMessage, 0, 0, SMTO_NORMAL, 100, &answer)) {
        const auto menu = reinterpret_cast<HMENU>(answer);
        if (menu && GetMenuItemCount(menu) > 0) return menu;
      }
      Sleep(5);
    }
    return nullptr;
  }

 private:
  static constexpr UINT kGetMenuMessage = 0x01E1;  // MN_GETHMENU
  static BOOL CALLBACK Visit(HWND hwnd, LPARAM found_pointer) {
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    if (std::wstring(name) == L"#32768" && IsWindowVisible(hwnd)) {
      *reinterpret_cast<HWND*>(found_pointer) = hwnd;
      return FALSE;
    }
    return TRUE;
  }

  HWND FindMenuWindow() {
    HWND found = nullptr;
    EnumThreadWindows(ui_thread_, &MenuDriver::Visit, reinterpret_cast<LPARAM>(&found));
    if (!found) EnumWindows(&MenuDriver::Visit, reinterpret_cast<LPARAM>(&found));
    if (found) {
      DWORD process = 0;
      GetWindowThreadProcessId(found, &process);
      if (process != GetCurrentProcessId()) found = nullptr;
    }
    return found;
  }

  static POINT ParkingPlace() {
    return {GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1};
  }

  // A pointer that moves over the menu highlights an entry behind the keys'
  // back, and under Wine a pointer just moved can still report a motion at
  // an earlier place: the pointer goes away before the menu shows, and
  // stays there until it has been read there several times running.
  static void ParkPointer() {
    const POINT park = ParkingPlace();
    SetCursorPos(park.x, park.y);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (int settled = 0; settled < 5 && std::chrono::steady_clock::now() < end; Sleep(10)) {
      POINT now{};
      GetCursorPos(&now);
      settled = now.x == park.x && now.y == park.y ? settled + 1 : 0;
    }
  }

  static int HighlightedPosition(HMENU menu) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i)
      if (GetMenuState(menu, i, MF_BYPOSITION) & MF_HILITE) return i;
    return -1;
  }

  void Key(HWND window, UINT key) {
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, 0xC0000001);
  }

  void Run() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    HWND window = nullptr;
    while (!stop_ && !(window = FindMenuWindow())) {
      if (std::chrono::steady_clock::now() > end) return;
      Sleep(10);
    }
    if (!window) return;
    // A menu shown at the pointer, after a real click, has it on its edge.
    const POINT park = ParkingPlace();
    SetCursorPos(park.x, park.y);
    HMENU menu = WaitForMenuLoop(window);
    if (!menu) {
      // Seen() stays false, which fails the test; the menu still goes.
      trace_ = L"the menu window never answered with its entries";
      Key(window, VK_ESCAPE);
      return;
    }
    GetWindowRect(window, &rect_);
    const int count = menu ? GetMenuItemCount(menu) : 0;
    for (int i = 0; i < count; ++i) {
      MenuEntry entry;
      wchar_t text[256] = {};
      MENUITEMINFOW info{sizeof(info)};
      info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE | MIIM_STRING | MIIM_STATE;
      info.dwTypeData = text;
      info.cch = 255;
      if (GetMenuItemInfoW(menu, i, TRUE, &info)) {
        entry.id = info.wID;
        entry.text = text;
        entry.sub_menu = info.hSubMenu != nullptr;
        entry.separator = (info.fType & MFT_SEPARATOR) != 0;
        entry.is_default = (info.fState & MFS_DEFAULT) != 0;
      }
      entries_.push_back(entry);
    }
    seen_ = true;
    const int target = pick_ ? pick_(entries_) : -1;
    POINT pointer{};
    GetCursorPos(&pointer);
    trace_ = L"target " + std::to_wstring(target) + L", pointer " + std::to_wstring(pointer.x) +
             L"," + std::to_wstring(pointer.y) + L", highlight";
    // At most one step per entry; each waits until the highlight moved.
    for (int step = 0; target >= 0 && step <= count && !stop_; ++step) {
      if (HighlightedPosition(menu) == target) {
        highlighted_ = true;
        break;
      }
      const int before = HighlightedPosition(menu);
      trace_ += L" " + std::to_wstring(before);
      Key(window, VK_DOWN);
      // The old entry loses its highlight before the next one gets it: a
      // step ends only with another entry highlighted.
      const auto wait_end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
      for (int now = before;
           (now == before || now < 0) && std::chrono::steady_clock::now() < wait_end;
           now = HighlightedPosition(menu))
        Sleep(5);
    }
    Key(window, highlighted_ && !dismiss_after_highlight_ ? VK_RETURN : VK_ESCAPE);
  }

  const DWORD ui_thread_;
  Picker pick_;
  const bool dismiss_after_highlight_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> seen_{false};
  std::atomic<bool> highlighted_{false};
  std::vector<MenuEntry> entries_;
  RECT rect_{};
  std::wstring trace_;
  std::thread thread_;
};

}  // namespace wf::test
