#pragma once

#include <windows.h>

#include "framework/Graphics.h"
#include "framework/GraphicControl.h"

namespace wf {

// What an image control shows: a bitmap, with a change event for any edit.
class TPicture : public TObject {
 public:
  TPicture();
  TBitmap& Bitmap() { return bitmap_; }
  const TBitmap& Bitmap() const { return bitmap_; }
  int Width() const { return bitmap_.Width(); }
  int Height() const { return bitmap_.Height(); }
  bool Empty() const { return bitmap_.Empty(); }
  // Tells the picture's users that its bitmap's pixels were drawn on.
  void Changed() { Raise(OnChange, this); }

  TNotifyEvent OnChange;

 private:
  TBitmap bitmap_;
};

// Shows a picture at its top-left corner. A transparent image leaves the
// pixels of the picture's bottom-left colour to whatever is under it.
class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* owner);

  TPicture& Picture() { return picture_; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);

 protected:
  void Paint(HDC dc) override;

 private:
  TPicture picture_;
  bool transparent_ = false;
};

}  // namespace wf
