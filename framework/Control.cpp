// A windowed control: its window made and bound, parent and children,
// bounds and alignment, focus, and the message dispatch that reflects
// notices to the children they concern.
#include "framework/Control.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>

#include "framework/Application.h"
#include "framework/Cursor.h"
#include "framework/Exceptions.h"
#include "framework/GraphicControl.h"
#include "framework/Hints.h"
#include "framework/Menus.h"
#include "framework/MessageWindow.h"

namespace wf {
namespace {

// The control whose window is being created on this thread: the window's
// first message binds it, before CreateWindowEx has returned.
thread_local TWinControl* creating_control = nullptr;

// The procedure of each superclassed system class, by our class name.
std::map<std::wstring, WNDPROC>& BaseProcedures() {
  static std::map<std::wstring, WNDPROC> procedures;
  return procedures;
}

HINSTANCE ModuleInstance() {
  return GetModuleHandleW(nullptr);
}

}  // namespace

struct WindowProcedures {
  // Our windows keep their control in GWLP_USERDATA, which the platform
  // reads without leaving the process (a window property would cost a trip
  // to the window server under Wine on every message).
  static LRESULT CALLBACK Standard(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    auto* control = reinterpret_cast<TWinControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!control && creating_control) {
      control = creating_control;
      creating_control = nullptr;
      control->hwnd_ = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
    }
    if (!control) return DefWindowProcW(hwnd, msg, wparam, lparam);
    LRESULT result = control->Dispatch(msg, wparam, lparam);
    if (msg == WM_NCDESTROY) {
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      control->hwnd_ = nullptr;
      control->mouse_inside_ = false;
      control->captured_graphic_ = nullptr;
      HintWindow().WindowGone(hwnd);
    }
    return result;
  }

  static WNDPROC Register(const TCreateParams& params) {
    auto& bases = BaseProcedures();
    auto known = bases.find(params.class_name);
    if (known != bases.end()) return known->second;
    WNDCLASSEXW wc{sizeof(wc)};
    WNDPROC base = DefWindowProcW;
    if (!params.base_class.empty()) {
      if (!GetClassInfoExW(nullptr, params.base_class.c_str(), &wc))
        throw Exception(L"Cannot find the window class " + params.base_class);
      base = wc.lpfnWndProc;
    } else {
      wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
      wc.style = params.class_style;
    }
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = Standard;
    wc.hInstance = ModuleInstance();
    wc.lpszClassName = params.class_name.c_str();
    wc.hbrBackground = nullptr;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
      throw Exception(L"Cannot register the window class " + params.class_name);
    bases[params.class_name] = base;
    return base;
  }

  // Child windows whose control has no parent yet are kept here, as the
  // platform wants a parent for every child window; their notifications
  // still reach them. A hidden popup, since a message-only window cannot
  // hold controls.
  static std::optional<LRESULT> Parking(UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg != WM_NOTIFY) return std::nullopt;
    auto* header = reinterpret_cast<NMHDR*>(lparam);
    TWinControl* child = TWinControl::FromHandle(header->hwndFrom);
    if (!child) return std::nullopt;
    LRESULT result = 0;
    bool handled = false;
    Guarded(child, [&] { handled = child->HandleReflected(msg, wparam, lparam, result); });
    if (handled) return result;
    return std::nullopt;
  }

  static HWND ParkingWindow() {
    static MessageWindow parking(MessageWindow::Kind::kHiddenPopup, &WindowProcedures::Parking);
    return parking.Handle();
  }
};

TWinControl::TWinControl(TComponent* owner) : TComponent(owner) {
  font_.OnChange = [this](TObject*) { FontChanged(); };
}

TWinControl::~TWinControl() {
  MarkDestroying();
  // Children go with their own owners; they must not keep a parent pointer.
  for (TWinControl* child : std::vector<TWinControl*>(controls_)) child->parent_ = nullptr;
  controls_.clear();
  for (TGraphicControl* child : graphic_controls_) child->parent_ = nullptr;
  graphic_controls_.clear();
  DestroyHandle();
  if (parent_) parent_->RemoveControl(this);
}

