// Keys and the mouse reaching a windowed control: its input events, the
// windowless children it paints and routes the mouse to, and their hints.
#include "framework/Control.h"

#include <windowsx.h>

#include "framework/Application.h"
#include "framework/Cursor.h"
#include "framework/GraphicControl.h"
#include "framework/Hints.h"

namespace wf {

TShiftState KeyboardShiftState() {
  TShiftState shift;
  if (GetKeyState(VK_SHIFT) < 0) shift.Include(TShift::ssShift);
  if (GetKeyState(VK_CONTROL) < 0) shift.Include(TShift::ssCtrl);
  if (GetKeyState(VK_MENU) < 0) shift.Include(TShift::ssAlt);
  return shift;
}

namespace {

// Alt held with a key is told by the message itself (the context bit), not
// only by the keyboard state, which a message sent by a program leaves as
// it was.
constexpr LPARAM kKeyContextBit = LPARAM{1} << 29;

TShiftState MouseShiftState(UINT msg, WPARAM wparam) {
  TShiftState shift;
  if (wparam & MK_SHIFT) shift.Include(TShift::ssShift);
  if (wparam & MK_CONTROL) shift.Include(TShift::ssCtrl);
  if (GetKeyState(VK_MENU) < 0) shift.Include(TShift::ssAlt);
  if (wparam & MK_LBUTTON) shift.Include(TShift::ssLeft);
  if (wparam & MK_RBUTTON) shift.Include(TShift::ssRight);
  if (wparam & MK_MBUTTON) shift.Include(TShift::ssMiddle);
  if (msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK)
    shift.Include(TShift::ssDouble);
  return shift;
}

}  // namespace

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
  Raise(OnKeyDown, this, key, shift);
}

void TWinControl::KeyUp(WORD& key, TShiftState shift) {
  Raise(OnKeyUp, this, key, shift);
}

void TWinControl::KeyPress(wchar_t& key) {
  Raise(OnKeyPress, this, key);
}

void TWinControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  Raise(OnMouseDown, this, button, shift, x, y);
}

void TWinControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  Raise(OnMouseUp, this, button, shift, x, y);
}

void TWinControl::MouseMove(TShiftState shift, int x, int y) {
  Raise(OnMouseMove, this, shift, x, y);
}

void TWinControl::Click() {
  Raise(OnClick, this);
}

void TWinControl::DblClick() {
  Raise(OnDblClick, this);
}

void TWinControl::MouseEnter() {
  Raise(OnMouseEnter, this);
}

void TWinControl::MouseLeave() {
  Raise(OnMouseLeave, this);
}

bool TWinControl::ShowHint() const {
  if (parent_show_hint_ && parent_) return parent_->ShowHint();
  return show_hint_;
}

void TWinControl::SetShowHint(bool value) {
  show_hint_ = value;
  parent_show_hint_ = false;
}

TGraphicControl* TWinControl::GraphicControlAt(int x, int y) const {
  const POINT p{x, y};
  for (auto it = graphic_controls_.rbegin(); it != graphic_controls_.rend(); ++it) {
    const RECT r = (*it)->BoundsRect();
    if ((*it)->Visible() && PtInRect(&r, p)) return *it;
  }
  return nullptr;
}

bool TWinControl::OfferAccelerator(wchar_t key) {
  for (TWinControl* child : std::vector<TWinControl*>(controls_)) {
    if (!child->visible_ || !child->enabled_) continue;
    if (child->DialogChar(key) || child->OfferAccelerator(key)) return true;
  }
  return false;
}

void TWinControl::PaintWindow(HDC dc) {
  PaintGraphicControls(dc);
}

void TWinControl::PaintGraphicControls(HDC dc) {
  RECT box;
  const bool clipped = GetClipBox(dc, &box) != ERROR;
  for (TGraphicControl* child : std::vector<TGraphicControl*>(graphic_controls_)) {
    if (!child->Visible()) continue;
    const RECT r = child->BoundsRect();
    RECT common;
    if (clipped && !IntersectRect(&common, &r, &box)) continue;
    SavedDcScope saved(dc);
    IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    child->Paint(dc);
  }
}

