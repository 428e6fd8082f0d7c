#pragma once

#include <windows.h>

#include <string>

#include "framework/Control.h"

namespace wf {

enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum class TTextLayout { tlTop, tlCenter, tlBottom };

// `width` nested one-pixel frames, each with its top and left lines in
// `top_left` and its bottom and right lines in `bottom_right`; the rectangle
// shrinks by one on every side per frame.
void Frame3D(HDC dc, RECT& rect, TColor top_left, TColor bottom_right, int width);

// Whether `key` is the accelerator that "&" marks in `caption` ("&&" is a
// plain "&"); letters compare without regard to case.
bool IsAccelerator(wchar_t key, const std::wstring& caption);

// A container with a caption, bevels and a border. Its client rectangle for
// child controls is what the border and bevels leave; an accelerator in the
// caption moves the focus to it.
class TCustomPanel : public TWinControl {
 public:
  explicit TCustomPanel(TComponent* owner);

  // The window text: tools outside read it there.
  virtual const std::wstring& Caption() const { return caption_; }
  virtual void SetCaption(std::wstring caption);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TBevelCut BevelInner() const { return bevel_inner_; }
  virtual void SetBevelInner(TBevelCut value);
  TBevelCut BevelOuter() const { return bevel_outer_; }
  virtual void SetBevelOuter(TBevelCut value);
  int BevelWidth() const { return bevel_width_; }
  virtual void SetBevelWidth(int value);
  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int value);
  // False draws an "&" of the caption as itself, and the caption offers no
  // accelerator.
  bool ShowAccelChar() const { return show_accel_char_; }
  void SetShowAccelChar(bool value);

  // The client area less the border and the bevels, in client coordinates.
  RECT InteriorRect();

 protected:
  void CreateParams(TCreateParams& params) override;
  void AdjustClientRect(RECT& rect) override;
  bool DialogChar(wchar_t key) override;
  // Fills with Color, draws the bevels and the border, then the caption,
  // then the controls without a window.
  void PaintWindow(HDC dc) override;
  // What the border and the bevels take from each side.
  int FrameWidth() const;
  // The DrawTextW flags of the caption's alignment and accelerator rule.
  UINT CaptionFormat() const;

 private:
  void Realign();

  std::wstring caption_;
  TAlignment alignment_ = TAlignment::taCenter;
  TBevelCut bevel_inner_ = TBevelCut::bvNone;
  TBevelCut bevel_outer_ = TBevelCut::bvRaised;
  int bevel_width_ = 1;
  int border_width_ = 0;
  bool show_accel_char_ = true;
};

}  // namespace wf
