// Menu items and popup menus: building the platform's menus, short cuts,
// drawing items with images, and finding the chosen item.
#include "framework/Menus.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "framework/MessageWindow.h"

namespace wf {
namespace {

// Menu messages carry a command in 16 bits.
constexpr UINT kLastMenuCommand = 0xFFFF;

// The live items by command identifier. The lowest free identifier is handed
// out, so identifiers stay small however many menus come and go.
struct CommandRegistry {
  std::mutex mutex;
  std::unordered_map<UINT, TMenuItem*> items;
  UINT lowest_free = kFirstMenuCommand;

  UINT Allocate(TMenuItem* item, const std::set<UINT>& avoid = {}) {
    std::lock_guard lock(mutex);
    for (UINT command = lowest_free; command <= kLastMenuCommand; ++command) {
      if (items.count(command) || avoid.count(command)) continue;
      items[command] = item;
      // Avoided identifiers below stay free for others.
      if (avoid.empty()) lowest_free = command + 1;
      return command;
    }
    throw Exception(L"Out of menu command identifiers");
  }

  void Release(UINT command) {
    std::lock_guard lock(mutex);
    items.erase(command);
    lowest_free = std::min(lowest_free, command);
  }

  TMenuItem* Find(UINT command) {
    std::lock_guard lock(mutex);
    auto found = items.find(command);
    return found == items.end() ? nullptr : found->second;
  }
};

CommandRegistry& Commands() {
  static CommandRegistry registry;
  return registry;
}

std::wstring KeyName(UINT key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
    return std::wstring(1, static_cast<wchar_t>(key));
  if (key >= VK_F1 && key <= VK_F24) return L"F" + std::to_wstring(key - VK_F1 + 1);
  switch (key) {
    case VK_BACK:
      return L"BkSp";
    case VK_TAB:
      return L"Tab";
    case VK_RETURN:
      return L"Enter";
    case VK_ESCAPE:
      return L"Esc";
    case VK_SPACE:
      return L"Space";
    case VK_PRIOR:
      return L"PgUp";
    case VK_NEXT:
      return L"PgDn";
    case VK_END:
      return L"End";
    case VK_HOME:
      return L"Home";
    case VK_LEFT:
      return L"Left";
    case VK_UP:
      return L"Up";
    case VK_RIGHT:
      return L"Right";
    case VK_DOWN:
      return L"Down";
    case VK_INSERT:
      return L"Ins";
    case VK_DELETE:
      return L"Del";
  }
  // The keyboard layout's own name for the rest (punctuation, keypad).
  wchar_t name[64] = {};
  const UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
  if (scan && GetKeyNameTextW(static_cast<LONG>(scan << 16), name, 64) > 0) return name;
  return {};
}

// The item that a menu message names through its item data, when it is one
// of ours: the shell's entries in a merged menu carry data of their own.
TMenuItem* ItemOfData(ULONG_PTR data, UINT id) {
  if (data != id || data < kFirstMenuCommand || data > kLastMenuCommand) return nullptr;
  return Commands().Find(static_cast<UINT>(data));
}

HIMAGELIST ImagesOf(TMenuItem* item) {
  TPopupMenu* menu = item->Menu();
  return menu ? menu->Images() : nullptr;
}

std::optional<LRESULT> MeasureItem(MEASUREITEMSTRUCT& measure) {
  if (measure.CtlType != ODT_MENU) return std::nullopt;
  TMenuItem* item = ItemOfData(measure.itemData, measure.itemID);
  if (!item) return std::nullopt;
  int width = 0, height = 0;
  if (HIMAGELIST images = ImagesOf(item)) ImageList_GetIconSize(images, &width, &height);
  measure.itemWidth = static_cast<UINT>(width);
  measure.itemHeight = static_cast<UINT>(height);
  return TRUE;
}

std::optional<LRESULT> DrawItem(const DRAWITEMSTRUCT& draw) {
  if (draw.CtlType != ODT_MENU) return std::nullopt;
  TMenuItem* item = ItemOfData(draw.itemData, draw.itemID);
  if (!item) return std::nullopt;
  HIMAGELIST images = ImagesOf(item);
  if (!images || item->ImageIndex() < 0) return TRUE;
  int width = 0, height = 0;
  ImageList_GetIconSize(images, &width, &height);
  const int top = draw.rcItem.top + (draw.rcItem.bottom - draw.rcItem.top - height) / 2;
  const UINT style =
      (draw.itemState & ODS_GRAYED) ? ILD_TRANSPARENT | ILD_BLEND50 : ILD_TRANSPARENT;
  ImageList_Draw(images, item->ImageIndex(), draw.hDC, draw.rcItem.left, top, style);
  return TRUE;
}

// A highlighted item of a menu we show: its long hint becomes the
// application's hint; anything else clears it.
std::optional<LRESULT> SelectItem(WPARAM wparam, LPARAM lparam) {
  if (!Application) return std::nullopt;
  const UINT id = LOWORD(wparam);
  const UINT flags = HIWORD(wparam);
  TMenuItem* item = nullptr;
  if (flags & MF_POPUP) {
    HMENU sub_menu = GetSubMenu(reinterpret_cast<HMENU>(lparam), static_cast<int>(id));
    // A sub-menu item's identifier is its position; its item is found through
    // the item data of the entry that opens it.
    MENUITEMINFOW info{sizeof(info)};
    info.fMask = MIIM_DATA | MIIM_ID;
    if (GetMenuItemInfoW(reinterpret_cast<HMENU>(lparam), id, TRUE, &info))
      item = ItemOfData(info.dwItemData, info.wID);
    if (item && item->SubMenu() != sub_menu) item = nullptr;
  } else if (flags != 0xFFFF) {
    item = Commands().Find(id);
  }
  Application->SetHint(item ? GetLongHint(item->Hint()) : std::wstring());
  return 0;
}

std::optional<LRESULT> HandlePopupWindowMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_MEASUREITEM:
      return MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lparam));
    case WM_DRAWITEM:
      return DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
    case WM_MENUSELECT:
      return SelectItem(wparam, lparam);
  }
  return std::nullopt;
}

}  // namespace

