#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "framework/Application.h"
#include "framework/Menus.h"
#include "shell/core/Dirwalker.h"
#include "shell/core/ShellUtils.h"
#include "tests/framework/FrameworkTestHelpers.h"
#include "tests/shell/core/ShellCoreTestHelpers.h"
#include "tests/support/MenuDriver.h"
#include "tests/support/TempFolder.h"

namespace wf {
namespace {

using Microsoft::WRL::ComPtr;
using test::MenuDriver;
using test::MenuEntry;
using test::TempFolder;

bool IsShellCommand(UINT id) {
  return id >= 1 && id < kFirstMenuCommand;
}

MenuDriver::Picker PickText(const std::wstring& text) {
  return [text](const std::vector<MenuEntry>& entries) { return MenuDriver::Find(entries, text); };
}

MenuDriver::Picker Dismiss() {
  return [](const std::vector<MenuEntry>&) { return -1; };
}

void EmptyClipboard() {
  if (!OpenClipboard(nullptr)) return;
  ::EmptyClipboard();
  CloseClipboard();
}

// Answers, from a thread of its own, every dialog that the thread which made
// it shows (the shell's delete confirmation) with `command`, and counts them.
class DialogAnswerer {
 public:
  explicit DialogAnswerer(WPARAM command)
      : ui_thread_(GetCurrentThreadId()), command_(command), thread_([this] { Run(); }) {}
  ~DialogAnswerer() {
    stop_ = true;
    thread_.join();
  }
  int Count() const { return count_; }

 private:
  void Run() {
    while (!stop_) {
      EnumThreadWindows(ui_thread_, &DialogAnswerer::Visit, reinterpret_cast<LPARAM>(this));
      Sleep(10);
    }
  }
  static BOOL CALLBACK Visit(HWND hwnd, LPARAM self_pointer) {
    auto* self = reinterpret_cast<DialogAnswerer*>(self_pointer);
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    if (std::wstring(name) != L"#32770" || !IsWindowVisible(hwnd) || self->answered_.count(hwnd))
      return TRUE;
    self->answered_.insert(hwnd);
    ++self->count_;
    PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(self->command_, BN_CLICKED), 0);
    return TRUE;
  }

  const DWORD ui_thread_;
  const WPARAM command_;
  std::atomic<bool> stop_{false};
  std::atomic<int> count_{0};
  std::set<HWND> answered_;
  std::thread thread_;
};

class DirwalkerMenu : public testing::Test {
 protected:
  void SetUp() override {
    file_ = temp_.MakeFile(L"a.txt");
    temp_.MakeFolder(L"sub");
    test::Quiet(walker_);
    walker_.SetFolder(temp_.Path());
    walker_.SetObjectName(L"a.txt");
    one_ = AddItem(L"App one");
    one_->SetHint(L"One|The first application item");
    two_ = AddItem(L"App two");
    EmptyClipboard();
  }

  TMenuItem* AddItem(const std::wstring& caption) {
    auto* item = new TMenuItem();
    item->SetCaption(caption);
    item->OnClick = [this](TObject* sender) { clicked_.push_back(sender); };
    app_menu_.Items().Add(item);
    return item;
  }

  std::wstring Popup(MenuDriver::Picker pick, bool dismiss_after_highlight = false) {
    MenuDriver driver(std::move(pick), dismiss_after_highlight);
    const std::wstring verb = walker_.PopupShellMenu(POINT{60, 60}, &app_menu_);
    EXPECT_TRUE(driver.Seen()) << "no menu was shown";
    trace_ = driver.Trace();
    entries_ = driver.Entries();
    highlighted_ = driver.Highlighted();
    return verb;
  }