TWinControl* TWinControl::FromHandle(HWND hwnd) {
  // Only windows of our own classes carry a control; the class procedure,
  // unlike the window's, is not changed by subclassing.
  if (!hwnd || GetClassLongPtrW(hwnd, GCLP_WNDPROC) !=
                   reinterpret_cast<ULONG_PTR>(&WindowProcedures::Standard))
    return nullptr;
  return reinterpret_cast<TWinControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

HWND TWinControl::Handle() {
  if (!hwnd_ && !creating_) {
    creating_ = true;
    try {
      CreateWnd();
    } catch (...) {
      creating_ = false;
      throw;
    }
    creating_ = false;
  }
  return hwnd_;
}

void TWinControl::CreateParams(TCreateParams& params) {
  params.class_name = L"TWinControl";
  params.style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  if (visible_) params.style |= WS_VISIBLE;
  if (!enabled_) params.style |= WS_DISABLED;
  params.x = left_;
  params.y = top_;
  params.width = width_;
  params.height = height_;
  params.parent = parent_ ? parent_->Handle() : WindowProcedures::ParkingWindow();
}

void TWinControl::CreateWnd() {
  // The parent's window first: making it aligns its children, ours included.
  if (parent_) parent_->HandleNeeded();
  TCreateParams params;
  CreateParams(params);
  default_proc_ = WindowProcedures::Register(params);
  static int next_id = 100;
  const bool child = (params.style & WS_CHILD) != 0;
  creating_control = this;
  HWND hwnd = CreateWindowExW(
      params.ex_style, params.class_name.c_str(), params.caption.c_str(), params.style, params.x,
      params.y, params.width, params.height, params.parent,
      child ? reinterpret_cast<HMENU>(INT_PTR{next_id++}) : nullptr, ModuleInstance(), this);
  creating_control = nullptr;
  if (!hwnd) throw Exception(L"Cannot create the window of " + params.class_name);
  hwnd_ = hwnd;
  SyncBoundsFromWindow();
  ApplyFont();
  for (TWinControl* c : controls_) c->HandleNeeded();
  AlignControls();
  if (parent_ && align_ != TAlign::alNone) parent_->AlignControls();
}

void TWinControl::DestroyWnd() {
  DestroyHandle();
}

void TWinControl::DestroyHandle() {
  if (!hwnd_) return;
  HWND hwnd = hwnd_;
  DestroyWindow(hwnd);
  hwnd_ = nullptr;
}

void TWinControl::RecreateWnd() {
  if (!hwnd_) return;
  DestroyWnd();
  HandleNeeded();
}

void TWinControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent_) parent_->RemoveControl(this);
  parent_ = parent;
  if (parent_) {
    parent_->InsertControl(this);
    // A stored description gives design sizes: its parent scales them all
    // once loading ends.
    if (!IsLoading()) ChangeScale(parent_->dpi_);
    if (hwnd_)
      ::SetParent(hwnd_, parent_->Handle());
    else if (parent_->HandleAllocated())
      HandleNeeded();
    parent_->AlignControls();
  }
}

void TWinControl::InsertControl(TWinControl* child) {
  controls_.push_back(child);
}

void TWinControl::RemoveControl(TWinControl* child) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), child), controls_.end());
  if (!IsDestroying()) AlignControls();
}

void TWinControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == popup_menu_) popup_menu_ = nullptr;
}

void TWinControl::SetPopupMenu(TPopupMenu* menu) {
  if (menu == popup_menu_) return;
  if (popup_menu_) RemoveFreeNotification(popup_menu_);
  popup_menu_ = menu;
  if (popup_menu_) FreeNotification(popup_menu_);
}

// True when the request was answered here; otherwise the platform's default
// handling passes it on to the parent.
bool TWinControl::HandleContextMenu(LPARAM lparam) {
  // Only (-1, -1) comes from the keyboard: a monitor left of the main one
  // gives mouse points with a negative x.
  const bool keyboard = static_cast<DWORD>(lparam) == 0xFFFFFFFF;
  POINT client{-1, -1};
  POINT screen{};
  if (keyboard) {
    // Inside the control's top-left corner, where the focus is likely to be.
    screen = {4, 4};
    ClientToScreen(hwnd_, &screen);
  } else {
    screen = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
    client = screen;
    ScreenToClient(hwnd_, &client);
  }
  bool handled = false;
  if (OnContextPopup) {
    const TContextPopupEvent handler = OnContextPopup;
    handler(this, client, handled);
  }
  if (handled) return true;
  if (!popup_menu_) return false;
  popup_menu_->Popup(screen.x, screen.y);
  return true;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  // Only what changes is taken again: the rest keeps its exact design size.
  if (left != left_) design_left_ = UnscaleForDpi(left, dpi_);
  if (top != top_) design_top_ = UnscaleForDpi(top, dpi_);
  if (width != width_) design_width_ = UnscaleForDpi(width, dpi_);
  if (height != height_) design_height_ = UnscaleForDpi(height, dpi_);
  PlaceBounds(left, top, width, height);
}

