// Starts Wayfold.exe as a process, with a settings file of the test's own
// beside it, and checks its window from outside.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>

#include "framework/Dpi.h"
#include "framework/Handles.h"
#include "framework/IniFile.h"
#include "tests/app/WayfoldProcess.h"
#include "tests/support/RealMouse.h"
#include "tests/support/TempFolder.h"

namespace wf::test {
namespace {

// The size column shows a size of twelve digits whole, in the list's font
// (the icon-title one) and the cell's padding, as far as the room beside
// the name column goes, where a vertical scroll bar is counted in: Wine's
// font is wider than the room at 96 dots per inch.
void ExpectSizeColumnFitsTwelveDigits(HWND form) {
  HWND list = FindWindowExW(form, nullptr, kListClass, nullptr);
  ASSERT_NE(list, nullptr);
  LOGFONTW described{};
  ASSERT_TRUE(IconTitleFontForDpi(96, described));
  UniqueFont font(CreateFontIndirectW(&described));
  UniqueDc dc(CreateCompatibleDC(nullptr));
  SIZE text{};
  {
    const SelectScope selected(dc.get(), font.get());
    const std::wstring widest = L"999,999,999,999 KB";
    GetTextExtentPoint32W(dc.get(), widest.c_str(), static_cast<int>(widest.size()), &text);
  }
  const auto name = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
  const auto size = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0));
  RECT client{};
  GetClientRect(list, &client);
  ASSERT_FALSE(GetWindowLongW(list, GWL_STYLE) & WS_VSCROLL) << "four rows need no scroll bar";
  const int room = client.right - GetSystemMetrics(SM_CXVSCROLL) - name;
  EXPECT_EQ(name, 195);
  EXPECT_GE(size, std::min<int>(text.cx + 12, room))
      << "the text is " << text.cx << " pixels wide, the room " << room;
  EXPECT_LE(size, room);
}

TEST(WayfoldProcess, StartsBorderlessWithoutTaskBarButtonAtStoredPositionInRootFolder) {
  TempFolder home;
  const std::wstring root = home.MakeFolder(L"root");
  home.MakeFile(L"root\\a.txt");
  home.MakeFile(L"root\\b.txt", 10);
  home.MakeFolder(L"root\\sub");
  {
    TIniFile ini(Settings(home));
    ini.WriteInteger(L"Pos", L"Top", 40);
    ini.WriteInteger(L"Pos", L"Left", 50);
    ini.WriteString(L"Folder", L"RootFolder", root);
  }
  WayfoldProcess wayfold(home.Path());
  ASSERT_TRUE(wayfold.Start());
  HWND form = wayfold.WaitForWindow(kFormClass);
  ASSERT_NE(form, nullptr);

  RECT r;
  GetWindowRect(form, &r);
  EXPECT_EQ(r.left, 50);
  EXPECT_EQ(r.top, 40);
  RECT client;
  GetClientRect(form, &client);
  EXPECT_EQ(client.right, 332);
  EXPECT_EQ(client.bottom, 566);
  const LONG style = GetWindowLongW(form, GWL_STYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_FALSE(style & WS_CAPTION);
  wchar_t caption[100] = {};
  GetWindowTextW(form, caption, 100);
  EXPECT_STREQ(caption, L"Corvane Wayfold - Version 1.1");

  HWND owner = GetWindow(form, GW_OWNER);
  ASSERT_NE(owner, nullptr);
  EXPECT_EQ(GetWindowLongW(owner, GWL_EXSTYLE), WS_EX_TOOLWINDOW)
      << "exactly the tool-window style";
  wchar_t title[100] = {};
  GetWindowTextW(owner, title, 100);
  EXPECT_STREQ(title, L"Corvane Wayfold");

  // Two files, one folder and the parent-folder entry.
  EXPECT_EQ(WayfoldProcess::SettledRowCount(form), 4);
  ExpectSizeColumnFitsTwelveDigits(form);

  SetWindowPos(form, nullptr, 70, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ASSERT_TRUE(wayfold.CloseAndWait(form));
  EXPECT_EQ(wayfold.ExitCode(), 0u);
  TIniFile ini(Settings(home));
  EXPECT_EQ(ini.ReadInteger(L"Pos", L"Left", -1), 70);
  EXPECT_EQ(ini.ReadInteger(L"Pos", L"Top", -1), 90);
  EXPECT_EQ(ini.ReadString(L"Folder", L"RootFolder", L""), root) << "closing keeps the root folder";
}

// The system density that processes started while this lives are given:
// Wine reads it from the registry when a process starts. The value before
// comes back after, or none if there was none.
class SystemDpiForNewProcesses {
 public:
  explicit SystemDpiForNewProcesses(DWORD dpi) {
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, &key_, nullptr) != ERROR_SUCCESS)
      return;
    DWORD value = 0, size = sizeof(value), type = 0;
    if (RegQueryValueExW(key_, kValue, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
            ERROR_SUCCESS &&
        type == REG_DWORD)
      previous_ = value;
    set_ = RegSetValueExW(key_, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                          sizeof(dpi)) == ERROR_SUCCESS;
  }
  ~SystemDpiForNewProcesses() {
    if (!key_) return;
    if (previous_)
      RegSetValueExW(key_, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*previous_),
                     sizeof(DWORD));
    else
      RegDeleteValueW(key_, kValue);
    RegCloseKey(key_);
  }
  SystemDpiForNewProcesses(const SystemDpiForNewProcesses&) = delete;
  SystemDpiForNewProcesses& operator=(const SystemDpiForNewProcesses&) = delete;
  bool Set() const { return set_; }

 private:
  static constexpr wchar_t kKey[] = L"Control Panel\\Desktop";
  static constexpr wchar_t kValue[] = L"LogPixels";
  HKEY key_ = nullptr;
  std::optional<DWORD> previous_;
  bool set_ = false;
};

