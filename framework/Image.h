#pragma once

#include <windows.h>

#include "framework/Graphics.h"
#include "framework/GraphicControl.h"
#include "framework/Handles.h"

namespace wf {

// What an image control shows: a bitmap, or an icon (whose alpha channel a
// bitmap could not carry), with a change event for any edit.
class TPicture : public TObject {
 public:
  TPicture();
  TBitmap& Bitmap() { return bitmap_; }
  const TBitmap& Bitmap() const { return bitmap_; }
  // Takes the icon over; it is shown instead of the bitmap while set.
  void SetIcon(UniqueIcon icon);
  HICON Icon() const { return icon_.get(); }
  int Width() const;
  int Height() const;
  bool Empty() const { return !icon_ && bitmap_.Empty(); }
  // Tells the picture's users that its bitmap's pixels were drawn on.
  void Changed() { Raise(OnChange, this); }

  TNotifyEvent OnChange;

 private:
  TBitmap bitmap_;
  UniqueIcon icon_;
  SIZE icon_size_{};
};

// Shows a picture at its top-left corner. A transparent image leaves the
// pixels of a bitmap's bottom-left colour to whatever is under it; an icon
// is always drawn through its own mask and alpha.
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