// Appends the visible items of `parent` to `menu`; sub-menus are owned by
// the menu they are inserted in.
struct MenuBuilder {
  static void Build(HMENU menu, TMenuItem& parent, bool with_images);
};

void MenuBuilder::Build(HMENU menu, TMenuItem& parent, bool with_images) {
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem& item = *parent.Items(i);
    item.sub_menu_ = nullptr;
    if (!item.Visible()) continue;
    MENUITEMINFOW info{sizeof(info)};
    std::wstring text;  // lives until the insertion has copied it
    info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_DATA;
    info.wID = item.Command();
    info.dwItemData = item.Command();
    if (item.IsSeparator()) {
      info.fType = MFT_SEPARATOR;
    } else {
      info.fMask |= MIIM_STRING;
      text = item.Caption();
      if (item.ShortCut()) text += L'\t' + ShortCutToText(item.ShortCut());
      info.dwTypeData = text.data();
      if (item.RadioItem()) info.fType |= MFT_RADIOCHECK;
      if (item.Checked()) info.fState |= MFS_CHECKED;
      if (item.Default()) info.fState |= MFS_DEFAULT;
      if (!item.Enabled()) info.fState |= MFS_DISABLED;
      // The platform sends the owner window measure and draw messages for
      // a callback bitmap, and draws the text itself.
      if (with_images && item.ImageIndex() >= 0) {
        info.fMask |= MIIM_BITMAP;
        info.hbmpItem = HBMMENU_CALLBACK;
      }
    }
    if (item.Break() == TMenuBreak::mbBreak) info.fType |= MFT_MENUBREAK;
    if (item.Break() == TMenuBreak::mbBarBreak) info.fType |= MFT_MENUBARBREAK;
    UniqueMenu sub_menu;
    if (item.Count() > 0) {
      sub_menu.reset(CreatePopupMenu());
      if (!sub_menu) throw Exception(L"Cannot create a menu");
      Build(sub_menu.get(), item, with_images);
      info.fMask |= MIIM_SUBMENU;
      info.hSubMenu = sub_menu.get();
    }
    if (!InsertMenuItemW(menu, GetMenuItemCount(menu), TRUE, &info))
      throw Exception(L"Cannot add an item to a menu");
    item.sub_menu_ = sub_menu.release();
  }
}

std::wstring ShortCutToText(TShortCut shortcut) {
  const UINT key = shortcut & kShortCutKeyMask;
  if (!key) return {};
  std::wstring text;
  if (shortcut & scShift) text += L"Shift+";
  if (shortcut & scCtrl) text += L"Ctrl+";
  if (shortcut & scAlt) text += L"Alt+";
  const std::wstring name = KeyName(key);
  return name.empty() ? std::wstring() : text + name;
}