// Another process's windows as they are: on Windows a thread unaware of
// densities sees the rectangles of a window of another density scaled to
// its own (Wine leaves them as they are either way).
class ReadingUnscaled {
 public:
  ReadingUnscaled() {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    set_ = reinterpret_cast<SetContextFn>(
        reinterpret_cast<void*>(GetProcAddress(user32, "SetThreadDpiAwarenessContext")));
    // Per-monitor awareness, first version: the second is newer than Wine's.
    if (set_) previous_ = set_(reinterpret_cast<HANDLE>(-3));
  }
  ~ReadingUnscaled() {
    if (set_ && previous_) set_(previous_);
  }
  ReadingUnscaled(const ReadingUnscaled&) = delete;
  ReadingUnscaled& operator=(const ReadingUnscaled&) = delete;

 private:
  using SetContextFn = HANDLE(WINAPI*)(HANDLE);
  SetContextFn set_ = nullptr;
  HANDLE previous_ = nullptr;
};

RECT ChildInClient(HWND form, const wchar_t* class_name, HWND after = nullptr) {
  RECT r{};
  HWND child = FindWindowExW(form, after, class_name, nullptr);
  if (!child) return r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST(WayfoldProcess, StartsLaidOutForTheSystemDensityAndKeepsItsPlaceInScreenPixels) {
  TempFolder home;
  {
    TIniFile ini(Settings(home));
    // The window, 849 pixels high, fits the rig's 768-pixel screen only
    // from its top.
    ini.WriteInteger(L"Pos", L"Top", 0);
    ini.WriteInteger(L"Pos", L"Left", 50);
    ini.WriteString(L"Folder", L"RootFolder", home.MakeFolder(L"root"));
  }
  home.MakeFile(L"root\\a.txt");
  WayfoldProcess wayfold(home.Path());
  HWND form = nullptr;
  {
    SystemDpiForNewProcesses dpi(144);
    ASSERT_TRUE(dpi.Set());
    ASSERT_TRUE(wayfold.Start());
    // Once its window is up the process has read the density.
    form = wayfold.WaitForWindow(kFormClass);
  }
  ASSERT_NE(form, nullptr);
  // The parent-folder entry and the file: the columns are in place.
  EXPECT_EQ(WayfoldProcess::SettledRowCount(form), 2);
  ReadingUnscaled unscaled;

  RECT window{}, client{};
  GetWindowRect(form, &window);
  GetClientRect(form, &client);
  EXPECT_EQ(window.left, 50) << "the stored place is in screen pixels";
  EXPECT_EQ(window.top, 0);
  EXPECT_EQ(client.right, 498);
  EXPECT_EQ(client.bottom, 849);
  const RECT first_bar = ChildInClient(form, L"TPaxPanel");
  const RECT second_bar =
      ChildInClient(form, L"TPaxPanel", FindWindowExW(form, nullptr, L"TPaxPanel", nullptr));
  EXPECT_EQ(first_bar.bottom - first_bar.top, 35);
  EXPECT_EQ(second_bar.bottom - second_bar.top, 35);
  EXPECT_EQ(first_bar.right - first_bar.left, 498);
  const RECT list = ChildInClient(form, kListClass);
  EXPECT_EQ(list.top, 35);
  EXPECT_EQ(list.bottom, 849 - 35);
  HWND list_window = FindWindowExW(form, nullptr, kListClass, nullptr);
  EXPECT_EQ(SendMessageW(list_window, LVM_GETCOLUMNWIDTH, 0, 0), 293);

  SetWindowPos(form, nullptr, 70, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ASSERT_TRUE(wayfold.CloseAndWait(form));
  TIniFile ini(Settings(home));
  EXPECT_EQ(ini.ReadInteger(L"Pos", L"Left", -1), 70) << "written as it is, not scaled";
  EXPECT_EQ(ini.ReadInteger(L"Pos", L"Top", -1), 90);
}

// A place stored on a monitor that is gone: the borderless window could not
// be dragged back, so it opens inside the nearest monitor's work area.
void ExpectOpensOnScreen(int stored_left, int stored_top, bool at_far_corner) {
  SCOPED_TRACE(testing::Message() << "stored at " << stored_left << "," << stored_top);
  TempFolder home;
  {
    TIniFile ini(Settings(home));
    ini.WriteInteger(L"Pos", L"Top", stored_top);
    ini.WriteInteger(L"Pos", L"Left", stored_left);
    ini.WriteString(L"Folder", L"RootFolder", home.MakeFolder(L"root"));
  }
  WayfoldProcess wayfold(home.Path());
  ASSERT_TRUE(wayfold.Start());
  HWND form = wayfold.WaitForWindow(kFormClass);
  ASSERT_NE(form, nullptr);

  RECT r;
  GetWindowRect(form, &r);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(form, MONITOR_DEFAULTTONEAREST), &monitor));
  const RECT& work = monitor.rcWork;
  EXPECT_EQ(r.right - r.left, 332) << "moved, not resized";
  EXPECT_EQ(r.bottom - r.top, 566);
  if (at_far_corner) {
    EXPECT_EQ(r.right, work.right);
    EXPECT_EQ(r.bottom, work.bottom);
  } else {
    EXPECT_EQ(r.left, work.left);
    EXPECT_EQ(r.top, work.top);
  }
  EXPECT_TRUE(r.left >= work.left && r.top >= work.top && r.right <= work.right &&
              r.bottom <= work.bottom)
      << "window " << r.left << "," << r.top << "-" << r.right << "," << r.bottom << " work area "
      << work.left << "," << work.top << "-" << work.right << "," << work.bottom;

  ASSERT_TRUE(wayfold.CloseAndWait(form));
  TIniFile ini(Settings(home));
  EXPECT_EQ(ini.ReadInteger(L"Pos", L"Left", -1), r.left) << "closing stores where the window was";
  EXPECT_EQ(ini.ReadInteger(L"Pos", L"Top", -1), r.top);
}