void TWinControl::PlaceBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (hwnd_) SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  if (parent_ && align_ != TAlign::alNone) parent_->AlignControls();
}

void TWinControl::SyncBoundsFromWindow() {
  if (!hwnd_) return;
  RECT r;
  GetWindowRect(hwnd_, &r);
  HWND parent = GetParent(hwnd_);
  if (parent && (GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD))
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  left_ = r.left;
  top_ = r.top;
  width_ = r.right - r.left;
  height_ = r.bottom - r.top;
}

int TWinControl::ClientWidth() {
  RECT r{0, 0, width_, height_};
  if (HandleAllocated()) GetClientRect(hwnd_, &r);
  return r.right;
}

int TWinControl::ClientHeight() {
  RECT r{0, 0, width_, height_};
  if (HandleAllocated()) GetClientRect(hwnd_, &r);
  return r.bottom;
}

void TWinControl::SetAlign(TAlign align) {
  if (align == align_) return;
  align_ = align;
  if (parent_) parent_->AlignControls();
}

void TWinControl::AlignControls() {
  if (aligning_ || !hwnd_) return;
  aligning_ = true;
  RECT area;
  GetClientRect(hwnd_, &area);
  AdjustClientRect(area);
  auto placed = [&](TAlign which) {
    std::vector<TWinControl*> list;
    for (TWinControl* c : controls_)
      if (c->align_ == which && c->visible_) list.push_back(c);
    std::stable_sort(list.begin(), list.end(), [which](TWinControl* a, TWinControl* b) {
      switch (which) {
        case TAlign::alTop:
          return a->top_ < b->top_;
        case TAlign::alBottom:
          return a->top_ > b->top_;
        case TAlign::alLeft:
          return a->left_ < b->left_;
        case TAlign::alRight:
          return a->left_ > b->left_;
        default:
          return false;
      }
    });
    return list;
  };
  for (TWinControl* c : placed(TAlign::alTop)) {
    c->PlaceBounds(area.left, area.top, area.right - area.left, c->height_);
    area.top += c->height_;
  }
  for (TWinControl* c : placed(TAlign::alBottom)) {
    c->PlaceBounds(area.left, area.bottom - c->height_, area.right - area.left, c->height_);
    area.bottom -= c->height_;
  }
  for (TWinControl* c : placed(TAlign::alLeft)) {
    c->PlaceBounds(area.left, area.top, c->width_, area.bottom - area.top);
    area.left += c->width_;
  }
  for (TWinControl* c : placed(TAlign::alRight)) {
    c->PlaceBounds(area.right - c->width_, area.top, c->width_, area.bottom - area.top);
    area.right -= c->width_;
  }
  for (TWinControl* c : placed(TAlign::alClient))
    c->PlaceBounds(area.left, area.top, std::max(0L, area.right - area.left),
                   std::max(0L, area.bottom - area.top));
  aligning_ = false;
}

void TWinControl::ChangeScale(int dpi) {
  if (dpi <= 0 || dpi == dpi_) return;
  dpi_ = dpi;
  font_.SetPixelsPerInch(dpi);
  if (parent_)
    PlaceBounds(Scaled(design_left_), Scaled(design_top_), Scaled(design_width_),
                Scaled(design_height_));
  for (TWinControl* child : std::vector<TWinControl*>(controls_)) child->ChangeScale(dpi);
  for (TGraphicControl* child : std::vector<TGraphicControl*>(graphic_controls_))
    child->ChangeScale(dpi);
  AlignControls();
}

void TWinControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (hwnd_) ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE);
  if (parent_) parent_->AlignControls();
}

void TWinControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (hwnd_) EnableWindow(hwnd_, enabled);
}

void TWinControl::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  brush_.reset();
  Invalidate();
}

void TWinControl::FontChanged() {
  ApplyFont();
}

void TWinControl::ApplyFont() {
  if (hwnd_) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), TRUE);
}

bool TWinControl::Focused() const {
  return hwnd_ && GetFocus() == hwnd_;
}

bool TWinControl::CanFocus() const {
  for (const TWinControl* c = this; c; c = c->parent_)
    if (!c->visible_ || !c->enabled_) return false;
  return true;
}

void TWinControl::SetFocus() {
  ::SetFocus(Handle());
}

