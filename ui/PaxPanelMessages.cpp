#include <windowsx.h>

#include "ui/PaxPanel.h"
#include "ui/PaxPanelDetail.h"

namespace wf {

using namespace panel_detail;

namespace {

// SC_MOVE with HTCAPTION: the platform's move loop, as a caption drag starts it.
constexpr WPARAM kMoveByCaption = SC_MOVE | HTCAPTION;

// The platform's edge test: which border of `r` (corner size c, band width w)
// the point is on.
LRESULT EdgeHit(const RECT& r, int c, int w, POINT p) {
  const int x = p.x, y = p.y;
  if (x < r.left || x >= r.right || y < r.top || y >= r.bottom) return HTNOWHERE;
  if (x >= r.left && x <= r.left + w - 1) {
    if (y <= r.top + c) return HTTOPLEFT;
    if (y >= r.bottom - c - 1) return HTBOTTOMLEFT;
    return HTLEFT;
  }
  if (y >= r.top && y <= r.top + w - 1) {
    if (x <= r.left + c) return HTTOPLEFT;
    if (x >= r.right - c - 1) return HTTOPRIGHT;
    return HTTOP;
  }
  if (y >= r.bottom - w - 1 && y <= r.bottom - 1) {
    if (x <= r.left + c) return HTBOTTOMLEFT;
    if (x >= r.right - c - 1) return HTBOTTOMRIGHT;
    return HTBOTTOM;
  }
  if (x >= r.right - w - 1 && x <= r.right - 1) {
    if (y <= r.top + c) return HTTOPRIGHT;
    if (y >= r.bottom - c - 1) return HTBOTTOMRIGHT;
    return HTRIGHT;
  }
  return HTCLIENT;
}

}  // namespace

// ---- mouse ----

TCustomPaxPanel::HandleHit TCustomPaxPanel::GrabHandleAt(const RECT& area, POINT p) {
  struct Side {
    TPaxPanelGrabHandle* handle;
    int side;
  };
  for (const Side& s : {Side{grab_left_.get(), HTLEFT}, Side{grab_right_.get(), HTRIGHT},
                        Side{grab_top_.get(), HTTOP}, Side{grab_bottom_.get(), HTBOTTOM}}) {
    // Visible is not consulted: a hidden handle still reacts to the mouse.
    if (!s.handle->Enabled()) continue;
    RECT strip = area;
    const int size = s.handle->Size();
    switch (s.side) {
      case HTLEFT:
        strip.right = area.left + size;
        break;
      case HTRIGHT:
        strip.left = area.right - size;
        break;
      case HTTOP:
        strip.bottom = area.top + size;
        break;
      default:
        strip.top = area.bottom - size;
        break;
    }
    if (PtInRect(&strip, p)) return {s.handle, s.side};
  }
  return {};
}

int TCustomPaxPanel::EdgeWidth() const {
  int width = BorderWidth();
  if (BevelOuter() != TBevelCut::bvNone) width += BevelWidth();
  if (BevelInner() != TBevelCut::bvNone) width += BevelWidth();
  return width;
}

void TCustomPaxPanel::StartDrag(HWND window) {
  POINT at{};
  GetCursorPos(&at);
  BringWindowToTop(window);
  PostMessageW(window, WM_SYSCOMMAND, kMoveByCaption, MAKELPARAM(at.x, at.y));
  // The platform's move loop waits for a key or a mouse move before it
  // follows the mouse: a space starts it at once.
  PostMessageW(window, WM_KEYDOWN, VK_SPACE, 0);
}

LRESULT TCustomPaxPanel::OnMouseMoveMessage(WPARAM wparam, LPARAM lparam) {
  if (!mouse_inside_) DoMouseEnter();
  const LRESULT result = TCustomPanel::WndProc(WM_MOUSEMOVE, wparam, lparam);
  if (!mouse_down_ || !HandleAllocated()) return result;
  RECT inner{0, 0, ClientWidth(), ClientHeight()};
  InflateRect(&inner, -EdgeWidth(), -EdgeWidth());
  const HandleHit hit = GrabHandleAt(inner, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
  if (hit.handle && hit.handle->Kind() == ghkMoveParent) {
    mouse_down_ = false;
    ReleaseCapture();
    if (Parent() && Parent()->HandleAllocated()) StartDrag(Parent()->Handle());
    return result;
  }
  if (movable_) {
    mouse_down_ = false;
    ReleaseCapture();
    DoMouseLeave();
    StartDrag(Handle());
  }
  return result;
}

LRESULT TCustomPaxPanel::OnLeftButtonDown(WPARAM wparam, LPARAM lparam) {
  const LRESULT result = TCustomPanel::WndProc(WM_LBUTTONDOWN, wparam, lparam);
  if (!HandleAllocated()) return result;
  mouse_down_ = true;
  if (movable_) {
    saved_capture_ = GetCapture();
    SetCapture(Handle());
  }
  return result;
}

LRESULT TCustomPaxPanel::OnLeftButtonUp(WPARAM wparam, LPARAM lparam) {
  if (mouse_down_) {
    mouse_down_ = false;
    if (saved_capture_ && IsWindow(saved_capture_))
      SetCapture(saved_capture_);
    else if (GetCapture() == Handle())
      ReleaseCapture();
    saved_capture_ = nullptr;
  }
  return TCustomPanel::WndProc(WM_LBUTTONUP, wparam, lparam);
}

LRESULT TCustomPaxPanel::OnHitTest(WPARAM wparam, LPARAM lparam) {
  const LRESULT framework = TCustomPanel::WndProc(WM_NCHITTEST, wparam, lparam);
  int b = EdgeWidth();
  if (b == 0) b = 1;
  POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  ScreenToClient(Handle(), &p);
  RECT bounds{0, 0, Width(), Height()};
  if (!resizable_) {
    InflateRect(&bounds, -b, -b);
    const HandleHit hit = GrabHandleAt(bounds, p);
    if (!hit.handle) return framework;
    if (hit.handle->Kind() == ghkMove) {
      BringWindowToTop(Handle());
      return HTCAPTION;
    }
    if (hit.handle->Kind() == ghkResize) return hit.side;
    return framework;
  }
  const LRESULT edge = EdgeHit(bounds, Height() / 8, BevelWidth(), p);
  if (edge == HTCLIENT && size_grip_ && PtInRect(&size_grip_rect_, p)) return HTBOTTOMRIGHT;
  return edge;
}

LRESULT TCustomPaxPanel::OnExitSizeMove(WPARAM wparam, LPARAM lparam) {
  const LRESULT result = TCustomPanel::WndProc(WM_EXITSIZEMOVE, wparam, lparam);
  if (!HandleAllocated()) return result;
  if (OnMove) {
    RECT now;
    GetWindowRect(Handle(), &now);
    const bool sized = RectWidth(now) != RectWidth(size_move_start_) ||
                       RectHeight(now) != RectHeight(size_move_start_);
    const bool corner_stayed = now.left == size_move_start_.left && now.top == size_move_start_.top;
    if (!(sized && corner_stayed)) DoMove();
  }
  if (Parent()) Parent()->AlignControls();
  for (TWinControl* child : Controls()) child->Invalidate();
  return result;
}

LRESULT TCustomPaxPanel::WndProc(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_ERASEBKGND:
      return OnEraseBackground(reinterpret_cast<HDC>(wparam));
    case WM_MOUSEMOVE:
      return OnMouseMoveMessage(wparam, lparam);
    case WM_LBUTTONDOWN:
      return OnLeftButtonDown(wparam, lparam);
    case WM_LBUTTONUP:
      return OnLeftButtonUp(wparam, lparam);
    case WM_NCHITTEST:
      return OnHitTest(wparam, lparam);
    case WM_ENTERSIZEMOVE:
      GetWindowRect(Handle(), &size_move_start_);
      break;
    case WM_EXITSIZEMOVE:
      return OnExitSizeMove(wparam, lparam);
    case WM_MOVE: {
      const LRESULT result = TCustomPanel::WndProc(msg, wparam, lparam);
      Invalidate();
      return result;
    }
    case WM_SIZE:
      if (UsesCache(background_type_)) RebuildCache();
      Invalidate();
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      const LRESULT result = TCustomPanel::WndProc(msg, wparam, lparam);
      if (show_focus_) Invalidate();
      return result;
    }
    case WM_THEMECHANGED:
      FreeThemeHandle();
      if (use_xp_themes_) CreateThemeHandle();
      break;
    case WM_DESTROY:
      if (use_xp_themes_) FreeThemeHandle();
      break;
    case WM_WINDOWPOSCHANGED:
      if (image_form_) {
        const LRESULT result = TCustomPanel::WndProc(msg, wparam, lparam);
        SendMessageW(Handle(), kPaxImageFormChanged, 0, 0);
        return result;
      }
      break;
    case kPaxGetThemeHandle:
      return reinterpret_cast<LRESULT>(theme_.get());
    case kPaxImageFormChanged: {
      const LRESULT result = TCustomPanel::WndProc(msg, wparam, lparam);
      if (image_form_) Invalidate();
      for (TWinControl* child : Controls())
        if (child->HandleAllocated()) SendMessageW(child->Handle(), msg, wparam, lparam);
      return result;
    }
  }
  return TCustomPanel::WndProc(msg, wparam, lparam);
}

}  // namespace wf
