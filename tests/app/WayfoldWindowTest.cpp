// Wayfold's own window acting on files, driven from outside as its user
// would: real clicks, keys posted to its list, its confirmation and menu
// answered, and what the list shows read back from the Wayfold process.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "framework/IniFile.h"
#include "framework/Strings.h"
#include "tests/app/WayfoldProcess.h"
#include "tests/support/MarkerDocument.h"
#include "tests/support/RealMouse.h"
#include "tests/support/TempFolder.h"

namespace wf::test {
namespace {

constexpr wchar_t kParentCaption[] = L" .. ";

bool WaitFor(const std::function<bool()>& done) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > kTimeoutMs) return false;
    Sleep(20);
  }
  return true;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Reads and drives a list view of another process: the structures its
// messages point at have to live in that process.
class RemoteListView {
 public:
  explicit RemoteListView(HWND list) : list_(list) {
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    process_.reset(
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    if (process_)
      memory_ = static_cast<char*>(VirtualAllocEx(process_.get(), nullptr, kBytes,
                                                  MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  }
  ~RemoteListView() {
    if (memory_) VirtualFreeEx(process_.get(), memory_, 0, MEM_RELEASE);
  }
  RemoteListView(const RemoteListView&) = delete;
  RemoteListView& operator=(const RemoteListView&) = delete;

  bool Ready() const { return memory_ != nullptr; }
  HWND Handle() const { return list_; }

  // The rows whose state has all these bits, by caption.
  std::vector<std::wstring> WithState(UINT state) const {
    std::vector<std::wstring> rows;
    const std::vector<std::wstring> captions = Captions();
    for (int i = 0; i < static_cast<int>(captions.size()); ++i)
      if ((SendMessageW(list_, LVM_GETITEMSTATE, i, state) & state) == state)
        rows.push_back(captions[i]);
    return rows;
  }

  std::vector<std::wstring> Captions() const {
    std::vector<std::wstring> captions;
    const int count = static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) captions.push_back(Caption(i));
    return captions;
  }

  int IndexOf(const std::wstring& caption) const {
    const std::vector<std::wstring> captions = Captions();
    const auto found = std::find(captions.begin(), captions.end(), caption);
    return found == captions.end() ? -1 : static_cast<int>(found - captions.begin());
  }

  bool Shows(const std::vector<std::wstring>& captions) const {
    std::vector<std::wstring> shown = Captions();
    std::vector<std::wstring> wanted = captions;
    std::sort(shown.begin(), shown.end());
    std::sort(wanted.begin(), wanted.end());
    return shown == wanted;
  }

  // The middle of the row's caption, in screen coordinates.
  POINT LabelCentre(int index) const {
    RECT r{};
    r.left = LVIR_LABEL;
    Write(r);
    SendMessageW(list_, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(memory_));
    Read(r);
    POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(list_, &at);
    return at;
  }

  HWND Header() const { return reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0)); }

  // The middle of the header item, in screen coordinates.
  POINT HeaderItemCentre(int column) const {
    RECT r{};
    Write(r);
    SendMessageW(Header(), HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(memory_));
    Read(r);
    POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(Header(), &at);
    return at;
  }

  void SelectOnly(const std::wstring& caption) const {
    const int index = IndexOf(caption);
    ASSERT_GE(index, 0) << "no row shows that caption";
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    Write(item);
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(memory_));
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    Write(item);
    SendMessageW(list_, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(memory_));
  }

 private:
  static constexpr SIZE_T kBytes = 4096;
  static constexpr int kTextChars = 512;

  std::wstring Caption(int index) const {
    LVITEMW item{};
    item.pszText = reinterpret_cast<wchar_t*>(memory_ + sizeof(LVITEMW));
    item.cchTextMax = kTextChars;
    Write(item);
    const auto length = static_cast<size_t>(
        SendMessageW(list_, LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(memory_)));
    std::wstring text(kTextChars, L'\0');
    ReadProcessMemory(process_.get(), item.pszText, text.data(), kTextChars * sizeof(wchar_t),
                      nullptr);
    text.resize(std::min<size_t>(length, kTextChars));
    return text;
  }

  template <class T>
  void Write(const T& value) const {
    WriteProcessMemory(process_.get(), memory_, &value, sizeof(T), nullptr);
  }
  template <class T>
  void Read(T& value) const {
    ReadProcessMemory(process_.get(), memory_, &value, sizeof(T), nullptr);
  }

  HWND list_;
  UniqueHandle process_;
  char* memory_ = nullptr;
};

class WayfoldWindow : public testing::Test {
 protected:
  void Start() {
    {
      TIniFile ini(Settings(home_));
      ini.WriteString(L"Folder", L"RootFolder", root_);
    }
    ASSERT_TRUE(wayfold_.Start());
    form_ = wayfold_.WaitForWindow(kFormClass);
    ASSERT_NE(form_, nullptr);
    HWND list = FindWindowExW(form_, nullptr, kListClass, nullptr);
    ASSERT_NE(list, nullptr);
    list_ = std::make_unique<RemoteListView>(list);
    ASSERT_TRUE(list_->Ready()) << GetLastError();
  }