LRESULT TWinControl::HandlePaint(UINT msg, WPARAM wparam) {
  if (msg == WM_PRINTCLIENT) {
    PaintWindow(reinterpret_cast<HDC>(wparam));
    return 0;
  }
  // EndPaint also when painting throws: the window would be asked again
  // and again otherwise.
  struct PaintScope {
    HWND hwnd;
    PAINTSTRUCT ps{};
    HDC dc;
    explicit PaintScope(HWND h) : hwnd(h), dc(BeginPaint(h, &ps)) {}
    ~PaintScope() { EndPaint(hwnd, &ps); }
  } scope(hwnd_);
  if (scope.dc) PaintWindow(scope.dc);
  return 0;
}

void TWinControl::UpdateHint(int x, int y, UINT msg, WPARAM wparam, LPARAM lparam) {
  TGraphicControl* graphic = GraphicControlAt(x, y);
  THintWindow& hints = HintWindow();
  const DWORD position = GetMessagePos();
  const POINT screen{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
  THintInfo hint;
  hint.cursor_pos = {x, y};
  hint.show = graphic ? graphic->ShowHint() : ShowHint();
  hint.hint_str = hint.show ? GetShortHint(graphic ? graphic->Hint() : hint_) : L"";
  hint.hint_pos = {screen.x, screen.y + GetSystemMetrics(SM_CYCURSOR)};
  hint.hint_max_width = GetSystemMetrics(SM_CXSCREEN);
  if (graphic)
    hint.cursor_rect = graphic->BoundsRect();
  else
    GetClientRect(hwnd_, &hint.cursor_rect);
  if (!graphic) HintShow(hint);
  if (!hint.show || hint.hint_str.empty()) {
    if (hints.Window() == hwnd_) hints.Cancel();
    return;
  }
  MSG relay{hwnd_, msg, wparam, lparam, static_cast<DWORD>(GetMessageTime()), screen};
  hints.Activate(hwnd_, hint, relay);
}

// The first move over the window is its entry; the platform reports the
// leaving (WM_MOUSELEAVE) once asked to.
void TWinControl::NoteMouseInside() {
  if (mouse_inside_ || !hwnd_) return;
  TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd_, HOVER_DEFAULT};
  // A control of the platform's may be waiting for the pointer to rest (a
  // list view's hover): its request is asked for again with ours.
  TRACKMOUSEEVENT current{sizeof(current), TME_QUERY};
  if (TrackMouseEvent(&current) && current.hwndTrack == hwnd_ && (current.dwFlags & TME_HOVER)) {
    track.dwFlags |= TME_HOVER;
    track.dwHoverTime = current.dwHoverTime;
  }
  if (!TrackMouseEvent(&track)) return;
  mouse_inside_ = true;
  MouseEnter();
}

LRESULT TWinControl::HandleMouseMove(WPARAM wparam, LPARAM lparam) {
  const int x = GET_X_LPARAM(lparam), y = GET_Y_LPARAM(lparam);
  // A platform control asks for its own tracking as it takes the move; ours
  // joins it afterwards.
  if (OwnClass()) NoteMouseInside();
  if (!hwnd_) return 0;
  UpdateHint(x, y, WM_MOUSEMOVE, wparam, lparam);
  const LRESULT result = DefaultHandler(WM_MOUSEMOVE, wparam, lparam);
  if (!OwnClass()) NoteMouseInside();
  if (hwnd_) MouseMove(MouseShiftState(WM_MOUSEMOVE, wparam), x, y);
  return result;
}

bool TWinControl::RouteToGraphicControl(UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg < WM_MOUSEFIRST || msg > WM_MBUTTONDBLCLK || msg == WM_MOUSEWHEEL) return false;
  if (graphic_controls_.empty() || !hwnd_) return false;
  const int x = GET_X_LPARAM(lparam), y = GET_Y_LPARAM(lparam);
  TGraphicControl* target = captured_graphic_ ? captured_graphic_ : GraphicControlAt(x, y);
  if (!target || !target->Enabled()) return false;
  if (msg == WM_MOUSEMOVE) NoteMouseInside();
  const TShiftState shift = MouseShiftState(msg, wparam);
  const int cx = x - target->Left(), cy = y - target->Top();
  switch (msg) {
    case WM_MOUSEMOVE:
      UpdateHint(x, y, msg, wparam, lparam);
      target->MouseMove(shift, cx, cy);
      return true;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: {
      // The release goes to the control that was pressed, wherever it is.
      captured_graphic_ = target;
      SetCapture(hwnd_);
      const TMouseButton button =
          msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK   ? TMouseButton::mbLeft
          : msg == WM_RBUTTONDOWN || msg == WM_RBUTTONDBLCLK ? TMouseButton::mbRight
                                                             : TMouseButton::mbMiddle;
      if (msg == WM_LBUTTONDOWN) target->pressed_ = true;
      if (msg == WM_LBUTTONDBLCLK) {
        target->pressed_ = false;
        target->DblClick();
      }
      target->MouseDown(button, shift, cx, cy);
      return true;
    }
    default: {
      const TMouseButton button = msg == WM_LBUTTONUP   ? TMouseButton::mbLeft
                                  : msg == WM_RBUTTONUP ? TMouseButton::mbRight
                                                        : TMouseButton::mbMiddle;
      if (!(wparam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) {
        captured_graphic_ = nullptr;
        if (GetCapture() == hwnd_) ReleaseCapture();
      }
      const RECT r = target->BoundsRect();
      if (msg == WM_LBUTTONUP && target->pressed_) {
        target->pressed_ = false;
        if (PtInRect(&r, POINT{x, y})) target->Click();
      }
      target->MouseUp(button, shift, cx, cy);
      return true;
    }
  }
}

