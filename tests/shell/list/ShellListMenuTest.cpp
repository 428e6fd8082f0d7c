// The shell list's context menus: which menu each request shows, where, and
// what the list does after the verb the user picked.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/Handles.h"
#include "framework/Menus.h"
#include "shell/core/ShellOperations.h"
#include "shell/core/ShellUtils.h"
#include "tests/framework/FrameworkTestHelpers.h"
#include "tests/shell/core/DeleteConfirmation.h"
#include "tests/shell/list/ShellListTestSupport.h"
#include "tests/support/HeldKeys.h"
#include "tests/support/HostRemoval.h"
#include "tests/support/MenuDriver.h"
#include "tests/support/PassThroughShellFolder.h"
#include "tests/support/RealMouse.h"

namespace wf::test {
namespace {

using Microsoft::WRL::ComPtr;

MenuDriver::Picker PickText(const std::wstring& text) {
  return [text](const std::vector<MenuEntry>& entries) { return MenuDriver::Find(entries, text); };
}

MenuDriver::Picker Dismiss() {
  return [](const std::vector<MenuEntry>&) { return -1; };
}

std::vector<std::wstring> Texts(const std::vector<MenuEntry>& entries) {
  std::vector<std::wstring> texts;
  for (const MenuEntry& entry : entries) texts.push_back(entry.text);
  return texts;
}

bool Contains(const std::vector<std::wstring>& texts, const std::wstring& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

void EmptyClipboard() {
  if (!OpenClipboard(nullptr)) return;
  ::EmptyClipboard();
  CloseClipboard();
}

// Closes, from a thread of its own, every popup menu that the thread which
// made it shows while it lives, and keeps the entries of each: a second
// menu for one request would otherwise wait for ever for a user.
class MenuWatcher {
 public:
  MenuWatcher() : ui_thread_(GetCurrentThreadId()), thread_([this] { Run(); }) {}
  ~MenuWatcher() {
    stop_ = true;
    thread_.join();
  }
  std::vector<std::vector<std::wstring>> Menus() {
    std::lock_guard lock(mutex_);
    return menus_;
  }

 private:
  static BOOL CALLBACK Visit(HWND hwnd, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    if (std::wstring(name) != L"#32768" || !IsWindowVisible(hwnd)) return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
  }
  void Run() {
    for (HWND window = nullptr; !stop_; window = nullptr, Sleep(5)) {
      EnumThreadWindows(ui_thread_, &MenuWatcher::Visit, reinterpret_cast<LPARAM>(&window));
      if (!window) continue;
      const HMENU menu = MenuDriver::WaitForMenuLoop(window);
      std::vector<std::wstring> texts;
      for (int i = 0, n = menu ? GetMenuItemCount(menu) : 0; i < n; ++i) {
        wchar_t text[256] = {};
        GetMenuStringW(menu, i, text, 255, MF_BYPOSITION);
        texts.push_back(text);
      }
      {
        std::lock_guard lock(mutex_);
        menus_.push_back(std::move(texts));
      }
      PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1);
      // Any next menu is one that shows after this one has gone.
      for (int i = 0; i < 400 && IsWindowVisible(window); ++i) Sleep(5);
    }
  }

  const DWORD ui_thread_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::vector<std::wstring>> menus_;
  std::thread thread_;
};

struct Report {
  uint16_t operations;
  std::vector<std::wstring> files;
  std::wstring destination;
  int rows_then;
};

// A shown list over a folder with a sub-folder and two files, with an
// application popup menu of two items and a background menu of one at hand.
class ShellListMenu : public ShellListTest {
 protected:
  void SetUp() override {
    EmptyClipboard();
    popup_.Items().Add(Item(L"App one"));
    popup_.Items().Add(Item(L"App two"));
    background_.Items().Add(Item(L"New thing"));
  }
  void TearDown() override { EmptyClipboard(); }

  TMenuItem* Item(const std::wstring& caption) {
    auto* item = new TMenuItem();
    item->SetCaption(caption);
    item->OnClick = [this, caption](TObject*) { clicked_.push_back(caption); };
    return item;
  }

