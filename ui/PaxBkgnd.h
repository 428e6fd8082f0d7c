#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/Graphics.h"

namespace wf {

enum TPaxBkGndType : uint8_t {
  bgtTileBitmap,
  bgtStretchBitmap,
  bgtColorFill,
  bgtCenterBitmap,
  bgtHorzGradient,
  bgtVertGradient,
  bgtTopLeftBitmap,
};

// Stateless background routines. Each leaves the device context's colours,
// selected objects and clipping as it found them. A null image counts as an
// empty one.

// Opaque empty text: the platform's fastest solid fill, with no brush.
void FillColorRect(HDC dc, const RECT& rect, COLORREF color);

// Where an image goes centred in an area whose top-left is (0, 0); an image
// larger than the area is clipped to it, not centred.
RECT CenterInArea(int image_width, int area_width, int image_height, int area_height);

// `steps` bands from `start` to `end`, left to right or top to bottom.
void PaintGradientBands(HDC dc, const RECT& rect, TColor start, bool vertical, int steps,
                        TColor end);

// Blends `color` over every pixel of the rectangle; level 0 leaves them as
// they are, 255 all but replaces them. Pixel by pixel, so slow.
void TintRect(TCanvas& canvas, const RECT& rect, TColor color, uint8_t level);

// Paints the part of an area's background that lies under `dest` (device
// coordinates). `area` and the picture's placement are in area coordinates,
// which are device coordinates moved by `origin`.
void PaintBackgroundAt(HDC dc, const RECT& dest, const RECT& area, TPaxBkGndType mode,
                       const TBitmap* image, TColor color, POINT origin);

// Paints `update` of an area's background, for pre-rendering a cache. The
// tile grid and the picture are anchored at `anchor`'s top-left and placed
// in `area`'s size; `update` is in the same coordinates, and `device_origin`'s
// top-left is the point that lands on the device's (0, 0). A panel passes one
// rectangle at (0, 0) for all four.
void PaintBackgroundArea(HDC dc, const RECT& anchor, const RECT& area, TPaxBkGndType mode,
                         const TBitmap* image, TColor color, bool invert, const RECT& update,
                         const RECT& device_origin);

}  // namespace wf
