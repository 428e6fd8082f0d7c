#pragma once

#include <windows.h>

#include <string>

#include "framework/Component.h"
#include "framework/Control.h"

namespace wf {

// A control without a window of its own. Its parent paints it inside its own
// paint pass (so it lands wherever the parent paints, an off-screen bitmap
// included) and passes it the mouse, the cursor and the hint.
class TGraphicControl : public TComponent {
 public:
  explicit TGraphicControl(TComponent* owner);
  ~TGraphicControl() override;

  TWinControl* Parent() const { return parent_; }
  void SetParent(TWinControl* parent);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // In the parent's client coordinates.
  RECT BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
  // In pixels at the parent's density, kept as design sizes too.
  void SetBounds(int left, int top, int width, int height);
  // The density the control's pixel sizes are for: its parent's.
  int CurrentDpi() const { return dpi_; }

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor) { cursor_ = cursor; }
  const std::wstring& Hint() const { return hint_; }
  void SetHint(std::wstring hint) { hint_ = std::move(hint); }
  // The parent's choice while ParentShowHint is set.
  bool ShowHint() const;
  void SetShowHint(bool value);
  bool ParentShowHint() const { return parent_show_hint_; }
  void SetParentShowHint(bool value) { parent_show_hint_ = value; }

  // Asks the parent to repaint the control's rectangle.
  void Invalidate();

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;

 protected:
  friend class TWinControl;
  // Draws on the parent's device context, whose origin is the parent's
  // client origin: the control draws inside BoundsRect.
  virtual void Paint(HDC dc) = 0;
  // The coordinates are the control's own.
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void Click();
  virtual void DblClick();
  // Lays the control out for its parent's new density from its design
  // bounds.
  virtual void ChangeScale(int dpi);

 private:
  void PlaceBounds(int left, int top, int width, int height);

  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 105, height_ = 105;
  // At the design density; see TWinControl.
  int design_left_ = 0, design_top_ = 0, design_width_ = 105, design_height_ = 105;
  int dpi_ = kDesignDpi;
  bool visible_ = true;
  bool enabled_ = true;
  bool show_hint_ = false;
  bool parent_show_hint_ = true;
  bool pressed_ = false;
  TCursor cursor_ = crDefault;
  std::wstring hint_;
};

}  // namespace wf