  void MakeFiles() {
    folder_.MakeFolder(L"sub");
    folder_.MakeFile(L"a.txt");
    folder_.MakeFile(L"b.txt");
  }

  TKivShellList& Shown() {
    MakeFiles();
    TKivShellList& list = MakeList();
    list.SetPath(folder_.Path());
    return Attach(list);
  }

  TKivShellList& Attach(TKivShellList& list) {
    list.OnOperation = [this, &list](TObject*, TKivShellOperations operations,
                                     const TStringList& files, const std::wstring& destination) {
      reports_.push_back({operations.Bits(), files.Items(), destination, list.Items().Count()});
    };
    list.OnMouseUp = [this](TObject*, TMouseButton button, TShiftState, int, int) {
      if (button == TMouseButton::mbRight) ++right_ups_;
    };
    ShowAndDraw();
    return list;
  }

  static POINT OnScreen(TKivShellList& list, POINT client) {
    ClientToScreen(list.Handle(), &client);
    return client;
  }
  POINT RowPoint(TKivShellList& list, const std::wstring& name) {
    const RECT label = Row(list, name)->DisplayRect(TDisplayCode::drLabel);
    return OnScreen(list, {(label.left + label.right) / 2, (label.top + label.bottom) / 2});
  }
  static POINT EmptyPoint(TKivShellList& list) {
    return OnScreen(list, {20, list.ClientHeight() - 20});
  }
  static constexpr POINT kKeyboardRequest{-1, -1};
  static LRESULT AskForMenu(TKivShellList& list, POINT screen) {
    return SendMessageW(list.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list.Handle()),
                        MAKELPARAM(screen.x, screen.y));
  }