  void TearDown() override {
    if (form_) {
      EXPECT_TRUE(wayfold_.CloseAndWait(form_));
    }
  }

  void PostKey(HWND window, WORD key) const { PostMessageW(window, WM_KEYDOWN, key, 1); }

  // Down, or Up from the last row, pressed on the keyboard as a user does:
  // whatever has the focus in the active window gets it. True when the
  // list's focused row moved by one.
  bool ArrowKeyMovesTheFocusedRow() const {
    // Nothing here moves the focus: the window is active as it is.
    if (!WaitFor([&] { return GetForegroundWindow() == form_; })) return false;
    const HWND list = list_->Handle();
    const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    auto focused = [&] {
      return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                           MAKELPARAM(LVNI_FOCUSED, 0)));
    };
    const int before = focused();
    const bool down = before < rows - 1;
    INPUT keys[2] = {};
    for (INPUT& key : keys) {
      key.type = INPUT_KEYBOARD;
      key.ki.wVk = down ? VK_DOWN : VK_UP;
      // The arrows of the block between the letters and the number pad.
      key.ki.dwFlags = KEYEVENTF_EXTENDEDKEY;
    }
    keys[1].ki.dwFlags |= KEYEVENTF_KEYUP;
    if (SendInput(2, keys, sizeof(INPUT)) != 2) return false;
    return WaitFor([&] { return focused() == (down ? before + 1 : before - 1); });
  }

  // A visible window of the Wayfold process with that class.
  HWND ProcessWindow(const wchar_t* class_name) const {
    WindowSearch search{wayfold_.ProcessId(), class_name, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  // Real presses of the mouse at the row's caption.
  void Click(const std::wstring& caption, std::initializer_list<DWORD> presses) {
    const int index = list_->IndexOf(caption);
    ASSERT_GE(index, 0);
    const POINT at = list_->LabelCentre(index);
    // Real presses land on whatever window is at the point.
    SetWindowPos(form_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    // Active first, as after Alt+Z: a first press that has to activate the
    // window on a busy machine must not be what the double-click depends on.
    SetForegroundWindow(form_);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == form_; }))
        << "Wayfold's window did not become the active one";
    ASSERT_TRUE(WaitFor([&] { return WindowFromPoint(at) == list_->Handle(); }))
        << "another window covers Wayfold's list";
    pressed_at_ = at;
    pressed_row_ = index;
    GetWindowRect(form_, &window_then_);
    ASSERT_TRUE(PressAt(at, presses));
    GetCursorPos(&cursor_after_);
  }

  // What a click that did nothing found and left, for the test's message.
  std::string ClickReport() const {
    RECT now{};
    GetWindowRect(form_, &now);
    std::ostringstream text;
    text << "; pressed at " << pressed_at_.x << "," << pressed_at_.y << " on row " << pressed_row_
         << " with the window at " << window_then_.left << "," << window_then_.top << ", now at "
         << now.left << "," << now.top << "; "
         << (GetForegroundWindow() == form_ ? "active" : "not active")
         << (FindWindowExW(list_->Handle(), nullptr, L"Edit", nullptr) ? ", a name is edited" : "")
         << "; the pointer was at " << cursor_after_.x << "," << cursor_after_.y
         << " after the presses; the list shows";
    for (const std::wstring& caption : list_->Captions()) text << " [" << ToUtf8(caption) << "]";
    text << ", selected:";
    for (const std::wstring& caption : list_->WithState(LVIS_SELECTED))
      text << " [" << ToUtf8(caption) << "]";
    text << ", focused:";
    for (const std::wstring& caption : list_->WithState(LVIS_FOCUSED))
      text << " [" << ToUtf8(caption) << "]";
    return text.str();
  }

  POINT pressed_at_{};
  POINT cursor_after_{};
  int pressed_row_ = -1;
  RECT window_then_{};
  TempFolder home_;
  const std::wstring root_ = home_.MakeFolder(L"root");
  WayfoldProcess wayfold_{home_.Path()};
  HWND form_ = nullptr;
  std::unique_ptr<RemoteListView> list_;
};

TEST_F(WayfoldWindow, DoubleClickAndEnterOpenBackspaceGoesUp) {
  MarkerDocumentType type(L"wfwindow");
  home_.MakeFolder(L"root\\sub");
  home_.MakeFile(L"root\\sub\\inner.txt");
  const std::wstring document = home_.MakeFile(L"root\\note.wfwindow");
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_TRUE(WaitFor([&] { return list_->IndexOf(L"sub") >= 0; }));
  const std::vector<std::wstring> top = list_->Captions();

  Click(L"sub",
        {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});
  EXPECT_TRUE(WaitFor([&] {
    return list_->Captions().size() == 2 && list_->IndexOf(kParentCaption) == 0;
  })) << "a double-click on a folder shows its content"
      << ClickReport();

  PostKey(list_->Handle(), VK_BACK);
  EXPECT_TRUE(WaitFor([&] { return list_->Shows(top); })) << "Backspace goes back up";

  list_->SelectOnly(L"sub");
  PostKey(list_->Handle(), VK_RETURN);
  EXPECT_TRUE(WaitFor([&] { return list_->Captions().size() == 2; })) << "Enter opens a folder";
  PostKey(list_->Handle(), VK_BACK);
  ASSERT_TRUE(WaitFor([&] { return list_->Shows(top); }));

  const int note = list_->IndexOf(L"note.wfwindow") >= 0 ? list_->IndexOf(L"note.wfwindow")
                                                         : list_->IndexOf(L"note");
  ASSERT_GE(note, 0);
  list_->SelectOnly(list_->Captions()[note]);
  PostKey(list_->Handle(), VK_RETURN);
  EXPECT_TRUE(MarkerAppears(document + L".opened"))
      << "Enter hands a document to the shell, which opens it";
}

