#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/Alignment.h"
#include "framework/Component.h"
#include "framework/Cursor.h"
#include "framework/Dpi.h"
#include "framework/Graphics.h"

namespace wf {

struct THintInfo;

class TPopupMenu;
class TGraphicControl;

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
// Whether a press starts the control's drag by itself or only when asked.
enum class TDragMode { dmManual, dmAutomatic };

// A handler may change the key, or clear it to 0: a cleared key goes no
// further, the platform's own handling of it included.
using TKeyEvent = std::function<void(TObject* sender, WORD& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, wchar_t& key)>;
using TMouseEvent =
    std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;

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
  // In pixels at the control's density; the control keeps them as design
  // sizes too, to lay itself out again for another density.
  virtual void SetBounds(int left, int top, int width, int height);
  int ClientWidth();
  int ClientHeight();

  // The density the control's pixel sizes and font are for: its window's.
  int CurrentDpi() const { return dpi_; }
  // A design size (pixels at 96 dots per inch) in pixels at that density.
  int Scaled(int design) const { return ScaleForDpi(design, dpi_); }

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
  virtual void SetHint(std::wstring hint) { hint_ = std::move(hint); }
  // Whether the hint pops up over the control: the parent's choice while
  // ParentShowHint is set; setting ShowHint clears ParentShowHint.
  bool ShowHint() const;
  void SetShowHint(bool value);
  bool ParentShowHint() const { return parent_show_hint_; }
  void SetParentShowHint(bool value) { parent_show_hint_ = value; }
  // Asked before a hint shows over the control, with the control's own hint
  // filled in; a control whose parts have hints of their own answers here.
  virtual void HintShow(THintInfo& hint) {}
  // Kept for the control that runs its own drags; the framework starts none.
  TDragMode DragMode() const { return drag_mode_; }
  void SetDragMode(TDragMode mode) { drag_mode_ = mode; }
  // Shown over the client area; crDefault leaves the window class's cursor.
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor) { cursor_ = cursor; }

  bool Focused() const;
  bool CanFocus() const;
  void SetFocus();
  void Invalidate();
  void Update();
  void RecreateWnd();
  LRESULT Perform(UINT msg, WPARAM wparam = 0, LPARAM lparam = 0);
  // Places the aligned children within the client rectangle that
  // AdjustClientRect leaves.
  void AlignControls();

  const std::vector<TWinControl*>& Controls() const { return controls_; }
  // The controls without a window that this one paints and passes the mouse
  // to, in painting order (the last is on top).
  const std::vector<TGraphicControl*>& GraphicControls() const { return graphic_controls_; }
  // The topmost visible control without a window at a client point, or null.
  TGraphicControl* GraphicControlAt(int x, int y) const;

  // Offers an Alt+character accelerator to the visible, enabled controls
  // inside this one, depth first; true when one took it.
  bool OfferAccelerator(wchar_t key);

  TNotifyEvent OnResize;
  // A left press and release on the control (windows of our own classes).
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseMoveEvent OnMouseMove;
  // The mouse came over the control, or left it (windows of our own classes).
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
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
  // Lays the control out for another density from its design bounds and
  // font, and its children with it; a derived control redoes what else it
  // sized. A control without a parent keeps its own place and size.
  virtual void ChangeScale(int dpi);
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
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void Click();
  virtual void DblClick();
  virtual void MouseEnter();
  virtual void MouseLeave();
  bool MouseInside() const { return mouse_inside_; }
  // The rectangle children align in: the client area less what the control
  // draws around it.
  virtual void AdjustClientRect(RECT& rect) {}
  // An accelerator offered to this control; true when it took it.
  virtual bool DialogChar(wchar_t key) { return false; }
  // Paints the client area for WM_PAINT and WM_PRINTCLIENT of windows of our
  // own classes; the base paints the controls without a window.
  virtual void PaintWindow(HDC dc);
  void PaintGraphicControls(HDC dc);
  // An opaque control covers its whole client area when it paints: the
  // framework's erasing leaves it alone.
  bool Opaque() const { return opaque_; }
  void SetOpaque(bool value) { opaque_ = value; }
  bool OwnClass() const { return default_proc_ == DefWindowProcW; }

 private:
  friend class TGraphicControl;
  friend struct WindowProcedures;
  LRESULT Dispatch(UINT msg, WPARAM wparam, LPARAM lparam);
  LRESULT ReflectToChild(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  LRESULT HandleKey(UINT msg, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMouseButton(UINT msg, WPARAM wparam, LPARAM lparam);
  void RaiseMouseButton(UINT msg, TShiftState shift, int x, int y);
  LRESULT HandleMouseMove(WPARAM wparam, LPARAM lparam);
  void NoteMouseInside();
  bool RouteToGraphicControl(UINT msg, WPARAM wparam, LPARAM lparam);
  bool HandleSetCursor(LPARAM lparam);
  void UpdateHint(int x, int y, UINT msg, WPARAM wparam, LPARAM lparam);
  LRESULT HandlePaint(UINT msg, WPARAM wparam);
  bool HandleContextMenu(LPARAM lparam);
  void InsertControl(TWinControl* child);
  void RemoveControl(TWinControl* child);
  void ApplyFont();
  // Moves the window without taking the bounds as design sizes.
  void PlaceBounds(int left, int top, int width, int height);
  void DestroyHandle();
  void SyncBoundsFromWindow();

  HWND hwnd_ = nullptr;
  WNDPROC default_proc_ = nullptr;
  TWinControl* parent_ = nullptr;
  std::vector<TWinControl*> controls_;
  int left_ = 0, top_ = 0, width_ = 100, height_ = 100;
  // The bounds last given, at the design density: every density's layout
  // is made from these, so that changes back and forth never drift.
  int design_left_ = 0, design_top_ = 0, design_width_ = 100, design_height_ = 100;
  int dpi_ = kDesignDpi;
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
  std::vector<TGraphicControl*> graphic_controls_;
  TGraphicControl* captured_graphic_ = nullptr;
  TCursor cursor_ = crDefault;
  bool show_hint_ = false;
  bool parent_show_hint_ = true;
  TDragMode drag_mode_ = TDragMode::dmManual;
  bool mouse_inside_ = false;
  bool left_pressed_ = false;
  bool opaque_ = false;
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