  TPopupMenu popup_;
  TPopupMenu background_;
  std::vector<std::wstring> clicked_;
  std::vector<Report> reports_;
  std::atomic<int> right_ups_{0};
};

TEST_F(ShellListMenu, RightClickOnARowShowsTheShellsMenuMergedWithThePopupMenu) {
  TKivShellList& list = Shown();
  list.SetPopupMenu(&popup_);
  list.SetBackgroundPopupMenu(&background_);
  SelectOnly(list, {L"a.txt"});
  {
    MenuDriver driver(PickText(L"App two"));
    EXPECT_EQ(AskForMenu(list, RowPoint(list, L"a.txt")), 0);
    const std::vector<std::wstring> texts = Texts(driver.Entries());
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(std::vector(texts.begin(), texts.begin() + 2),
              (std::vector<std::wstring>{L"App one", L"App two"}));
    EXPECT_TRUE(Contains(texts, L"&Delete")) << "the shell's entries follow";
  }
  EXPECT_EQ(clicked_, std::vector<std::wstring>{L"App two"});
  EXPECT_EQ(right_ups_.load(), 1) << "OnMouseUp hears of the click";

  list.SetShellContextMenu(false);
  MenuDriver plain(Dismiss());
  AskForMenu(list, RowPoint(list, L"a.txt"));
  EXPECT_EQ(Texts(plain.Entries()), (std::vector<std::wstring>{L"App one", L"App two"}));
}

// Real presses: the list view asks for its menu while it handles the press,
// in a loop of its own that takes the release, yet OnMouseUp hears of the
// release, once and before the menu shows. The menu offers the shell's Open
// as its default (Wine numbers it past 255) and a rename entry (Wine's shell
// offers none beside CMF_EXPLORE), which opens the name for editing.
TEST_F(ShellListMenu, ARealRightClickRaisesOnMouseUpOnceBeforeTheMenu) {
  TKivShellList& list = Shown();
  std::atomic<int> ups_at_menu{-1};
  MenuDriver driver([&](const std::vector<MenuEntry>& entries) {
    ups_at_menu = right_ups_.load();
    return MenuDriver::Find(entries, L"Rename");
  });
  const POINT at = RowPoint(list, L"a.txt");
  SetWindowPos(GetAncestor(list.Handle(), GA_ROOT), HWND_TOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE);
  ASSERT_TRUE(PumpUntil([&] { return WindowFromPoint(at) == list.Handle(); }))
      << "another window covers the list";
  const int a_row = IndexOfCaption(list, ShellDisplayName(folder_.Path(), L"a.txt"));
  ButtonMessages taken;
  ASSERT_TRUE(PressAt(at, {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP}));
  ASSERT_TRUE(PumpUntil([&] { return driver.Seen() && right_ups_ > 0; }));
  PumpFor(std::chrono::milliseconds(200));
  POINT client = at;
  ScreenToClient(list.Handle(), &client);
  TListItem* pressed = list.GetItemAt(client.x, client.y);
  EXPECT_TRUE(Row(list, L"a.txt")->Selected())
      << "a.txt was row " << a_row << ", is row "
      << IndexOfCaption(list, ShellDisplayName(folder_.Path(), L"a.txt")) << "; pressed at " << at.x
      << "," << at.y << " on " << (pressed ? ToUtf8(pressed->Caption()) : "no row")
      << "; the list's thread took: " << taken.Describe(list.Handle(), "the list");
  ASSERT_NE(pressed, nullptr);
  EXPECT_TRUE(pressed->Selected());
  EXPECT_TRUE(Contains(Texts(driver.Entries()), L"&Delete"));
  EXPECT_EQ(MenuDriver::Defaults(driver.Entries()), std::vector<std::wstring>{L"&Open"});
  EXPECT_TRUE(driver.Highlighted()) << "no rename entry; " << ToUtf8(driver.Trace());
  EXPECT_TRUE(PumpUntil([&] { return list.IsEditing(); })) << "Rename opens the name for editing";
  EXPECT_EQ(ups_at_menu.load(), 1);
  EXPECT_EQ(right_ups_.load(), 1);
}

TEST_F(ShellListMenu, RightClickOnEmptySpaceShowsTheBackgroundMenuElseThePopupMenu) {
  TKivShellList& list = Shown();
  list.SetPopupMenu(&popup_);
  list.SetBackgroundPopupMenu(&background_);
  {
    MenuDriver driver(PickText(L"New thing"));
    EXPECT_EQ(AskForMenu(list, EmptyPoint(list)), 0);
    EXPECT_EQ(Texts(driver.Entries()), std::vector<std::wstring>{L"New thing"});
  }
  EXPECT_EQ(clicked_, std::vector<std::wstring>{L"New thing"});
  list.SetBackgroundPopupMenu(nullptr);
  {
    MenuDriver driver(Dismiss());
    AskForMenu(list, EmptyPoint(list));
    EXPECT_EQ(Texts(driver.Entries()), (std::vector<std::wstring>{L"App one", L"App two"}));
  }

  list.SetPopupMenu(nullptr);
  auto* freed = new TPopupMenu();
  freed->Items().Add(Item(L"Freed"));
  list.SetBackgroundPopupMenu(freed);
  delete freed;
  EXPECT_EQ(list.BackgroundPopupMenu(), nullptr);
  MenuWatcher watcher;
  EXPECT_EQ(AskForMenu(list, EmptyPoint(list)), 0);
  EXPECT_TRUE(watcher.Menus().empty());
}

// Only (-1, -1) is the keyboard's request: a monitor left of the main one
// gives mouse points with a negative x.
TEST_F(ShellListMenu, TheKeyboardsMenuGoesToTheSelectedRowOrTheScreensCorner) {
  TKivShellList& list = Shown();
  list.SetBackgroundPopupMenu(&background_);
  SelectOnly(list, {L"b.txt"});
  const RECT bounds = Row(list, L"b.txt")->DisplayRect(TDisplayCode::drSelectBounds);
  const POINT corner = OnScreen(list, {bounds.right, bounds.bottom});
  {
    MenuDriver driver(Dismiss());
    EXPECT_EQ(AskForMenu(list, kKeyboardRequest), 0);
    EXPECT_TRUE(Contains(Texts(driver.Entries()), L"&Delete"));
    EXPECT_EQ(driver.WindowRect().left, corner.x);
    EXPECT_EQ(driver.WindowRect().top, corner.y);
  }
  EXPECT_EQ(right_ups_.load(), 0);
  {
    MenuDriver driver(Dismiss());
    AskForMenu(list, POINT{-30, 100});
    EXPECT_EQ(Texts(driver.Entries()), std::vector<std::wstring>{L"New thing"});
    EXPECT_EQ(right_ups_.load(), 1);
  }
  list.ClearSelection();
  MenuDriver driver(Dismiss());
  AskForMenu(list, kKeyboardRequest);
  EXPECT_EQ(Texts(driver.Entries()), std::vector<std::wstring>{L"New thing"});
  EXPECT_EQ(driver.WindowRect().left, 1);
  EXPECT_EQ(driver.WindowRect().top, 1);
}

TEST_F(ShellListMenu, ShiftF10AndTheMenuKeyEachShowOneMenu) {
  TKivShellList& list = Shown();
  list.SetPopupMenu(&popup_);
  SelectOnly(list, {L"a.txt"});
  {
    MenuWatcher watcher;
    HeldKeys shift{VK_SHIFT};
    // No release: after a press that reached the default handling, it would
    // put the window in menu-bar mode, waiting for keys.
    SendMessageW(list.Handle(), WM_SYSKEYDOWN, VK_F10, 1);
    const auto menus = watcher.Menus();
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_TRUE(Contains(menus[0], L"&Delete"));
  }
  // Wine's default handling of the context-menu key asks for no menu: what
  // the platform's sends is sent here.
  MenuWatcher watcher;
  SendMessageW(list.Handle(), WM_KEYDOWN, VK_APPS, 1);
  SendMessageW(list.Handle(), WM_KEYUP, VK_APPS, 0xC0000001);
  AskForMenu(list, kKeyboardRequest);
  const auto menus = watcher.Menus();
  ASSERT_EQ(menus.size(), 1u);
  EXPECT_TRUE(Contains(menus[0], L"&Delete"));
}

TEST_F(ShellListMenu, DeleteOfTwoFilesRemovesBothRowsAndReportsOnce) {
  TKivShellList& list = Shown();
  const int rows = list.Items().Count();
  SelectOnly(list, {L"a.txt", L"b.txt"});
  DeleteConfirmation confirmation(IDYES);
  MenuDriver driver(PickText(L"Delete"));
  EXPECT_EQ(list.ShowItemMenu(POINT{60, 60}), L"delete") << driver.Trace();
  EXPECT_EQ(confirmation.Shown(), 1);
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].operations, 0x0C0);
  std::vector<std::wstring> files = reports_[0].files;
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::wstring>{folder_ / L"a.txt", folder_ / L"b.txt"}));
  EXPECT_EQ(reports_[0].rows_then, rows - 2);
  EXPECT_EQ(list.Items().Count(), rows - 2);
}