TEST_F(WayfoldWindow, F2RenamesInPlaceAndDeleteAsksThenDeletesWithTheKeysAtTheList) {
  const std::wstring old_folder = home_.MakeFolder(L"root\\old");
  const std::wstring doomed = home_.MakeFolder(L"root\\doomed");
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_TRUE(WaitFor([&] { return list_->Shows({kParentCaption, L"old", L"doomed"}); }));
  EXPECT_TRUE(ArrowKeyMovesTheFocusedRow()) << "the list has the keys from the start";

  list_->SelectOnly(L"old");
  PostKey(list_->Handle(), VK_F2);
  HWND editor = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    return (editor = FindWindowExW(list_->Handle(), nullptr, L"Edit", nullptr));
  })) << "F2 opens the name for editing";
  SendMessageW(editor, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"renamed"));
  PostKey(editor, VK_RETURN);
  EXPECT_TRUE(WaitFor([&] { return list_->Shows({kParentCaption, L"renamed", L"doomed"}); }));
  EXPECT_TRUE(Exists(root_ + L"\\renamed"));
  EXPECT_FALSE(Exists(old_folder));

  list_->SelectOnly(L"doomed");
  PostKey(list_->Handle(), VK_DELETE);
  HWND confirmation = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (confirmation = ProcessWindow(L"#32770")); }))
      << "Delete asks first";
  PostMessageW(confirmation, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
  EXPECT_TRUE(WaitFor([&] { return list_->Shows({kParentCaption, L"renamed"}); }));
  EXPECT_FALSE(Exists(doomed));
  EXPECT_TRUE(ArrowKeyMovesTheFocusedRow())
      << "the keys come back to the list when the confirmation closes";
}

TEST_F(WayfoldWindow, RightClickOnARowShowsTheShellMenu) {
  home_.MakeFolder(L"root\\folder");
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_TRUE(WaitFor([&] { return list_->IndexOf(L"folder") >= 0; }));

  Click(L"folder", {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP});
  HWND menu = nullptr;
  // Wayfold gives its list no menu of its own: a menu is the shell's.
  ASSERT_TRUE(WaitFor([&] { return (menu = ProcessWindow(L"#32768")); }))
      << "a right-click on a row opens the shell's menu";
  // The menu's own loop reads the keys of Wayfold's thread.
  PostKey(menu, VK_ESCAPE);
  EXPECT_TRUE(WaitFor([&] { return ProcessWindow(L"#32768") == nullptr; }));
  EXPECT_TRUE(list_->Shows({kParentCaption, L"folder"}));
}

// Wine's shell compares every column by name: a click on Size sorted by
// name until the list ordered the sizes itself.
TEST_F(WayfoldWindow, AClickOnTheSizeHeaderSortsBySizeBothWays) {
  home_.MakeFile(L"root\\a.bin", 3000);
  // The 32 bits of its size that Wine's ids keep read 1.
  home_.MakeFile(L"root\\b.bin", (uint64_t{4} << 30) + 1);
  home_.MakeFile(L"root\\c.bin", 10);
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_TRUE(WaitFor([&] { return list_->Captions().size() == 4; }));
  // The files by the first letter of their rows, the parent entry left out.
  const auto files = [&] {
    std::wstring order;
    for (const std::wstring& caption : list_->Captions())
      if (caption != kParentCaption && !caption.empty()) order += caption[0];
    return order;
  };
  ASSERT_EQ(files(), L"abc");
  // The window shows the name and size columns, in that order.
  const POINT at = list_->HeaderItemCentre(1);
  SetWindowPos(form_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(form_);
  ASSERT_TRUE(WaitFor([&] { return WindowFromPoint(at) == list_->Header(); }))
      << "another window covers Wayfold's header";

  ASSERT_TRUE(PressAt(at, {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}));
  EXPECT_TRUE(WaitFor([&] { return files() == L"cab"; })) << "ascending: " << ToUtf8(files());
  // Far enough from the first press not to make a double-click of the two.
  const POINT again{at.x + GetSystemMetrics(SM_CXDOUBLECLK) + 2, at.y};
  ASSERT_TRUE(PressAt(again, {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}));
  EXPECT_TRUE(WaitFor([&] { return files() == L"bac"; })) << "descending: " << ToUtf8(files());
}

}  // namespace
}  // namespace wf::test