HWND PopupMenuWindow() {
  static MessageWindow window(MessageWindow::Kind::kHiddenPopup, &HandlePopupWindowMessage);
  return window.Handle();
}

// --- TMenuItem -------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(Commands().Allocate(this)) {}

TMenuItem::~TMenuItem() {
  MarkDestroying();
  if (parent_) parent_->Remove(this);
  Clear();
  Commands().Release(command_);
}

void TMenuItem::Add(TMenuItem* item) {
  if (!item || item == this) return;
  if (item->parent_) item->parent_->Remove(item);
  item->parent_ = this;
  items_.push_back(item);
}

void TMenuItem::Remove(TMenuItem* item) {
  auto found = std::find(items_.begin(), items_.end(), item);
  if (found == items_.end()) return;
  items_.erase(found);
  item->parent_ = nullptr;
}

void TMenuItem::Clear() {
  while (!items_.empty()) delete items_.back();  // each leaves the list
}

void TMenuItem::Assign(const TMenuItem& source) {
  caption_ = source.caption_;
  shortcut_ = source.shortcut_;
  checked_ = source.checked_;
  default_ = source.default_;
  enabled_ = source.enabled_;
  group_index_ = source.group_index_;
  help_context_ = source.help_context_;
  radio_item_ = source.radio_item_;
  tag_ = source.tag_;
  visible_ = source.visible_;
  hint_ = source.hint_;
  image_index_ = source.image_index_;
  break_ = source.break_;
  OnClick = source.OnClick;
}

void TMenuItem::AddCopiesOf(const TMenuItem& source) {
  for (TMenuItem* original : source.items_) {
    auto copy = std::make_unique<TMenuItem>();
    copy->Assign(*original);
    copy->AddCopiesOf(*original);
    Add(copy.release());
  }
}

TMenuItem* TMenuItem::Find(UINT command) {
  if (command == command_) return this;
  for (TMenuItem* item : items_)
    if (TMenuItem* found = item->Find(command)) return found;
  return nullptr;
}

TMenuItem* TMenuItem::FindBySubMenu(HMENU handle) {
  if (!handle) return nullptr;
  if (sub_menu_ == handle) return this;
  for (TMenuItem* item : items_)
    if (TMenuItem* found = item->FindBySubMenu(handle)) return found;
  return nullptr;
}

void TMenuItem::ChangeCommand(const std::set<UINT>& avoid) {
  const UINT previous = command_;
  command_ = Commands().Allocate(this, avoid);
  Commands().Release(previous);
}

TPopupMenu* TMenuItem::Menu() const {
  const TMenuItem* root = this;
  while (root->parent_) root = root->parent_;
  return root->menu_;
}

void TMenuItem::Click() {
  Raise(OnClick, this);
}

// --- TPopupMenu ------------------------------------------------------------

TPopupMenu::TPopupMenu(TComponent* owner)
    : TComponent(owner), items_(std::make_unique<TMenuItem>()) {
  items_->menu_ = this;
}

TPopupMenu::~TPopupMenu() {
  MarkDestroying();
  handle_.reset();
  items_.reset();
}

HMENU TPopupMenu::Handle() {
  if (!handle_) RebuildHandle();
  return handle_.get();
}

void TPopupMenu::RebuildHandle() {
  handle_.reset();
  UniqueMenu menu(CreatePopupMenu());
  if (!menu) throw Exception(L"Cannot create a menu");
  MenuBuilder::Build(menu.get(), *items_, images_ != nullptr);
  handle_ = std::move(menu);
}

TMenuItem* TPopupMenu::FindItem(UINT command) {
  for (int i = 0; i < items_->Count(); ++i)
    if (TMenuItem* found = items_->Items(i)->Find(command)) return found;
  return nullptr;
}

void TPopupMenu::Popup(int x, int y) {
  Raise(OnPopup, this);
  RebuildHandle();
  HWND window = PopupMenuWindow();
  const UINT command = static_cast<UINT>(TrackPopupMenu(
      handle_.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN, x, y, 0, window, nullptr));
  // Lets the platform finish the menu's own business before a click handler
  // starts something modal.
  PostMessageW(window, WM_NULL, 0, 0);
  if (command == 0) return;
  if (TMenuItem* item = FindItem(command)) item->Click();
}

}  // namespace wf