TEST_F(ShellListMenu, CutGhostsTheSelectedRows) {
  TKivShellList& list = Shown();
  SelectOnly(list, {L"a.txt", L"sub"});
  MenuDriver driver(PickText(L"Cut"));
  EXPECT_EQ(list.ShowItemMenu(POINT{60, 60}), L"cut") << driver.Trace();
  EXPECT_TRUE(Row(list, L"a.txt")->Cut());
  EXPECT_TRUE(Row(list, L"sub")->Cut());
  EXPECT_FALSE(Row(list, L"b.txt")->Cut());
  EXPECT_TRUE(reports_.empty());
}

// Made from Linux: names that differ only in case, and a name that parsed
// as a path would lose its trailing dot and name the other file. The menu,
// and a deletion notice, reach the chosen object and no namesake.
TEST_F(ShellListMenu, TheMenuAndNoticesActOnTheChosenRowsObjectNotOnANamesake) {
  ASSERT_TRUE(MakeHostFiles(folder_.Path(), {L"Notes.txt", L"notes.txt", L"report", L"report."}));
  TKivShellList& list = MakeList();
  list.SetPath(folder_.Path());
  Attach(list);
  ASSERT_EQ(list.Items().Count(), 4);
  for (int i = 0; i < 4; ++i) {
    TListItem* row = list.Items()[i];
    const std::wstring path = list.ItemPath(row);
    list.ClearSelection();
    row->SetSelected(true);
    const RECT label = row->DisplayRect(TDisplayCode::drLabel);
    MenuDriver driver(PickText(L"Copy"));
    EXPECT_EQ(AskForMenu(list, OnScreen(list, {(label.left + label.right) / 2,
                                               (label.top + label.bottom) / 2})),
              0);
    const std::unique_ptr<TStringList> copied = ClipboardFiles();
    ASSERT_TRUE(copied) << driver.Trace();
    EXPECT_EQ(copied->Items(), std::vector<std::wstring>{path});
  }

  // The later of the two whose names differ only in case: a match that
  // ignores case meets the other first.
  std::vector<std::wstring> notes;
  for (int i = 0; i < 4; ++i)
    if (SameText(ExtractFileName(list.ItemPath(list.Items()[i])), L"notes.txt"))
      notes.push_back(list.ItemPath(list.Items()[i]));
  ASSERT_EQ(notes.size(), 2u);
  const AbsoluteIdList doomed = PathToIdList(notes[1]);
  PCIDLIST_ABSOLUTE items[2] = {doomed.get(), nullptr};
  SendMessageW(list.ChangeNotifier().Handle(), TKivShellChangeNotifier::kNotifyMessage,
               reinterpret_cast<WPARAM>(items), SHCNE_DELETE);
  std::vector<std::wstring> left;
  for (int i = 0, n = list.Items().Count(); i < n; ++i)
    left.push_back(list.ItemPath(list.Items()[i]));
  EXPECT_EQ(std::count(left.begin(), left.end(), notes[0]), 1);
  EXPECT_EQ(std::count(left.begin(), left.end(), notes[1]), 0);
}

