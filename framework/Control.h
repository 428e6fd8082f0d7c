#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/Component.h"
#include "framework/Graphics.h"

namespace wf {

class TPopupMenu;

// The point is in client coordinates, or (-1, -1) when the menu was asked
// for from the keyboard. A handler that sets `handled` shows no menu.
using TContextPopupEvent = std::function<void(TObject* sender, POINT point, bool& handled)>;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// The modifier keys held and the mouse buttons down when an input message
// arrived; ssDouble marks the second press of a double-click.
enum class TShift : unsigned {
  ssShift = 1,
  ssAlt = 2,
  ssCtrl = 4,
  ssLeft = 8,
  ssRight = 16,
  ssMiddle = 32,
  ssDouble = 64
};

class TShiftState {
 public:
  constexpr TShiftState() = default;
  constexpr TShiftState(TShift shift) : bits_(static_cast<unsigned>(shift)) {}
  constexpr bool Contains(TShift shift) const {
    return (bits_ & static_cast<unsigned>(shift)) != 0;
  }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr TShiftState& Include(TShift shift) {
    bits_ |= static_cast<unsigned>(shift);
    return *this;
  }
  constexpr TShiftState& Exclude(TShift shift) {
    bits_ &= ~static_cast<unsigned>(shift);
    return *this;
  }
  friend constexpr TShiftState operator|(TShiftState a, TShiftState b) {
    TShiftState both;
    both.bits_ = a.bits_ | b.bits_;
    return both;
  }
  friend constexpr bool operator==(TShiftState a, TShiftState b) = default;

 private:
  unsigned bits_ = 0;
};

constexpr TShiftState operator|(TShift a, TShift b) {
  return TShiftState(a) | TShiftState(b);
}

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// A handler may change the key, or clear it to 0: a cleared key goes no
// further, the platform's own handling of it included.
using TKeyEvent = std::function<void(TObject* sender, WORD& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, wchar_t& key)>;
using TMouseEvent =
    std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;

// The modifier keys as the thread's keyboard state has them now.
TShiftState KeyboardShiftState();

// What a control's window is made from. A control either registers a window
// class of its own or superclasses a system class (the list view): then every
// message, WM_NCCREATE included, passes through the control first.
struct TCreateParams {
  std::wstring class_name;  // the class registered for this control
  std::wstring base_class;  // system class to superclass, or empty
  std::wstring caption;
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  DWORD ex_style = 0;
  UINT class_style = CS_DBLCLKS;
  int x = 0, y = 0, width = 0, height = 0;
  HWND parent = nullptr;
};

// A control with a window of its own. The window is made on first need
// (Handle()), and re-made by RecreateWnd when a property that lives in the
// window's creation parameters changes.
class TWinControl : public TComponent {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  HWND Handle();
  bool HandleAllocated() const { return hwnd_ != nullptr; }
  void HandleNeeded() { Handle(); }
  static TWinControl* FromHandle(HWND hwnd);

  TWinControl* Parent() const { return parent_; }
  void SetParent(TWinControl* parent);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  int ClientWidth();
  int ClientHeight();

  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);
  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);
  int TabOrder() const { return tab_order_; }
  void SetTabOrder(int order) { tab_order_ = order; }
  TColor Color() const { return color_; }
  virtual void SetColor(TColor color);
  TFont& Font() { return font_; }
  bool ParentFont() const { return parent_font_; }
  void SetParentFont(bool value) { parent_font_ = value; }
  const std::wstring& Hint() const { return hint_; }
  void SetHint(std::wstring hint) { hint_ = std::move(hint); }

  bool Focused() const;
  bool CanFocus() const;
  void SetFocus();
  void Invalidate();
  void Update();
  void RecreateWnd();
  LRESULT Perform(UINT msg, WPARAM wparam = 0, LPARAM lparam = 0);

  const std::vector<TWinControl*>& Controls() const { return controls_; }

  TNotifyEvent OnResize;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;

  // Shown at the pointer on a right-click, and near the control for the
  // context-menu key, unless OnContextPopup handles the request.
  TPopupMenu* PopupMenu() const { return popup_menu_; }
  void SetPopupMenu(TPopupMenu* menu);
  TContextPopupEvent OnContextPopup;

 protected:
  virtual void CreateParams(TCreateParams& params);
  virtual void CreateWnd();
  virtual void DestroyWnd();
  // Every message of the window. Handlers that the control does not take
  // end in DefaultHandler.
  virtual LRESULT WndProc(UINT msg, WPARAM wparam, LPARAM lparam);
  LRESULT DefaultHandler(UINT msg, WPARAM wparam, LPARAM lparam);
  // WM_NOTIFY, WM_COMMAND, WM_DRAWITEM, WM_MEASUREITEM and the colour and
  // scroll messages that the platform sends to the parent arrive here, at
  // the control they concern. Return true when handled.
  virtual bool HandleReflected(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    return false;
  }
  void Notification(TComponent* component, TOperation operation) override;
  void AlignControls();
  virtual void Resize();
  virtual void FontChanged();
  // Keys and characters reach these before the platform's handling; a
  // derived control calls the base first (which raises the event), then
  // acts on what is left of the key.
  virtual void KeyDown(WORD& key, TShiftState shift);
  virtual void KeyUp(WORD& key, TShiftState shift);
  virtual void KeyPress(wchar_t& key);
  // Raised after the platform has handled the press or release.
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);

 private:
  friend struct WindowProcedures;
  LRESULT Dispatch(UINT msg, WPARAM wparam, LPARAM lparam);
  LRESULT ReflectToChild(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  LRESULT HandleKey(UINT msg, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMouseButton(UINT msg, WPARAM wparam, LPARAM lparam);
  void RaiseMouseButton(UINT msg, TShiftState shift, int x, int y);
  bool HandleContextMenu(LPARAM lparam);
  void InsertControl(TWinControl* child);
  void RemoveControl(TWinControl* child);
  void ApplyFont();
  void DestroyHandle();
  void SyncBoundsFromWindow();

  HWND hwnd_ = nullptr;
  WNDPROC default_proc_ = nullptr;
  TWinControl* parent_ = nullptr;
  std::vector<TWinControl*> controls_;
  int left_ = 0, top_ = 0, width_ = 100, height_ = 100;
  TAlign align_ = TAlign::alNone;
  bool visible_ = true;
  bool enabled_ = true;
  bool parent_font_ = true;
  bool aligning_ = false;
  bool creating_ = false;
  int tab_order_ = 0;
  TColor color_ = clBtnFace;
  TFont font_;
  std::wstring hint_;
  UniqueBrush brush_;
  TPopupMenu* popup_menu_ = nullptr;
};

// Replaces a foreign window's procedure for the lifetime of the object and
// puts the previous one back. The handler sees each message after the
// previous procedure has answered it. Several may subclass one window.
class WindowSubclass {
 public:
  using Handler = std::function<void(HWND, UINT, WPARAM, LPARAM, LRESULT)>;
  // Sees each message before the previous procedure does; when it answers
  // (true, with the result) neither that procedure nor the handlers see it.
  using Filter = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)>;
  WindowSubclass(HWND hwnd, Handler handler, Filter filter = nullptr);
  ~WindowSubclass();
  WindowSubclass(const WindowSubclass&) = delete;
  WindowSubclass& operator=(const WindowSubclass&) = delete;
  HWND Window() const { return hwnd_; }

 private:
  static LRESULT CALLBACK Procedure(HWND, UINT, WPARAM, LPARAM);
  HWND hwnd_;
  Handler handler_;
  Filter filter_;
};

}  // namespace wf