TEST(WayfoldProcess, StoredPlaceOffEveryMonitorOpensInTheNearestWorkArea) {
  ExpectOpensOnScreen(-30000, -30000, false);
  ExpectOpensOnScreen(30000, 30000, true);
}

TEST(WayfoldProcess, FirstStartSitsAtTopLeftAndClosingWritesThePosition) {
  TempFolder home;
  WayfoldProcess wayfold(home.Path());
  ASSERT_TRUE(wayfold.Start());
  HWND form = wayfold.WaitForWindow(kFormClass);
  ASSERT_NE(form, nullptr);
  RECT r;
  GetWindowRect(form, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  // The common documents folder, whatever it holds, behind the parent entry.
  EXPECT_GE(WayfoldProcess::SettledRowCount(form), 1);
  ASSERT_TRUE(wayfold.CloseAndWait(form));

  TIniFile ini(Settings(home));
  EXPECT_TRUE(ini.ValueExists(L"Pos", L"Top"));
  EXPECT_TRUE(ini.ValueExists(L"Pos", L"Left"));
  EXPECT_EQ(ini.ReadInteger(L"Pos", L"Top", -1), 0);
  EXPECT_FALSE(ini.SectionExists(L"Folder"));
}

TEST(WayfoldProcess, EmptyRootFolderKeepsTheCommonDocumentsFolder) {
  TempFolder home;
  TempFolder reference;
  WriteRootFolder(home, L"");
  WayfoldProcess empty_root(home.Path());
  ASSERT_TRUE(empty_root.Start());
  HWND form = empty_root.WaitForWindow(kFormClass);
  ASSERT_NE(form, nullptr);
  const int rows = WayfoldProcess::SettledRowCount(form);
  ASSERT_TRUE(empty_root.CloseAndWait(form));

  WayfoldProcess no_settings(reference.Path());
  ASSERT_TRUE(no_settings.Start());
  form = no_settings.WaitForWindow(kFormClass);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(WayfoldProcess::SettledRowCount(form), rows);
  ASSERT_TRUE(no_settings.CloseAndWait(form));
}

TEST(WayfoldProcess, RootFolderOutsideTheAnsiCodePageIsListed) {
  TempFolder home;
  const std::wstring root = home.MakeFolder(TempFolder::NonAnsiName(L""));
  home.MakeFile(TempFolder::NonAnsiName(L"") + L"\\" + TempFolder::NonAnsiName(L".txt"));
  home.MakeFile(TempFolder::NonAnsiName(L"") + L"\\plain.txt");
  WriteRootFolder(home, root);
  WayfoldProcess wayfold(home.Path());
  ASSERT_TRUE(wayfold.Start());
  HWND form = wayfold.WaitForWindow(kFormClass);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(WayfoldProcess::SettledRowCount(form), 3);
  ASSERT_TRUE(wayfold.CloseAndWait(form));
  TIniFile ini(Settings(home));
  EXPECT_EQ(ini.ReadString(L"Folder", L"RootFolder", L""), root)
      << "the settings keep the name whole";
}

TEST(WayfoldProcess, RootFolderThatCannotBeOpenedShowsTheErrorAndGoesOn) {
  TempFolder home;
  const std::wstring missing = home.Path() + L"no such folder";
  WriteRootFolder(home, missing);
  WayfoldProcess wayfold(home.Path());
  ASSERT_TRUE(wayfold.Start());
  HWND box = wayfold.WaitForWindow(L"#32770");
  ASSERT_NE(box, nullptr) << "the error is shown in a message box";
  wchar_t title[100] = {};
  GetWindowTextW(box, title, 100);
  EXPECT_STREQ(title, L"Corvane Wayfold");
  wchar_t text[1024] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 1024);
  const std::wstring message = text;
  EXPECT_EQ(message.rfind(missing + L"\r\n", 0), 0u)
      << "the path, then a line break: " << std::string(message.begin(), message.end());
  EXPECT_GT(message.size(), missing.size() + 2) << "then the platform's path-not-found text";
  PostMessageW(box, WM_COMMAND, IDOK, 0);

  HWND form = wayfold.WaitForWindow(kFormClass);
  ASSERT_NE(form, nullptr) << "the program goes on";
  EXPECT_GE(WayfoldProcess::SettledRowCount(form), 1);
  EXPECT_EQ(GetWindowLongW(GetWindow(form, GW_OWNER), GWL_EXSTYLE), WS_EX_TOOLWINDOW);
  ASSERT_TRUE(wayfold.CloseAndWait(form));
}

