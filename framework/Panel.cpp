// Panels: bevels, captions and alignment.
#include "framework/Panel.h"

#include <cwctype>

#include "framework/GraphicControl.h"

namespace wf {
namespace {

void Line(HDC dc, int x, int y, int width, int height, COLORREF color) {
  const RECT r{x, y, x + width, y + height};
  BkColorScope background(dc, color);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void Bevel(HDC dc, RECT& rect, TBevelCut cut, int width) {
  switch (cut) {
    case TBevelCut::bvLowered:
      Frame3D(dc, rect, clBtnShadow, clBtnHighlight, width);
      break;
    case TBevelCut::bvRaised:
      Frame3D(dc, rect, clBtnHighlight, clBtnShadow, width);
      break;
    case TBevelCut::bvSpace:
      Frame3D(dc, rect, clBtnFace, clBtnFace, width);
      break;
    case TBevelCut::bvNone:
      break;
  }
}

}  // namespace

void Frame3D(HDC dc, RECT& rect, TColor top_left, TColor bottom_right, int width) {
  const COLORREF first = ColorToRGB(top_left);
  const COLORREF second = ColorToRGB(bottom_right);
  for (int i = 0; i < width; ++i) {
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (w <= 0 || h <= 0) return;
    Line(dc, rect.left, rect.top, w, 1, first);
    Line(dc, rect.left, rect.top, 1, h, first);
    Line(dc, rect.left, rect.bottom - 1, w, 1, second);
    Line(dc, rect.right - 1, rect.top, 1, h, second);
    InflateRect(&rect, -1, -1);
  }
}

bool IsAccelerator(wchar_t key, const std::wstring& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != L'&') continue;
    if (caption[i + 1] == L'&') {
      ++i;
      continue;
    }
    return towupper(caption[i + 1]) == towupper(key);
  }
  return false;
}

TCustomPanel::TCustomPanel(TComponent* owner) : TWinControl(owner) {
  SetBounds(Left(), Top(), 185, 41);
}

void TCustomPanel::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.class_name = L"TPanel";
  params.caption = Caption();
}

void TCustomPanel::SetCaption(std::wstring caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  if (HandleAllocated()) SetWindowTextW(Handle(), caption_.c_str());
  Invalidate();
}

void TCustomPanel::SetAlignment(TAlignment value) {
  if (value == alignment_) return;
  alignment_ = value;
  Invalidate();
}

void TCustomPanel::Realign() {
  AlignControls();
  Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut value) {
  if (value == bevel_inner_) return;
  bevel_inner_ = value;
  Realign();
}

void TCustomPanel::SetBevelOuter(TBevelCut value) {
  if (value == bevel_outer_) return;
  bevel_outer_ = value;
  Realign();
}

void TCustomPanel::SetBevelWidth(int value) {
  if (value < 1 || value == bevel_width_) return;
  bevel_width_ = value;
  Realign();
}

void TCustomPanel::SetBorderWidth(int value) {
  if (value < 0 || value == border_width_) return;
  border_width_ = value;
  Realign();
}

void TCustomPanel::SetShowAccelChar(bool value) {
  if (value == show_accel_char_) return;
  show_accel_char_ = value;
  Invalidate();
}

int TCustomPanel::FrameWidth() const {
  int width = border_width_;
  if (bevel_outer_ != TBevelCut::bvNone) width += bevel_width_;
  if (bevel_inner_ != TBevelCut::bvNone) width += bevel_width_;
  return width;
}

void TCustomPanel::AdjustClientRect(RECT& rect) {
  TWinControl::AdjustClientRect(rect);
  InflateRect(&rect, -FrameWidth(), -FrameWidth());
}

RECT TCustomPanel::InteriorRect() {
  RECT r{0, 0, ClientWidth(), ClientHeight()};
  AdjustClientRect(r);
  return r;
}

UINT TCustomPanel::CaptionFormat() const {
  UINT format = DT_EXPANDTABS;
  switch (alignment_) {
    case TAlignment::taLeftJustify:
      format |= DT_LEFT;
      break;
    case TAlignment::taRightJustify:
      format |= DT_RIGHT;
      break;
    case TAlignment::taCenter:
      format |= DT_CENTER;
      break;
  }
  if (!show_accel_char_) format |= DT_NOPREFIX;
  return format;
}

bool TCustomPanel::DialogChar(wchar_t key) {
  if (!show_accel_char_ || !Enabled() || !CanFocus() || !IsAccelerator(key, Caption()))
    return false;
  SetFocus();
  return true;
}

void TCustomPanel::PaintWindow(HDC dc) {
  RECT r{0, 0, ClientWidth(), ClientHeight()};
  const COLORREF fill = ColorToRGB(Color());
  {
    BkColorScope background(dc, fill);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
  }
  Bevel(dc, r, bevel_outer_, bevel_width_);
  Frame3D(dc, r, Color(), Color(), border_width_);
  Bevel(dc, r, bevel_inner_, bevel_width_);
  if (!Caption().empty()) {
    SavedDcScope saved(dc);
    SetBkMode(dc, TRANSPARENT);
    SelectObject(dc, Font().Handle());
    SetTextColor(dc, ColorToRGB(Font().Color()));
    DrawTextW(dc, Caption().c_str(), static_cast<int>(Caption().size()), &r,
              CaptionFormat() | DT_VCENTER | DT_SINGLELINE);
  }
  PaintGraphicControls(dc);
}

}  // namespace wf