  TempFolder temp_;
  std::wstring file_;
  TDirwalker walker_;
  TPopupMenu app_menu_;
  TMenuItem* one_ = nullptr;
  TMenuItem* two_ = nullptr;
  std::vector<TObject*> clicked_;
  std::vector<MenuEntry> entries_;
  bool highlighted_ = false;
  std::wstring trace_;
};

// Wine numbers the shell's Open 259, and marks the menu's first entry as
// the default, whoever made it: the shell's Open is there and is the
// default in either arrangement.
TEST_F(DirwalkerMenu, ApplicationItemsComeFirstUnlessTheShellsAreOnTop) {
  EXPECT_EQ(Popup(Dismiss()), L"");
  ASSERT_GE(entries_.size(), 3u);
  EXPECT_EQ(entries_[0].text, L"App one");
  EXPECT_EQ(entries_[1].text, L"App two");
  EXPECT_TRUE(IsShellCommand(entries_[2].id) || entries_[2].separator);
  for (size_t i = 0; i < 2; ++i) EXPECT_GE(entries_[i].id, kFirstMenuCommand);
  EXPECT_EQ(MenuDriver::Defaults(entries_), std::vector<std::wstring>{L"&Open"});

  walker_.SetShowContextMenuOnTop(true);
  EXPECT_EQ(Popup(Dismiss()), L"");
  ASSERT_GE(entries_.size(), 3u);
  EXPECT_TRUE(IsShellCommand(entries_[0].id));
  EXPECT_EQ(entries_[entries_.size() - 2].text, L"App one");
  EXPECT_EQ(entries_.back().text, L"App two");
  EXPECT_EQ(MenuDriver::Defaults(entries_), std::vector<std::wstring>{L"&Open"});
  EXPECT_TRUE(clicked_.empty());

  // An application's item marked as the default stays the default.
  walker_.SetShowContextMenuOnTop(false);
  two_->SetDefault(true);
  EXPECT_EQ(Popup(Dismiss()), L"");
  EXPECT_EQ(MenuDriver::Defaults(entries_), std::vector<std::wstring>{L"App two"});
}

// Wine's shell offers no rename entry beside CMF_EXPLORE: the menu adds one
// after Delete, for one object that may be renamed, while OnRename is
// assigned, and the entry raises it.
TEST_F(DirwalkerMenu, RenameEntryIsAddedForOneRenamableObjectAndRaisesOnRename) {
  int renames = 0;
  walker_.OnRename = [&](TObject* sender) {
    EXPECT_EQ(sender, &walker_);
    ++renames;
  };
  EXPECT_EQ(Popup(PickText(L"Rename")), L"rename") << trace_;
  EXPECT_EQ(renames, 1);
  const int rename = MenuDriver::Find(entries_, L"Rename");
  ASSERT_GT(rename, 0);
  EXPECT_EQ(entries_[rename].text, L"&Rename");
  EXPECT_EQ(MenuDriver::Find(entries_, L"Delete"), rename - 1);
  EXPECT_TRUE(IsShellCommand(entries_[rename].id));
  std::set<UINT> ids;
  for (const MenuEntry& entry : entries_)
    if (!entry.separator) EXPECT_TRUE(ids.insert(entry.id).second) << entry.id;
  EXPECT_TRUE(test::FileExists(file_));

  walker_.MultiObjects().Add(L"a.txt");
  Popup(Dismiss());
  EXPECT_GT(MenuDriver::Find(entries_, L"Rename"), 0) << "one object named";
  walker_.MultiObjects().Assign(std::vector<std::wstring>{L"a.txt", L"sub"});
  Popup(Dismiss());
  EXPECT_EQ(MenuDriver::Find(entries_, L"Rename"), -1) << "two objects";
  walker_.OnRename = nullptr;
  Popup(Dismiss());
  EXPECT_EQ(MenuDriver::Find(entries_, L"Rename"), -1) << "no OnRename";
  EXPECT_EQ(renames, 1);
  EXPECT_TRUE(clicked_.empty());
}

TEST_F(DirwalkerMenu, OnPopupOfTheApplicationsMenuRunsFirst) {
  app_menu_.OnPopup = [this](TObject*) { AddItem(L"App late"); };
  Popup(Dismiss());
  ASSERT_GE(entries_.size(), 3u);
  EXPECT_EQ(entries_[2].text, L"App late");
}

TEST_F(DirwalkerMenu, ApplicationItemIsClickedAndAnswersNoVerb) {
  EXPECT_EQ(Popup(PickText(L"App two")), L"");
  ASSERT_EQ(clicked_.size(), 1u);
  // The click of the copy: the handler and the item's properties are the
  // original's.
  EXPECT_EQ(static_cast<TMenuItem*>(clicked_[0])->Caption(), L"App two");
  EXPECT_TRUE(walker_.MultiObjects().Empty());
}

TEST_F(DirwalkerMenu, ReadOnlyGuardRefusesDeleteButCopyRuns) {
  walker_.SetReadOnlyGuard(true);
  EXPECT_EQ(Popup(PickText(L"Copy")), L"copy") << trace_;
  std::unique_ptr<TStringList> files = ClipboardFiles();
  ASSERT_TRUE(files);
  ASSERT_EQ(files->Count(), 1);
  EXPECT_TRUE(SameText((*files)[0], file_));

  DialogAnswerer answerer(IDYES);
  walker_.SetObjectName(L"a.txt");
  EXPECT_EQ(Popup(PickText(L"Delete")), L"");
  test::PumpFor(std::chrono::milliseconds(100));
  EXPECT_EQ(answerer.Count(), 0) << "the shell was asked to delete";
  EXPECT_TRUE(test::FileExists(file_));
}

TEST_F(DirwalkerMenu, SelectHandlerDecidesOverEveryVerb) {
  walker_.SetReadOnlyGuard(true);
  std::vector<std::wstring> asked;
  walker_.OnContextMenuSelect = [&](TObject*, const std::wstring& verb, bool& execute) {
    asked.push_back(verb);
    execute = false;
  };
  EXPECT_EQ(Popup(PickText(L"Copy")), L"");
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], L"copy");
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_HDROP));
}

