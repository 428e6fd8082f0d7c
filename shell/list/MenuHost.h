#pragma once

#include <windows.h>

#include <string>

namespace wf {

class TComponent;
class TKivShellList;
class TListItem;
class TPopupMenu;

// The menus a shell list shows: for a right-click, the context-menu key or
// Shift+F10, the shell's menu of the selected rows merged with the list's
// popup menu, or the list's background menu outside every row; then what
// the list does after the shell's verb ran. While a menu is open rows may
// come and go: the menu's rows are found again by their objects afterwards,
// never by their places.
class MenuHost {
 public:
  explicit MenuHost(TKivShellList& list) : list_(list) {}

  TPopupMenu* Background() const { return background_; }
  void SetBackground(TPopupMenu* menu);
  // The component is being freed.
  void Forget(TComponent* component);

  LRESULT ContextMenuRequested(WPARAM wparam, LPARAM lparam);
  // Whoever shows a menu with the list as its owner sends it these; the
  // folder object's merged menu takes them only while it is open.
  LRESULT MenuMessage(UINT msg, WPARAM wparam, LPARAM lparam);
  std::wstring ShowItemMenu(POINT point);
  bool ShowBackgroundMenu(POINT point);
  // The bottom-right corner of the row's selection bounds, on the screen.
  POINT SelectionMenuPoint(TListItem* item);

 private:
  TKivShellList& list_;
  TPopupMenu* background_ = nullptr;
};

}  // namespace wf