bool TWinControl::HandleSetCursor(LPARAM lparam) {
  if (LOWORD(lparam) != HTCLIENT) return false;
  POINT p;
  if (!GetCursorPos(&p)) return false;
  ScreenToClient(hwnd_, &p);
  TCursor cursor = cursor_;
  if (TGraphicControl* graphic = GraphicControlAt(p.x, p.y);
      graphic && graphic->Cursor() != crDefault)
    cursor = graphic->Cursor();
  if (cursor == crDefault) return false;
  ::SetCursor(CursorHandle(cursor));
  return true;
}

LRESULT TWinControl::HandleKey(UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_CHAR) {
    auto key = static_cast<wchar_t>(wparam);
    KeyPress(key);
    if (key == 0) return 0;
    return DefaultHandler(msg, key, lparam);
  }
  auto key = static_cast<WORD>(wparam);
  TShiftState shift = KeyboardShiftState();
  if ((msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP) && (lparam & kKeyContextBit))
    shift.Include(TShift::ssAlt);
  if (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN)
    KeyDown(key, shift);
  else
    KeyUp(key, shift);
  if (key == 0) return 0;
  return DefaultHandler(msg, key, lparam);
}

LRESULT TWinControl::HandleMouseButton(UINT msg, WPARAM wparam, LPARAM lparam) {
  // Read before the platform's handling, which may wait in a loop of its
  // own until the button is up. The event comes after it, so that a
  // handler finds the control as the press left it (the row selected).
  const TShiftState shift = MouseShiftState(msg, wparam);
  const int x = GET_X_LPARAM(lparam), y = GET_Y_LPARAM(lparam);
  const LRESULT result = DefaultHandler(msg, wparam, lparam);
  if (!hwnd_) return result;
  // The platform has handled the message: a failing handler must not let
  // it be handled again (a double-click would act twice).
  Guarded(this, [&] { RaiseMouseButton(msg, shift, x, y); });
  return result;
}

void TWinControl::RaiseMouseButton(UINT msg, TShiftState shift, int x, int y) {
  // Clicks of superclassed controls come from their own notifications.
  const bool clicks = OwnClass();
  switch (msg) {
    case WM_LBUTTONDOWN:
      left_pressed_ = true;
      MouseDown(TMouseButton::mbLeft, shift, x, y);
      break;
    case WM_LBUTTONDBLCLK:
      left_pressed_ = false;
      if (clicks) DblClick();
      if (hwnd_) MouseDown(TMouseButton::mbLeft, shift, x, y);
      break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      MouseDown(TMouseButton::mbRight, shift, x, y);
      break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      MouseDown(TMouseButton::mbMiddle, shift, x, y);
      break;
    case WM_LBUTTONUP: {
      RECT client{};
      if (hwnd_) GetClientRect(hwnd_, &client);
      if (left_pressed_ && clicks && PtInRect(&client, POINT{x, y})) {
        left_pressed_ = false;
        Click();
        if (!hwnd_) break;
      }
      left_pressed_ = false;
      MouseUp(TMouseButton::mbLeft, shift, x, y);
      break;
    }
    case WM_RBUTTONUP:
      MouseUp(TMouseButton::mbRight, shift, x, y);
      break;
    case WM_MBUTTONUP:
      MouseUp(TMouseButton::mbMiddle, shift, x, y);
      break;
  }
}

}  // namespace wf