TEST_F(DirwalkerMenu, DeleteAnswersItsVerbOnlyWhenTheObjectWent) {
  {
    DialogAnswerer refuse(IDNO);
    EXPECT_EQ(Popup(PickText(L"Delete")), L"");
    EXPECT_EQ(refuse.Count(), 1);
  }
  EXPECT_TRUE(test::FileExists(file_));
  DialogAnswerer confirm(IDYES);
  walker_.MultiObjects().Add(L"a.txt");
  EXPECT_EQ(Popup(PickText(L"Delete")), L"delete");
  EXPECT_FALSE(test::FileExists(file_));
}

TEST_F(DirwalkerMenu, MenuMessagesAreLeftAloneWhileNoMenuIsOpen) {
  LRESULT result = 77;
  EXPECT_FALSE(walker_.HandleMenuMessage(WM_MENUSELECT, MAKEWPARAM(300, 0), 0, result));
  EXPECT_FALSE(walker_.HandleMenuMessage(WM_INITMENUPOPUP, 0, 0, result));
  EXPECT_EQ(result, 77);
}

TEST_F(DirwalkerMenu, NoObjectShowsNoMenu) {
  walker_.SetObjectName(L"");
  MenuDriver driver(Dismiss());
  EXPECT_EQ(walker_.PopupShellMenu(POINT{60, 60}, &app_menu_), L"");
  walker_.MultiObjects().Add(L"missing.txt");
  EXPECT_EQ(walker_.PopupShellMenu(POINT{60, 60}, &app_menu_), L"");
  EXPECT_TRUE(walker_.MultiObjects().Empty());
  EXPECT_FALSE(driver.Seen());
}

// A shell context menu of the test's own making, for what Wine's cannot
// show: help texts, an entry numbered past the last identifier given, and
// how the menu was asked for and invoked.
class FakeContextMenu final : public IContextMenu2 {
 public:
  // Offsets of the entries from the first identifier given.
  static constexpr UINT kOpen = 0;
  static constexpr UINT kRename = 1;

