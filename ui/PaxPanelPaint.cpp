#include <vssym32.h>

#include "framework/Handles.h"
#include "ui/PaxPanel.h"
#include "ui/PaxPanelDetail.h"

namespace wf {

using namespace panel_detail;

namespace {

// The theme part of a bevel's edge, and of the status bar's gripper.
constexpr int kEdgePart = 32;
constexpr int kGripperPart = 3;

using UniqueRegion = Unique<HRGN, GdiObjectDeleter>;

void Fill(HDC dc, const RECT& r, TColor color) {
  FillColorRect(dc, r, ColorToRGB(color));
}

}  // namespace

// ---- cache ----

void TCustomPaxPanel::RebuildCache() {
  if (!UsesCache(background_type_) || background_.Empty()) {
    cache_.SetSize(0, 0);
    return;
  }
  const RECT r = GetBackgroundClientRect();
  if (RectWidth(r) <= 0 || RectHeight(r) <= 0) return;
  // The client's own size: one pixel less would stretch every tile.
  cache_.SetSize(RectWidth(r), RectHeight(r));
  RECT update = r;
  OffsetRect(&update, r.left, r.top);
  PaintBackgroundArea(cache_.Dc(), r, r, background_type_, &background_, Color(), false, update, r);
}

const TBitmap& TCustomPaxPanel::CentredBackground() {
  if (CurrentDpi() == kDesignDpi || background_.Empty()) return background_;
  const int width = Scaled(background_.Width());
  const int height = Scaled(background_.Height());
  if (scaled_background_.Width() != width || scaled_background_.Height() != height)
    StretchSmooth(background_, scaled_background_, width, height);
  return scaled_background_.Empty() ? background_ : scaled_background_;
}

// ---- painting ----

void TCustomPaxPanel::PaintWindow(HDC target) {
  RECT client;
  GetClientRect(Handle(), &client);
  if (RectWidth(client) <= 0 || RectHeight(client) <= 0) return;
  RECT box;
  if (GetClipBox(target, &box) == ERROR || IsRectEmpty(&box)) box = client;
  if (OnlyTheCache(client)) {
    // Nothing is drawn over the pre-rendered background, so nothing can
    // flicker: one copy straight to the target is the whole paint.
    BitBlt(target, box.left, box.top, RectWidth(box), RectHeight(box), cache_.Dc(), box.left,
           box.top, SRCCOPY);
    return;
  }
  UniqueDc memory(CreateCompatibleDC(target));
  UniqueBitmap bitmap(CreateCompatibleBitmap(target, RectWidth(client), RectHeight(client)));
  if (!memory || !bitmap) return;
  SelectScope selected(memory.get(), bitmap.get());
  UniqueRegion clip(CreateRectRgnIndirect(&box));
  SelectClipRgn(memory.get(), clip.get());
  Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory.get()), 0);
  struct CanvasScope {
    TCanvas& canvas;
    CanvasScope(TCanvas& c, HDC dc) : canvas(c) { canvas = TCanvas(dc); }
    ~CanvasScope() { canvas = TCanvas(); }
  } canvas(canvas_, memory.get());
  Paint(memory.get());
  PaintGraphicControls(memory.get());
  SelectClipRgn(memory.get(), nullptr);
  BitBlt(target, box.left, box.top, RectWidth(box), RectHeight(box), memory.get(), box.left,
         box.top, SRCCOPY);
}

bool TCustomPaxPanel::OnlyTheCache(const RECT& client) {
  if (!UsesCache(background_type_) || cache_.Width() != RectWidth(client) ||
      cache_.Height() != RectHeight(client))
    return false;
  if (Themed() || transparent_ || owner_draw_ || image_form_ || !GraphicControls().empty())
    return false;
  if (BevelOuter() != TBevelCut::bvNone || BevelInner() != TBevelCut::bvNone) return false;
  for (const auto* handle :
       {grab_left_.get(), grab_top_.get(), grab_right_.get(), grab_bottom_.get()})
    if (handle->Occupies() && handle->BevelKind() != TBevelCut::bvNone) return false;
  if (!Caption().empty() || (show_focus_ && Focused()) || (size_grip_ && resizable_)) return false;
  return true;
}

LRESULT TCustomPaxPanel::OnEraseBackground(HDC dc) {
  if (Themed()) {
    RECT client;
    GetClientRect(Handle(), &client);
    if (transparent_xp_themes_)
      DrawParentBackground(Handle(), dc, &client);
    else
      Fill(dc, client, Color());
  }
  return 1;
}

void TCustomPaxPanel::Paint(HDC dc) {
  const RECT client{0, 0, ClientWidth(), ClientHeight()};
  const bool painted = PaintBackground(dc, client);
  RECT r = client;
  PaintBevel(dc, r, BevelOuter());
  if (Themed()) {
    InflateRect(&r, -BevelWidth(), -BevelWidth());
  } else if (!painted) {
    Frame3D(dc, r, Color(), Color(), BorderWidth());
  }
  PaintBevel(dc, r, BevelInner());
  PaintGrabHandles(dc, r);
  if (owner_draw_)
    DoPaint();
  else
    PaintCaption(dc, r);
  PaintSizeGrip(dc, client, r);
}

