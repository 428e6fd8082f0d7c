#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "framework/Component.h"
#include "framework/Handles.h"

namespace wf {

class TPopupMenu;

// A key with its modifiers: the virtual key in bits 0-12, and the flags below.
using TShortCut = uint16_t;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut kShortCutKeyMask = 0x1FFF;

// "Ctrl+Shift+Del" and the like; empty for no short cut.
std::wstring ShortCutToText(TShortCut shortcut);

enum class TMenuBreak { mbNone, mbBreak, mbBarBreak };

// The first command identifier handed to a menu item. Merged shell menus
// number the shell's entries from 1 to 0x7FFF, so none of ours may fall
// there; menu messages carry identifiers in 16 bits, which leaves ours the
// upper half.
constexpr UINT kFirstMenuCommand = 0x8000;

// One entry of a menu, with the entries of its sub-menu. An item frees its
// sub-items; an item freed by its owner first leaves its parent.
class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* owner = nullptr);
  ~TMenuItem() override;

  // Unique among the live items of the process, never below kFirstMenuCommand.
  UINT Command() const { return command_; }

  const std::wstring& Caption() const { return caption_; }
  void SetCaption(std::wstring caption) { caption_ = std::move(caption); }
  bool IsSeparator() const { return caption_ == L"-"; }
  TShortCut ShortCut() const { return shortcut_; }
  void SetShortCut(TShortCut shortcut) { shortcut_ = shortcut; }
  bool Checked() const { return checked_; }
  void SetChecked(bool value) { checked_ = value; }
  bool Default() const { return default_; }
  void SetDefault(bool value) { default_ = value; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { enabled_ = value; }
  uint8_t GroupIndex() const { return group_index_; }
  void SetGroupIndex(uint8_t value) { group_index_ = value; }
  int HelpContext() const { return help_context_; }
  void SetHelpContext(int value) { help_context_ = value; }
  bool RadioItem() const { return radio_item_; }
  void SetRadioItem(bool value) { radio_item_ = value; }
  intptr_t Tag() const { return tag_; }
  void SetTag(intptr_t value) { tag_ = value; }
  bool Visible() const { return visible_; }
  void SetVisible(bool value) { visible_ = value; }
  const std::wstring& Hint() const { return hint_; }
  void SetHint(std::wstring hint) { hint_ = std::move(hint); }
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int value) { image_index_ = value; }
  TMenuBreak Break() const { return break_; }
  void SetBreak(TMenuBreak value) { break_ = value; }

  // Sub-items. Add takes the item over (it leaves its former parent).
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int index) const { return items_.at(index); }
  TMenuItem* Parent() const { return parent_; }
  void Add(TMenuItem* item);
  void Remove(TMenuItem* item);
  void Clear();
  // Takes every property but the command identifier and the sub-items.
  void Assign(const TMenuItem& source);
  // Appends copies of `source`'s sub-items, theirs with them.
  void AddCopiesOf(const TMenuItem& source);

  // This item or one below it, or none.
  TMenuItem* Find(UINT command);
  // The item whose sub-menu has this handle, while a menu handle is built.
  TMenuItem* FindBySubMenu(HMENU handle);
  // The platform sub-menu of an item with sub-items while its menu is built.
  HMENU SubMenu() const { return sub_menu_; }
  // A new identifier, none of `avoid`, for an item that must not share one
  // with the entries a shell put next to it.
  void ChangeCommand(const std::set<UINT>& avoid);
  // The popup menu whose items these are, or none.
  TPopupMenu* Menu() const;

  void Click();
  TNotifyEvent OnClick;

 private:
  friend class TPopupMenu;
  friend struct MenuBuilder;
  UINT command_;
  std::wstring caption_;
  TShortCut shortcut_ = 0;
  bool checked_ = false;
  bool default_ = false;
  bool enabled_ = true;
  uint8_t group_index_ = 0;
  int help_context_ = 0;
  bool radio_item_ = false;
  intptr_t tag_ = 0;
  bool visible_ = true;
  std::wstring hint_;
  int image_index_ = -1;
  TMenuBreak break_ = TMenuBreak::mbNone;
  std::vector<TMenuItem*> items_;
  TMenuItem* parent_ = nullptr;
  TPopupMenu* menu_ = nullptr;  // set on a popup menu's root item
  HMENU sub_menu_ = nullptr;    // owned by the platform menu it lies in
};

// A context menu: items, their images, and the platform menu built from them.
class TPopupMenu : public TComponent {
 public:
  explicit TPopupMenu(TComponent* owner = nullptr);
  ~TPopupMenu() override;

  TMenuItem& Items() { return *items_; }
  const TMenuItem& Items() const { return *items_; }
  // Borrowed: the caller keeps the list alive while the menu may show.
  HIMAGELIST Images() const { return images_; }
  void SetImages(HIMAGELIST images) { images_ = images; }

  // The platform menu of the visible items, built on first need and kept
  // until the menu is freed or rebuilt.
  HMENU Handle();
  void RebuildHandle();
  bool HandleAllocated() const { return static_cast<bool>(handle_); }

  // An item of the menu (never the root that holds them), or none.
  TMenuItem* FindItem(UINT command);
  TMenuItem* FindItemBySubMenu(HMENU handle) { return items_->FindBySubMenu(handle); }

  // Runs OnPopup, shows the menu at the screen point and clicks the item
  // picked, after the menu has closed.
  void Popup(int x, int y);

  TNotifyEvent OnPopup;

 private:
  std::unique_ptr<TMenuItem> items_;
  HIMAGELIST images_ = nullptr;
  UniqueMenu handle_;
};

// The framework's hidden window that owns the menus it shows: it measures
// and draws the items' images and turns item highlighting into the
// application's hint. Whoever owns a menu holding our items sends these
// messages on to it.
HWND PopupMenuWindow();

}  // namespace wf