  UINT overstep_id = 0;  // an entry numbered here too, when not 0
  HRESULT invoke_result = S_OK;
  UINT query_position = 0;
  UINT query_flags = 0;
  std::vector<UINT> invoked;  // command offsets
  std::vector<UINT> messages;

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_IContextMenu || iid == IID_IContextMenu2) {
      *object = static_cast<IContextMenu2*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (!left) delete this;
    return left;
  }

  STDMETHODIMP QueryContextMenu(HMENU menu, UINT position, UINT first, UINT, UINT flags) override {
    query_position = position;
    query_flags = flags;
    first_ = first;
    InsertMenuW(menu, position, MF_BYPOSITION | MF_STRING, first + kOpen, L"Fake open");
    InsertMenuW(menu, position + 1, MF_BYPOSITION | MF_STRING, first + kRename, L"Fake rename");
    if (overstep_id)
      InsertMenuW(menu, position + 2, MF_BYPOSITION | MF_STRING, overstep_id, L"Overstep");
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 2);
  }
  STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override {
    if (!IS_INTRESOURCE(info->lpVerb)) return E_INVALIDARG;
    invoked.push_back(LOWORD(reinterpret_cast<UINT_PTR>(info->lpVerb)));
    return invoke_result;
  }
  STDMETHODIMP GetCommandString(UINT_PTR offset, UINT type, UINT*, LPSTR name, UINT size) override {
    std::string verb = Verb(static_cast<UINT>(offset));
    if (verb.empty()) return E_INVALIDARG;
    if (type == GCS_VERBA) {
      lstrcpynA(name, verb.c_str(), static_cast<int>(size));
      return S_OK;
    }
    if (type == GCS_HELPTEXTW) {
      const std::wstring help = L"Help for " + std::wstring(verb.begin(), verb.end());
      lstrcpynW(reinterpret_cast<wchar_t*>(name), help.c_str(), static_cast<int>(size));
      return S_OK;
    }
    return E_NOTIMPL;
  }
  STDMETHODIMP HandleMenuMsg(UINT msg, WPARAM, LPARAM) override {
    messages.push_back(msg);
    return S_OK;
  }

 private:
  std::string Verb(UINT offset) const {
    if (offset == kOpen) return "fakeopen";
    if (offset == kRename) return "rename";
    if (overstep_id && offset == overstep_id - first_) return "overstep";
    return {};
  }
  ULONG references_ = 1;
  UINT first_ = 1;
};