bool TCustomPaxPanel::PaintBackground(HDC dc, const RECT& r) {
  if (Themed()) {
    // The erase step has painted what lies behind a themed panel.
    DrawThemedBackground(dc, r);
    return false;
  }
  if (transparent_) {
    PaintTransparentBackground(dc);
    return false;
  }
  if (owner_draw_ && !always_paint_background_) return false;
  if (image_form_) {
    TWinControl* served = image_form_->Control();
    if (served && served->HandleAllocated()) {
      RECT there = r;
      MapWindowPoints(Handle(), served->Handle(), reinterpret_cast<POINT*>(&there), 2);
      image_form_->PaintBackground(dc, there, POINT{r.left - there.left, r.top - there.top});
    }
    if (alpha_level_ != 0) TintRect(canvas_, r, Color(), alpha_level_);
    return true;
  }
  switch (background_type_) {
    case bgtTileBitmap:
    case bgtStretchBitmap:
      if (cache_.Empty()) {
        Fill(dc, r, Color());
      } else if (cache_.Width() == RectWidth(r) && cache_.Height() == RectHeight(r)) {
        BitBlt(dc, r.left, r.top, RectWidth(r), RectHeight(r), cache_.Dc(), 0, 0, SRCCOPY);
      } else {
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, r.left, r.top, RectWidth(r), RectHeight(r), cache_.Dc(), 0, 0,
                   cache_.Width(), cache_.Height(), SRCCOPY);
      }
      break;
    case bgtColorFill:
      Fill(dc, r, Color());
      break;
    case bgtCenterBitmap: {
      Fill(dc, r, Color());
      if (background_.Empty()) break;
      const TBitmap& image = CentredBackground();
      RECT place = CenterInArea(image.Width(), RectWidth(r), image.Height(), RectHeight(r));
      OffsetRect(&place, r.left, r.top);
      if (RectWidth(place) == image.Width() && RectHeight(place) == image.Height()) {
        BitBlt(dc, place.left, place.top, RectWidth(place), RectHeight(place), image.Dc(), 0, 0,
               SRCCOPY);
      } else {
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, place.left, place.top, RectWidth(place), RectHeight(place), image.Dc(), 0, 0,
                   image.Width(), image.Height(), SRCCOPY);
      }
      break;
    }
    case bgtHorzGradient:
    case bgtVertGradient:
      PaintGradientBands(dc, r, gradient_start_, background_type_ == bgtVertGradient,
                         gradient_steps_, gradient_end_);
      break;
    case bgtTopLeftBitmap:
      if (background_.Empty()) {
        FillRect(dc, &r, static_cast<HBRUSH>(GetCurrentObject(dc, OBJ_BRUSH)));
      } else {
        const COLORREF corner =
            GetPixel(background_.Dc(), background_.Width() - 1, background_.Height() - 1);
        SetColor(static_cast<TColor>(corner));
        PaintBackgroundAt(dc, r, r, bgtTopLeftBitmap, &background_, Color(), POINT{0, 0});
      }
      break;
  }
  return true;
}

void TCustomPaxPanel::PaintTransparentBackground(HDC dc) {
  RECT box;
  if (GetClipBox(dc, &box) == ERROR || IsRectEmpty(&box)) return;
  HWND hwnd = Handle();
  HDC window_dc = GetDC(hwnd);
  if (!window_dc) return;
  struct Release {
    HWND hwnd;
    HDC dc;
    ~Release() { ReleaseDC(hwnd, dc); }
  } release{hwnd, window_dc};
  if (Parent() && Parent()->HandleAllocated()) {
    RECT there = box;
    OffsetRect(&there, Left(), Top());
    RedrawWindow(Parent()->Handle(), &there, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_NOCHILDREN);
  }
  if (alpha_level_ == 0) {
    BitBlt(dc, box.left, box.top, RectWidth(box), RectHeight(box), window_dc, box.left, box.top,
           SRCCOPY);
    return;
  }
  TBitmap tinted;
  tinted.SetSize(RectWidth(box), RectHeight(box));
  BitBlt(tinted.Dc(), 0, 0, RectWidth(box), RectHeight(box), window_dc, box.left, box.top, SRCCOPY);
  TintRect(tinted.Canvas(), RECT{0, 0, RectWidth(box), RectHeight(box)}, Color(), alpha_level_);
  BitBlt(dc, box.left, box.top, RectWidth(box), RectHeight(box), tinted.Dc(), 0, 0, SRCCOPY);
}