TEST_F(ShellListMenu, AReadOnlyListsMenuDeletesOnlyWhatTheSelectHandlerAllows) {
  TKivShellList& list = Shown();
  list.SetReadOnly(true);
  SelectOnly(list, {L"a.txt"});
  DeleteConfirmation confirmation(IDYES);
  {
    MenuDriver driver(PickText(L"Delete"));
    EXPECT_EQ(list.ShowItemMenu(POINT{60, 60}), L"") << driver.Trace();
  }
  EXPECT_TRUE(PathExists(folder_ / L"a.txt"));
  std::vector<std::wstring> asked;
  list.SetOnContextMenuSelect(
      [&](TObject*, const std::wstring& verb, bool&) { asked.push_back(verb); });
  MenuDriver driver(PickText(L"Delete"));
  EXPECT_EQ(list.ShowItemMenu(POINT{60, 60}), L"delete") << driver.Trace();
  list.SetOnContextMenuSelect(nullptr);
  EXPECT_EQ(asked, std::vector<std::wstring>{L"delete"});
  EXPECT_FALSE(PathExists(folder_ / L"a.txt"));
  EXPECT_EQ(reports_.size(), 1u);
}

// What the test's context menu offers: one entry, whose verb runs the
// test's stand-in for the platform's (Wine's "paste" pastes nothing and its
// "delete" always recycles); each invocation's keys are noted, and the
// sub-menus the shell was told to initialise.
struct Script {
  std::string verb;
  std::function<void()> action;
  std::vector<DWORD> masks;
  std::vector<WPARAM> initialised;
};

