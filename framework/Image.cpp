#include "framework/Image.h"

#include <algorithm>

namespace wf {

TPicture::TPicture() {
  bitmap_.OnChange = [this](TObject*) { Changed(); };
}

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
  picture_.OnChange = [this](TObject*) { Invalidate(); };
}

void TImage::SetTransparent(bool value) {
  if (value == transparent_) return;
  transparent_ = value;
  Invalidate();
}

void TImage::Paint(HDC dc) {
  if (picture_.Empty()) return;
  const TBitmap& bitmap = picture_.Bitmap();
  const int width = std::min(Width(), bitmap.Width());
  const int height = std::min(Height(), bitmap.Height());
  if (width <= 0 || height <= 0) return;
  if (transparent_) {
    const COLORREF key = GetPixel(bitmap.Dc(), 0, bitmap.Height() - 1);
    TransparentBlt(dc, Left(), Top(), width, height, bitmap.Dc(), 0, 0, width, height, key);
  } else {
    BitBlt(dc, Left(), Top(), width, height, bitmap.Dc(), 0, 0, SRCCOPY);
  }
}

}  // namespace wf
