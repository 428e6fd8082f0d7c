// Windowless controls, painted by their parent.
#include "framework/GraphicControl.h"

#include <algorithm>

namespace wf {

TGraphicControl::TGraphicControl(TComponent* owner) : TComponent(owner) {}

TGraphicControl::~TGraphicControl() {
  MarkDestroying();
  SetParent(nullptr);
}

void TGraphicControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent_) {
    Invalidate();
    auto& list = parent_->graphic_controls_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (parent_->captured_graphic_ == this) parent_->captured_graphic_ = nullptr;
  }
  parent_ = parent;
  if (parent_) {
    parent_->graphic_controls_.push_back(this);
    // A stored description gives design sizes: its parent scales them all
    // once loading ends.
    if (!IsLoading()) ChangeScale(parent_->CurrentDpi());
    Invalidate();
  }
}

void TGraphicControl::SetBounds(int left, int top, int width, int height) {
  if (left != left_) design_left_ = UnscaleForDpi(left, dpi_);
  if (top != top_) design_top_ = UnscaleForDpi(top, dpi_);
  if (width != width_) design_width_ = UnscaleForDpi(width, dpi_);
  if (height != height_) design_height_ = UnscaleForDpi(height, dpi_);
  PlaceBounds(left, top, width, height);
}

void TGraphicControl::ChangeScale(int dpi) {
  if (dpi <= 0 || dpi == dpi_) return;
  dpi_ = dpi;
  PlaceBounds(ScaleForDpi(design_left_, dpi), ScaleForDpi(design_top_, dpi),
              ScaleForDpi(design_width_, dpi), ScaleForDpi(design_height_, dpi));
}

void TGraphicControl::PlaceBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  Invalidate();
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Invalidate();
}

void TGraphicControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  Invalidate();
}

bool TGraphicControl::ShowHint() const {
  if (parent_show_hint_ && parent_) return parent_->ShowHint();
  return show_hint_;
}

void TGraphicControl::SetShowHint(bool value) {
  show_hint_ = value;
  parent_show_hint_ = false;
}

void TGraphicControl::Invalidate() {
  if (!parent_ || !parent_->HandleAllocated()) return;
  const RECT r = BoundsRect();
  InvalidateRect(parent_->Handle(), &r, FALSE);
}

void TGraphicControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  Raise(OnMouseDown, this, button, shift, x, y);
}

void TGraphicControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  Raise(OnMouseUp, this, button, shift, x, y);
}

void TGraphicControl::MouseMove(TShiftState shift, int x, int y) {
  Raise(OnMouseMove, this, shift, x, y);
}

void TGraphicControl::Click() {
  Raise(OnClick, this);
}

void TGraphicControl::DblClick() {
  Raise(OnDblClick, this);
}

}  // namespace wf