// Alt+Z through the input queue, as a user's keyboard gives it.
bool PressAltZ() {
  INPUT keys[4] = {};
  const WORD codes[4] = {VK_MENU, 'Z', 'Z', VK_MENU};
  for (int i = 0; i < 4; ++i) {
    keys[i].type = INPUT_KEYBOARD;
    keys[i].ki.wVk = codes[i];
    if (i >= 2) keys[i].ki.dwFlags = KEYEVENTF_KEYUP;
  }
  return SendInput(4, keys, sizeof(INPUT)) == 4;
}

bool WaitUntil(const std::function<bool()>& done) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > kTimeoutMs) return false;
    Sleep(20);
  }
  return true;
}

// The bar lowest in the window: the one that shows the path.
HWND BottomBar(HWND form) {
  HWND lowest = nullptr;
  LONG lowest_top = -1;
  for (HWND bar = FindWindowExW(form, nullptr, L"TPaxPanel", nullptr); bar;
       bar = FindWindowExW(form, bar, L"TPaxPanel", nullptr)) {
    RECT r;
    GetWindowRect(bar, &r);
    if (r.top > lowest_top) {
      lowest_top = r.top;
      lowest = bar;
    }
  }
  return lowest;
}

TEST(WayfoldProcess, AltZHidesAndShowsAtTheFrontAndTheExitButtonEndsIt) {
  TempFolder home;
  const std::wstring root = home.MakeFolder(L"root");
  home.MakeFile(L"root\\a.txt");
  WriteRootFolder(home, root);
  WayfoldProcess wayfold(home.Path());
  ASSERT_TRUE(wayfold.Start());
  HWND form = wayfold.WaitForWindow(kFormClass);
  ASSERT_NE(form, nullptr);
  HWND bar = BottomBar(form);
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(WaitUntil([&] {
    wchar_t text[MAX_PATH] = {};
    GetWindowTextW(bar, text, MAX_PATH);
    return text == L" " + root + L"\\";
  })) << "the bottom bar shows the path";

  ASSERT_TRUE(PressAltZ());
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(form); })) << "Alt+Z hides";
  ASSERT_TRUE(PressAltZ());
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(form) && GetForegroundWindow() == form; }))
      << "Alt+Z shows it again, at the front";

  RECT place;
  GetWindowRect(form, &place);
  ASSERT_TRUE(
      PressAt({place.left + 318, place.top + 11}, {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}));
  ASSERT_EQ(WaitForSingleObject(wayfold.Handle(), kTimeoutMs), WAIT_OBJECT_0)
      << "the exit button ends the program";
  TIniFile ini(Settings(home));
  EXPECT_EQ(ini.ReadInteger(L"Pos", L"Left", -1), place.left);
  EXPECT_EQ(ini.ReadInteger(L"Pos", L"Top", -1), place.top);
}

}  // namespace
}  // namespace wf::test