class ScriptedMenu final : public IContextMenu2 {
 public:
  explicit ScriptedMenu(Script& script) : script_(script) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    *object = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IContextMenu) ||
                      IsEqualIID(iid, IID_IContextMenu2)
                  ? this
                  : nullptr;
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU menu, UINT position, UINT first, UINT,
                                             UINT) override {
    const std::wstring text(script_.verb.begin(), script_.verb.end());
    InsertMenuW(menu, position, MF_BYPOSITION | MF_STRING, first, text.c_str());
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1);
  }
  HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO* info) override {
    const bool picked = info->lpVerb == MAKEINTRESOURCEA(0);
    const bool named = !IS_INTRESOURCE(info->lpVerb) && script_.verb == info->lpVerb;
    if (!picked && !named) return E_INVALIDARG;
    script_.masks.push_back(info->fMask);
    script_.action();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR offset, UINT type, UINT*, CHAR* name,
                                             UINT size) override {
    if (type != GCS_VERBA || offset != 0) return E_INVALIDARG;
    lstrcpynA(name, script_.verb.c_str(), static_cast<int>(size));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE HandleMenuMsg(UINT msg, WPARAM wparam, LPARAM) override {
    if (msg == WM_INITMENUPOPUP) script_.initialised.push_back(wparam);
    return S_OK;
  }

 private:
  Script& script_;
  ULONG references_ = 1;
};

// A real folder whose objects get the scripted menu, and whose sub-folder
// "target" shows as "Target folder": a caption that is no file name.
class ScriptedFolder final : public PassThroughShellFolder {
 public:
  static constexpr wchar_t kShownName[] = L"Target folder";
  explicit ScriptedFolder(ComPtr<IShellFolder2> real) : PassThroughShellFolder(std::move(real)) {}
  Script script;

  HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND owner, UINT count, PCUITEMID_CHILD_ARRAY ids,
                                          REFIID iid, UINT* reserved, void** object) override {
    if (!IsEqualIID(iid, IID_IContextMenu))
      return real_->GetUIObjectOf(owner, count, ids, iid, reserved, object);
    *object = static_cast<IContextMenu*>(new ScriptedMenu(script));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDisplayNameOf(PCUITEMID_CHILD id, SHGDNF flags,
                                             STRRET* name) override {
    STRRET parsing{};
    if (!(flags & SHGDN_FORPARSING) &&
        SUCCEEDED(real_->GetDisplayNameOf(id, SHGDN_INFOLDER | SHGDN_FORPARSING, &parsing)) &&
        StrRetToString(id, parsing) == L"target") {
      name->uType = STRRET_WSTR;
      name->pOleStr = static_cast<wchar_t*>(CoTaskMemAlloc(sizeof(kShownName)));
      if (!name->pOleStr) return E_OUTOFMEMORY;
      memcpy(name->pOleStr, kShownName, sizeof(kShownName));
      return S_OK;
    }
    return real_->GetDisplayNameOf(id, flags, name);
  }
};

class ShellListScriptedMenu : public ShellListMenu {
 protected:
  TKivShellList& ShownScripted(std::string verb, std::function<void()> action) {
    MakeFiles();
    folder_.MakeFolder(L"target");
    AbsoluteIdList id_list;
    scripted_ = PassThroughShellFolder::Of<ScriptedFolder>(folder_.Path(), &id_list);
    scripted_->script.verb = std::move(verb);
    scripted_->script.action = std::move(action);
    TKivShellList& list = MakeList();
    list.Dirwalker().SetShellFolder(scripted_, id_list.get());
    list.Populate();
    return Attach(list);
  }

  ComPtr<ScriptedFolder> scripted_;
};

// The platform's "delete" with Shift held deletes for good; Wine's recycles
// either way, so what is checked is that the shell hears of Shift.
TEST_F(ShellListScriptedMenu, DeletePickedWithShiftHeldTellsTheShell) {
  std::wstring doomed;
  TKivShellList& list = ShownScripted("delete", [&] { DeleteFileW(doomed.c_str()); });
  const std::wstring caption = ShellDisplayName(folder_.Path(), L"a.txt");
  SelectOnly(list, {L"a.txt"});
  doomed = folder_ / L"a.txt";
  {
    HeldKeys shift{VK_SHIFT};
    MenuDriver driver(PickText(L"delete"));
    EXPECT_EQ(list.ShowItemMenu(POINT{60, 60}), L"delete") << driver.Trace();
  }
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].files, std::vector<std::wstring>{doomed});
  EXPECT_FALSE(HasCaption(list, caption));

  SelectOnly(list, {L"b.txt"});
  doomed = folder_ / L"b.txt";
  MenuDriver driver(PickText(L"delete"));
  EXPECT_EQ(list.ShowItemMenu(POINT{60, 60}), L"delete") << driver.Trace();
  const std::vector<DWORD>& masks = scripted_->script.masks;
  ASSERT_EQ(masks.size(), 2u);
  EXPECT_TRUE(masks[0] & CMIC_MASK_SHIFT_DOWN);
  EXPECT_FALSE(masks[1] & CMIC_MASK_SHIFT_DOWN);
}

