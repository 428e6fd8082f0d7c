#include "ui/PaxBkgnd.h"

#include <algorithm>

namespace wf {
namespace {

RECT Moved(const RECT& r, int dx, int dy) {
  return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

RECT Intersection(const RECT& a, const RECT& b) {
  RECT result{};
  if (!IntersectRect(&result, &a, &b)) return RECT{};
  return result;
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

int Width(const RECT& r) {
  return r.right - r.left;
}
int Height(const RECT& r) {
  return r.bottom - r.top;
}

// Rounds toward minus infinity, so that a grid reaches back over negative
// coordinates the same way it reaches forward.
int FloorDiv(int a, int b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

bool HasImage(const TBitmap* image) {
  return image && !image->Empty();
}

// Copies `rect` (device) from `source` at (sx, sy).
void Copy(HDC dc, const RECT& rect, HDC source, int sx, int sy, DWORD rop) {
  BitBlt(dc, rect.left, rect.top, Width(rect), Height(rect), source, sx, sy, rop);
}

// The whole image scaled to width x height; empty if either is 0.
void StretchInto(TBitmap& target, const TBitmap& image, int width, int height) {
  target.SetSize(width, height);
  if (target.Empty()) return;
  SetStretchBltMode(target.Dc(), COLORONCOLOR);
  StretchBlt(target.Dc(), 0, 0, width, height, image.Dc(), 0, 0, image.Width(), image.Height(),
             SRCCOPY);
}

uint8_t Channel(COLORREF color, int shift) {
  return static_cast<uint8_t>((color >> shift) & 0xFF);
}

}  // namespace

void FillColorRect(HDC dc, const RECT& rect, COLORREF color) {
  BkColorScope background(dc, color);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

RECT CenterInArea(int image_width, int area_width, int image_height, int area_height) {
  RECT r;
  r.left = std::max(area_width / 2 - image_width / 2, 0);
  r.right = std::min(r.left + image_width, r.left + area_width);
  r.top = std::max(area_height / 2 - image_height / 2, 0);
  r.bottom = std::min(r.top + image_height, r.top + area_height);
  return r;
}

void PaintGradientBands(HDC dc, const RECT& rect, TColor start, bool vertical, int steps,
                        TColor end) {
  const COLORREF c0 = ColorToRGB(start);
  const COLORREF c1 = ColorToRGB(end);
  if (c0 == c1) {
    UniqueBrush brush(CreateSolidBrush(c0));
    FillRect(dc, &rect, brush.get());
    return;
  }
  if (steps <= 0) return;
  const int extent = vertical ? Height(rect) : Width(rect);
  for (int i = 0; i < steps; ++i) {
    const int from = MulDiv(i, extent, steps);
    const int to = MulDiv(i + 1, extent, steps);
    RECT band = rect;
    if (vertical) {
      band.top = rect.top + from;
      band.bottom = rect.top + to;
    } else {
      band.left = rect.left + from;
      band.right = rect.left + to;
    }
    COLORREF color = c0;
    // A single band has no end to reach: it shows the start colour (the
    // general rule would divide by zero).
    if (steps > 1) {
      int channels[3];
      for (int k = 0; k < 3; ++k) {
        const int a = Channel(c0, 8 * k);
        const int b = Channel(c1, 8 * k);
        channels[k] = (a + MulDiv(i, b - a, steps - 1)) & 0xFF;
      }
      color = RGB(channels[0], channels[1], channels[2]);
    }
    UniqueBrush brush(CreateSolidBrush(color));
    SelectScope selected(dc, brush.get());
    PatBlt(dc, band.left, band.top, Width(band), Height(band), PATCOPY);
  }
}

void TintRect(TCanvas& canvas, const RECT& rect, TColor color, uint8_t level) {
  if (level == 0) return;
  const COLORREF tint = ColorToRGB(color);
  const int a = level;
  for (int x = rect.left; x < rect.right; ++x) {
    for (int y = rect.top; y < rect.bottom; ++y) {
      const COLORREF p = canvas.Pixel(x, y);
      int channels[3];
      for (int k = 0; k < 3; ++k)
        channels[k] = ((256 - a) * Channel(p, 8 * k) + a * Channel(tint, 8 * k)) >> 8;
      canvas.SetPixel(x, y, RGB(channels[0], channels[1], channels[2]));
    }
  }
}

void PaintBackgroundAt(HDC dc, const RECT& dest, const RECT& area, TPaxBkGndType mode,
                       const TBitmap* image, TColor color, POINT origin) {
  const COLORREF fill = ColorToRGB(color);
  if (mode == bgtColorFill) {
    FillColorRect(dc, dest, fill);
    return;
  }
  const RECT e = Moved(dest, origin.x, origin.y);
  if (!Inside(e, area)) FillColorRect(dc, dest, fill);
  RECT placed{};
  switch (mode) {
    case bgtTileBitmap: {
      // Tiles of no size would never advance: the colour stands in for them.
      if (!HasImage(image)) {
        FillColorRect(dc, dest, fill);
        return;
      }
      const int w = image->Width();
      const int h = image->Height();
      int y0 = 0;
      while (y0 + h < e.top) y0 += h;
      int x0 = 0;
      while (x0 + w < e.left) x0 += w;
      for (int y = y0; y < e.bottom; y += h) {
        for (int x = x0; x < e.right; x += w) {
          const RECT p = Intersection(RECT{x, y, x + w, y + h}, e);
          if (IsRectEmpty(&p)) continue;
          Copy(dc, Moved(p, -origin.x, -origin.y), image->Dc(), p.left % w, p.top % h, SRCCOPY);
        }
      }
      return;
    }
    case bgtStretchBitmap: {
      if (!HasImage(image)) return;
      TBitmap stretched;
      StretchInto(stretched, *image, Width(area), Height(area));
      if (stretched.Empty()) return;
      const RECT p = Intersection(area, e);
      if (!IsRectEmpty(&p))
        Copy(dc, Moved(p, -origin.x, -origin.y), stretched.Dc(), p.left - area.left,
             p.top - area.top, SRCCOPY);
      return;
    }
    case bgtCenterBitmap:
    case bgtTopLeftBitmap:
      if (!HasImage(image)) {
        FillColorRect(dc, dest, fill);
        return;
      }
      placed = mode == bgtCenterBitmap
                   ? CenterInArea(image->Width(), Width(area), image->Height(), Height(area))
                   : RECT{0, 0, image->Width(), image->Height()};
      placed = Moved(placed, area.left, area.top);
      break;
    default:
      return;
  }
  const RECT p = Intersection(placed, e);
  const RECT on_device = Moved(p, -origin.x, -origin.y);
  if (!IsRectEmpty(&p))
    Copy(dc, on_device, image->Dc(), p.left - placed.left, p.top - placed.top, SRCCOPY);
  SavedDcScope saved(dc);
  if (!IsRectEmpty(&p))
    ExcludeClipRect(dc, on_device.left, on_device.top, on_device.right, on_device.bottom);
  FillColorRect(dc, dest, fill);
}

void PaintBackgroundArea(HDC dc, const RECT& anchor, const RECT& area, TPaxBkGndType mode,
                         const TBitmap* image, TColor color, bool invert, const RECT& update,
                         const RECT& device_origin) {
  const COLORREF fill = ColorToRGB(color);
  const DWORD rop = invert ? SRCINVERT : SRCCOPY;
  const int dx = -device_origin.left;
  const int dy = -device_origin.top;
  const bool picture_mode = mode == bgtTileBitmap || mode == bgtStretchBitmap ||
                            mode == bgtCenterBitmap || mode == bgtTopLeftBitmap;
  if (mode == bgtColorFill || (picture_mode && !HasImage(image))) {
    FillColorRect(dc, Moved(update, dx, dy), fill);
    return;
  }
  switch (mode) {
    case bgtTileBitmap: {
      const int w = image->Width();
      const int h = image->Height();
      const int first_y = anchor.top + FloorDiv(update.top - anchor.top, h) * h;
      const int first_x = anchor.left + FloorDiv(update.left - anchor.left, w) * w;
      for (int y = first_y; y < update.bottom; y += h) {
        for (int x = first_x; x < update.right; x += w) {
          const RECT p = Intersection(update, RECT{x, y, x + w, y + h});
          if (!IsRectEmpty(&p)) Copy(dc, Moved(p, dx, dy), image->Dc(), p.left - x, p.top - y, rop);
        }
      }
      return;
    }
    case bgtStretchBitmap: {
      TBitmap stretched;
      StretchInto(stretched, *image, Width(area), Height(area));
      if (stretched.Empty()) return;
      const RECT placed = Moved(RECT{0, 0, Width(area), Height(area)}, anchor.left, anchor.top);
      const RECT p = Intersection(update, placed);
      if (!IsRectEmpty(&p))
        Copy(dc, Moved(p, dx, dy), stretched.Dc(), p.left - placed.left, p.top - placed.top, rop);
      return;
    }
    case bgtCenterBitmap:
    case bgtTopLeftBitmap: {
      FillColorRect(dc, Moved(update, dx, dy), fill);
      RECT placed = mode == bgtCenterBitmap
                        ? CenterInArea(image->Width(), Width(area), image->Height(), Height(area))
                        : RECT{0, 0, image->Width(), image->Height()};
      placed = Moved(placed, anchor.left, anchor.top);
      const RECT p = Intersection(update, placed);
      if (!IsRectEmpty(&p))
        Copy(dc, Moved(p, dx, dy), image->Dc(), p.left - placed.left, p.top - placed.top, rop);
      return;
    }
    default:
      return;
  }
}

}  // namespace wf