void TCustomPaxPanel::PaintBevel(HDC dc, RECT& r, TBevelCut cut) {
  if (cut == TBevelCut::bvNone) return;
  if (Themed()) {
    if (cut == TBevelCut::bvSpace) return;
    const bool lowered = cut == TBevelCut::bvLowered;
    RECT content = r;
    DrawThemedEdge(theme_.get(), dc, kEdgePart, lowered ? 3 : 2, r,
                   lowered ? BDR_SUNKENOUTER : BDR_RAISEDOUTER, BF_RECT | BF_ADJUST, &content);
    r = content;
    return;
  }
  switch (cut) {
    case TBevelCut::bvLowered:
      Frame3D(dc, r, clBtnShadow, clBtnHighlight, BevelWidth());
      break;
    case TBevelCut::bvRaised:
      Frame3D(dc, r, clBtnHighlight, clBtnShadow, BevelWidth());
      break;
    default:
      Frame3D(dc, r, bevel_space_color_, bevel_space_color_, BevelWidth());
      break;
  }
}

void TCustomPaxPanel::PaintGrabHandles(HDC dc, RECT& r) {
  struct Side {
    TPaxPanelGrabHandle* handle;
    int side;
  };
  for (const Side& s : {Side{grab_left_.get(), HTLEFT}, Side{grab_right_.get(), HTRIGHT},
                        Side{grab_top_.get(), HTTOP}, Side{grab_bottom_.get(), HTBOTTOM}}) {
    TPaxPanelGrabHandle& h = *s.handle;
    if (!h.Occupies() || h.BevelKind() == TBevelCut::bvNone) continue;
    RECT strip = r;
    switch (s.side) {
      case HTLEFT:
        strip.right = r.left + h.Size();
        r.left = strip.right;
        break;
      case HTRIGHT:
        strip.left = r.right - h.Size();
        r.right = strip.left;
        break;
      case HTTOP:
        strip.bottom = r.top + h.Size();
        r.top = strip.bottom;
        break;
      default:
        strip.top = r.bottom - h.Size();
        r.bottom = strip.top;
        break;
    }
    Fill(dc, strip, Color());
    const bool raised = h.BevelKind() == TBevelCut::bvRaised;
    const COLORREF first = ColorToRGB(raised ? clBtnHighlight : clBtnShadow);
    const COLORREF second = ColorToRGB(raised ? clBtnShadow : clBtnHighlight);
    if (s.side == HTLEFT || s.side == HTRIGHT) {
      const int x = strip.left + RectWidth(strip) / 2 - 1;
      FillColorRect(dc, RECT{x, strip.top + 1, x + 1, strip.bottom - 1}, first);
      FillColorRect(dc, RECT{x + 1, strip.top + 1, x + 2, strip.bottom - 1}, second);
    } else {
      const int y = strip.top + RectHeight(strip) / 2 - 1;
      FillColorRect(dc, RECT{strip.left + 1, y, strip.right - 1, y + 1}, first);
      FillColorRect(dc, RECT{strip.left + 1, y + 1, strip.right - 1, y + 2}, second);
    }
  }
}

void TCustomPaxPanel::PaintCaption(HDC dc, const RECT& r) {
  const std::wstring& text = Caption();
  if (text.empty() && !(show_focus_ && Focused())) return;
  SavedDcScope saved(dc);
  SetBkMode(dc, TRANSPARENT);
  SelectObject(dc, Font().Handle());
  SetTextColor(dc, ColorToRGB(Font().Color()));
  const UINT format = CaptionFormat();
  RECT t = r;
  if (layout_ != TTextLayout::tlTop) {
    RECT measured = r;
    AdjustClientRect(measured);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured, format | DT_CALCRECT);
    const int free = RectHeight(r) - RectHeight(measured);
    const int shift = layout_ == TTextLayout::tlBottom ? free : free / 2;
    OffsetRect(&t, 0, shift);
  }
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &t, format);
  if (show_focus_ && Focused()) DrawFocusRect(dc, &t);
}

void TCustomPaxPanel::PaintSizeGrip(HDC dc, const RECT& client, const RECT& r) {
  if (!size_grip_ || !resizable_) return;
  const int grip_width = SystemMetricForDpi(SM_CXVSCROLL, CurrentDpi());
  const int grip_height = SystemMetricForDpi(SM_CYHSCROLL, CurrentDpi());
  if (Themed()) {
    RECT strip{client.right - grip_width, client.top, client.right, client.bottom};
    if (IsRectEmpty(&strip)) return;
    if (const UniqueTheme status = OpenTheme(Handle(), L"STATUS"))
      DrawThemePart(status.get(), dc, kGripperPart, 0, strip);
    size_grip_rect_ = {strip.left, strip.bottom - grip_height, strip.right, strip.bottom};
    return;
  }
  size_grip_rect_ = {r.right - grip_width, r.bottom - grip_height, r.right, r.bottom};
  const int side = RectHeight(size_grip_rect_) + 1;
  RECT square{size_grip_rect_.right - side, size_grip_rect_.bottom - side, size_grip_rect_.right,
              size_grip_rect_.bottom};
  DrawFrameControl(dc, &square, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
}

}  // namespace wf