// A menu that the list owns hands its messages to the list: they reach the
// shell's open menu, and only while it is open.
TEST_F(ShellListScriptedMenu, MenuMessagesToTheListReachTheShellWhileItsMenuIsOpen) {
  TKivShellList& list = ShownScripted("open", [] {});
  const UniqueMenu foreign(CreatePopupMenu());
  const auto wparam = reinterpret_cast<WPARAM>(foreign.get());
  SendMessageW(list.Handle(), WM_INITMENUPOPUP, wparam, 0);
  SelectOnly(list, {L"a.txt"});
  MenuDriver driver([&](const std::vector<MenuEntry>&) {
    SendMessageW(list.Handle(), WM_INITMENUPOPUP, wparam, 0);
    return -1;
  });
  list.ShowItemMenu(POINT{60, 60});
  SendMessageW(list.Handle(), WM_INITMENUPOPUP, wparam, 0);
  const std::vector<WPARAM>& initialised = scripted_->script.initialised;
  EXPECT_EQ(std::count(initialised.begin(), initialised.end(), wparam), 1);
}

// The files were cut in another folder by the shell's own "cut"; the
// scripted "paste" moves them as the platform's would.
TEST_F(ShellListScriptedMenu, PasteOntoAFolderRowReportsTheFolderByItsPath) {
  TempFolder source;
  const std::vector<std::wstring> files{source.MakeFile(L"one.txt"), source.MakeFile(L"two.txt")};
  {
    TDirwalker walker(nullptr);
    walker.SetShowErrorMessages(false);
    walker.SetFolder(source.Path());
    walker.MultiObjects().Assign({L"one.txt", L"two.txt"});
    ASSERT_TRUE(walker.RunVerb(L"cut"));
  }
  TKivShellList& list = ShownScripted("paste", [&] {
    for (const std::wstring& file : files)
      MoveFileW(file.c_str(), (folder_ / L"target\\" + ExtractFileName(file)).c_str());
  });
  const int target = IndexOfCaption(list, ScriptedFolder::kShownName);
  ASSERT_GE(target, 0);
  list.ClearSelection();
  list.Items()[target]->SetSelected(true);
  MenuDriver driver(PickText(L"paste"));
  EXPECT_EQ(list.ShowItemMenu(POINT{60, 60}), L"paste") << driver.Trace();
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].operations, 0x122);
  EXPECT_EQ(reports_[0].files, files);
  EXPECT_EQ(reports_[0].destination, folder_ / L"target");
}

// The verb run on the selection, as InvokeVerb runs it, pastes into the
// selected folder row like the menu's entry.
TEST_F(ShellListScriptedMenu, PasteVerbOnAFolderRowReportsTheFolderByItsPath) {
  TempFolder source;
  const std::wstring file = source.MakeFile(L"one.txt");
  {
    TDirwalker walker(nullptr);
    walker.SetShowErrorMessages(false);
    walker.SetFolder(source.Path());
    walker.SetObjectName(L"one.txt");
    ASSERT_TRUE(walker.RunVerb(L"copy"));
  }
  TKivShellList& list = ShownScripted(
      "paste", [&] { CopyFileW(file.c_str(), (folder_ / L"target\\one.txt").c_str(), TRUE); });
  const int target = IndexOfCaption(list, ScriptedFolder::kShownName);
  ASSERT_GE(target, 0);
  list.ClearSelection();
  list.Items()[target]->SetSelected(true);
  EXPECT_TRUE(list.InvokeVerb(L"paste"));
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].operations, 0x121);
  EXPECT_EQ(reports_[0].destination, folder_ / L"target");
}

}  // namespace
}  // namespace wf::test