void TWinControl::Invalidate() {
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void TWinControl::Update() {
  if (hwnd_) UpdateWindow(hwnd_);
}

LRESULT TWinControl::Perform(UINT msg, WPARAM wparam, LPARAM lparam) {
  return SendMessageW(Handle(), msg, wparam, lparam);
}

void TWinControl::Resize() {
  Raise(OnResize, this);
}

LRESULT TWinControl::DefaultHandler(UINT msg, WPARAM wparam, LPARAM lparam) {
  return CallWindowProcW(default_proc_ ? default_proc_ : DefWindowProcW, hwnd_, msg, wparam,
                         lparam);
}

LRESULT TWinControl::Dispatch(UINT msg, WPARAM wparam, LPARAM lparam) {
  // No exception may unwind through the platform's frames.
  try {
    // A control without a window takes the mouse before its parent's own
    // handling sees it.
    if (RouteToGraphicControl(msg, wparam, lparam)) return 0;
    return WndProc(msg, wparam, lparam);
  } catch (...) {
    if (Application) Application->HandleException(this);
  }
  try {
    return DefaultHandler(msg, wparam, lparam);
  } catch (...) {
    return 0;
  }
}

LRESULT TWinControl::ReflectToChild(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
  HWND from = nullptr;
  switch (msg) {
    case WM_NOTIFY:
      from = reinterpret_cast<NMHDR*>(lparam)->hwndFrom;
      break;
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORSCROLLBAR:
      from = reinterpret_cast<HWND>(lparam);
      break;
    case WM_DRAWITEM:
      if (wparam) from = reinterpret_cast<DRAWITEMSTRUCT*>(lparam)->hwndItem;
      break;
    case WM_MEASUREITEM:
      if (wparam) from = GetDlgItem(hwnd_, static_cast<int>(wparam));
      break;
  }
  TWinControl* child = FromHandle(from);
  LRESULT result = 0;
  handled = child && child != this && child->HandleReflected(msg, wparam, lparam, result);
  return result;
}

LRESULT TWinControl::WndProc(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
      return HandleKey(msg, wparam, lparam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
    case WM_MBUTTONUP:
      return HandleMouseButton(msg, wparam, lparam);
    case WM_NOTIFY:
      if (reinterpret_cast<NMHDR*>(lparam)->code == TTN_SHOW &&
          reinterpret_cast<NMHDR*>(lparam)->hwndFrom == HintWindow().Handle())
        return HintWindow().Place();
      [[fallthrough]];
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORSCROLLBAR: {
      bool handled = false;
      LRESULT result = ReflectToChild(msg, wparam, lparam, handled);
      if (handled) return result;
      break;
    }
    case WM_SYSCHAR:
      // Alt+character: the top-level control offers it to the controls
      // inside it before the platform looks for a menu.
      if (wparam > L' ') {
        TWinControl* root = this;
        while (root->parent_) root = root->parent_;
        if (root->OfferAccelerator(static_cast<wchar_t>(wparam))) return 0;
      }
      break;
    case WM_MOUSEMOVE:
      return HandleMouseMove(wparam, lparam);
    case WM_MOUSELEAVE:
      if (mouse_inside_) {
        mouse_inside_ = false;
        MouseLeave();
      }
      // A platform control tracks the pointer for itself too.
      break;
    case WM_PAINT:
    case WM_PRINTCLIENT:
      if (OwnClass()) return HandlePaint(msg, wparam);
      break;
    case WM_ERASEBKGND:
      if (opaque_ && OwnClass()) return 1;
      // clNone: no background of our own; what is under shows through.
      if (default_proc_ == DefWindowProcW && color_ != clNone) {
        if (!brush_) brush_.reset(CreateSolidBrush(ColorToRGB(color_)));
        RECT r;
        GetClientRect(hwnd_, &r);
        FillRect(reinterpret_cast<HDC>(wparam), &r, brush_.get());
        return 1;
      }
      break;
    case WM_CONTEXTMENU:
      if (HandleContextMenu(lparam)) return 0;
      break;
    case WM_SETCURSOR:
      if (HCURSOR cursor = ScreenCursorHandle()) {
        ::SetCursor(cursor);
        return TRUE;
      }
      // Asked for a child's area too, before the child: only ours is ours.
      if (reinterpret_cast<HWND>(wparam) == hwnd_ && HandleSetCursor(lparam)) return TRUE;
      break;
    case WM_SIZE: {
      LRESULT result = DefaultHandler(msg, wparam, lparam);
      SyncBoundsFromWindow();
      AlignControls();
      Resize();
      return result;
    }
    case WM_MOVE: {
      LRESULT result = DefaultHandler(msg, wparam, lparam);
      SyncBoundsFromWindow();
      return result;
    }
  }
  return DefaultHandler(msg, wparam, lparam);
}

}  // namespace wf