// A folder that answers the walker with the fake menu and nothing else.
class FakeFolder final : public IShellFolder {
 public:
  explicit FakeFolder(FakeContextMenu* menu) : menu_(menu) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_IShellFolder) {
      *object = static_cast<IShellFolder*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (!left) delete this;
    return left;
  }
  STDMETHODIMP GetUIObjectOf(HWND, UINT count, PCUITEMID_CHILD_ARRAY, REFIID iid, UINT*,
                             void** object) override {
    *object = nullptr;
    if (count != 1) return E_INVALIDARG;
    return menu_->QueryInterface(iid, object);
  }
  STDMETHODIMP ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG*, PIDLIST_RELATIVE*,
                                ULONG*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP EnumObjects(HWND, SHCONTF, IEnumIDList**) override { return E_NOTIMPL; }
  STDMETHODIMP BindToObject(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP BindToStorage(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP CompareIDs(LPARAM, PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP CreateViewObject(HWND, REFIID, void**) override { return E_NOTIMPL; }
  STDMETHODIMP GetAttributesOf(UINT, PCUITEMID_CHILD_ARRAY, SFGAOF*) override { return E_NOTIMPL; }
  STDMETHODIMP GetDisplayNameOf(PCUITEMID_CHILD, SHGDNF, STRRET*) override { return E_NOTIMPL; }
  STDMETHODIMP SetNameOf(HWND, PCUITEMID_CHILD, LPCWSTR, SHGDNF, PITEMID_CHILD*) override {
    return E_NOTIMPL;
  }

 private:
  ComPtr<FakeContextMenu> menu_;
  ULONG references_ = 1;
};

class DirwalkerFakeMenu : public DirwalkerMenu {
 protected:
  void SetUp() override {
    DirwalkerMenu::SetUp();
    menu_.Attach(new FakeContextMenu);
    ComPtr<IShellFolder> folder;
    folder.Attach(new FakeFolder(menu_.Get()));
    AbsoluteIdList file = PathToIdList(file_);
    AbsoluteIdList list = PathToIdList(temp_.Path());
    ASSERT_TRUE(file && list);
    walker_.SetShellFolder(folder, list.get());
    walker_.SetCurrentId(LastId(file.get()).get());
  }

  ComPtr<FakeContextMenu> menu_;
};

TEST_F(DirwalkerFakeMenu, ShellEntryRunsByItsOffsetAfterTheApplicationsItems) {
  EXPECT_EQ(Popup(PickText(L"Fake open")), L"fakeopen");
  EXPECT_EQ(menu_->query_position, 2u);
  EXPECT_EQ(menu_->query_flags, static_cast<UINT>(CMF_EXPLORE));
  EXPECT_EQ(menu_->invoked, std::vector<UINT>{FakeContextMenu::kOpen});
  EXPECT_NE(std::find(menu_->messages.begin(), menu_->messages.end(), WM_INITMENUPOPUP),
            menu_->messages.end())
      << "the shell initialises its entries";
  EXPECT_TRUE(clicked_.empty());

  walker_.SetShowContextMenuOnTop(true);
  menu_->invoke_result = E_FAIL;
  EXPECT_EQ(Popup(PickText(L"Fake open")), L"") << "a failed verb answers nothing";
  EXPECT_EQ(menu_->query_position, 0u);
}

TEST_F(DirwalkerFakeMenu, RenameGoesToOnRenameWhenAssigned) {
  int renames = 0;
  walker_.OnRename = [&](TObject* sender) {
    EXPECT_EQ(sender, &walker_);
    ++renames;
  };
  EXPECT_EQ(Popup(PickText(L"Fake rename")), L"rename") << trace_;
  EXPECT_EQ(menu_->query_flags, static_cast<UINT>(CMF_EXPLORE | CMF_CANRENAME));
  EXPECT_EQ(renames, 1);
  EXPECT_TRUE(menu_->invoked.empty());

  walker_.OnRename = nullptr;
  EXPECT_EQ(Popup(PickText(L"Fake rename")), L"rename") << trace_;
  EXPECT_EQ(menu_->query_flags, static_cast<UINT>(CMF_EXPLORE));
  EXPECT_EQ(menu_->invoked, std::vector<UINT>{FakeContextMenu::kRename});
}

TEST_F(DirwalkerFakeMenu, ShellEntrysHelpTextBecomesTheHint) {
  std::vector<std::wstring> hints;
  Application->SetHint(L"");
  Application->OnHint = [&](TObject*) { hints.push_back(Application->Hint()); };
  Popup(PickText(L"Fake rename"), true);
  Application->OnHint = nullptr;
  EXPECT_TRUE(highlighted_);
  EXPECT_EQ(hints, (std::vector<std::wstring>{L"The first application item", L"",
                                              L"Help for fakeopen", L"Help for rename", L""}))
      << trace_;
  EXPECT_TRUE(menu_->invoked.empty());
}

// Wine numbers some of its entries past the last identifier it is given,
// where the copies of the application's items lie.
TEST_F(DirwalkerFakeMenu, EntryPastTheShellsRangeIsNotTakenForAnApplicationItem) {
  // The merged menu's own root takes the lowest free identifier, its first
  // copy the next one: the shell's stray entry takes each in turn.
  UINT next;
  {
    TMenuItem probe;
    next = probe.Command();
  }
  for (const UINT stray : {next, next + 1}) {
    menu_->overstep_id = stray;
    menu_->invoked.clear();
    EXPECT_EQ(Popup(PickText(L"Overstep")), L"overstep") << stray;
    EXPECT_TRUE(clicked_.empty());
    EXPECT_EQ(menu_->invoked, std::vector<UINT>{stray - 1});
    std::set<UINT> ids;
    for (const MenuEntry& entry : entries_) EXPECT_TRUE(ids.insert(entry.id).second) << entry.id;
  }
  EXPECT_EQ(Popup(PickText(L"App one")), L"");
  ASSERT_EQ(clicked_.size(), 1u);
  EXPECT_EQ(static_cast<TMenuItem*>(clicked_[0])->Caption(), L"App one");
}

}  // namespace
}  // namespace wf
