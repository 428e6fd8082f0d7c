#include <gtest/gtest.h>

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "ui/PaxBkgnd.h"
#include "framework/Graphics.h"

namespace wf {
namespace {

constexpr COLORREF kPrefill = RGB(1, 2, 3);
constexpr TColor kRed = 0x0000FF;

// A memory DIB to paint into, filled with a colour no routine paints.
struct Surface {
  Surface(int width, int height) {
    bitmap.SetSize(width, height);
    FillColorRect(dc(), RECT{0, 0, width, height}, kPrefill);
  }
  HDC dc() const { return bitmap.Dc(); }
  COLORREF At(int x, int y) const { return GetPixel(dc(), x, y); }
  TBitmap bitmap;
};

// Every pixel differs from its neighbours and from the fill colours used.
COLORREF PatternAt(int x, int y) {
  return RGB(10 + x, 100 + y, 200);
}

void MakePattern(TBitmap& image, int width, int height) {
  image.SetSize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) SetPixelV(image.Dc(), x, y, PatternAt(x, y));
}

TEST(BackgroundPainter, CenterInAreaCentresSmallImagesAndClipsLargeOnes) {
  const RECT wide = CenterInArea(331, 332, 23, 23);
  EXPECT_EQ(wide.left, 1);
  EXPECT_EQ(wide.top, 0);
  EXPECT_EQ(wide.right, 332);
  EXPECT_EQ(wide.bottom, 23);
  const RECT small = CenterInArea(10, 331, 10, 23);
  EXPECT_EQ(small.left, 160);
  EXPECT_EQ(small.top, 6);
  EXPECT_EQ(small.right, 170);
  EXPECT_EQ(small.bottom, 16);
  const RECT larger = CenterInArea(50, 30, 40, 20);
  EXPECT_EQ(larger.left, 0);
  EXPECT_EQ(larger.right, 30);
  EXPECT_EQ(larger.bottom, 20);
}

TEST(BackgroundPainter, GradientOf64BandsOver332Pixels) {
  const TColor start = 0x102030;
  const TColor end = 0xF0E0D0;
  for (bool vertical : {false, true}) {
    SCOPED_TRACE(vertical ? "vertical" : "horizontal");
    Surface surface(vertical ? 3 : 332, vertical ? 332 : 3);
    const RECT rect{0, 0, vertical ? 3 : 332, vertical ? 332 : 3};
    PaintGradientBands(surface.dc(), rect, start, vertical, 64, end);
    auto at = [&](int along) { return vertical ? surface.At(1, along) : surface.At(along, 1); };
    EXPECT_EQ(at(0), start);
    EXPECT_EQ(at(331), end);
    for (int i = 0; i < 64; ++i) {
      const int left = MulDiv(i, 332, 64);
      const int right = MulDiv(i + 1, 332, 64);
      auto channel = [&](int shift) {
        const int a = (start >> shift) & 0xFF;
        const int b = (end >> shift) & 0xFF;
        return a + MulDiv(i, b - a, 63);
      };
      const COLORREF expected = RGB(channel(0), channel(8), channel(16));
      EXPECT_EQ(at(left), expected) << "band " << i;
      EXPECT_EQ(at(right - 1), expected) << "band " << i;
      if (i > 0) {
        EXPECT_NE(at(left - 1), expected) << "band " << i << " starts at " << left;
      }
    }
  }
}

TEST(BackgroundPainter, GradientEdgeCases) {
  const RECT rect{0, 0, 20, 10};
  for (int steps : {0, 1, 64}) {
    Surface equal(20, 10);
    PaintGradientBands(equal.dc(), rect, 0x4080C0, false, steps, 0x4080C0);
    EXPECT_EQ(equal.At(0, 0), 0x4080C0u) << steps << " steps";
    EXPECT_EQ(equal.At(19, 9), 0x4080C0u) << steps << " steps";
  }
  Surface none(20, 10);
  PaintGradientBands(none.dc(), rect, clBlack, false, 0, clWhite);
  PaintGradientBands(none.dc(), rect, clBlack, true, -3, clWhite);
  EXPECT_EQ(none.At(0, 0), kPrefill);
  EXPECT_EQ(none.At(19, 9), kPrefill);
  // One band shows the start colour; a black start must not come out white.
  Surface one(20, 10);
  PaintGradientBands(one.dc(), rect, clBlack, false, 1, clWhite);
  EXPECT_EQ(one.At(0, 0), 0u);
  EXPECT_EQ(one.At(19, 9), 0u);
}

TEST(BackgroundPainter, TilesFollowTheAreaGridAndClipALargeTile) {
  TBitmap large;
  MakePattern(large, 50, 40);
  Surface surface(40, 30);
  const RECT area{0, 0, 30, 20};
  PaintBackgroundAt(surface.dc(), area, area, bgtTileBitmap, &large, kRed, POINT{0, 0});
  EXPECT_EQ(surface.At(0, 0), PatternAt(0, 0));
  EXPECT_EQ(surface.At(29, 19), PatternAt(29, 19));
  EXPECT_EQ(surface.At(30, 19), kPrefill);
  EXPECT_EQ(surface.At(29, 20), kPrefill);

  // A part of the area seen through an origin: the grid stays at the area's
  // (0, 0), not at the destination's.
  TBitmap small;
  MakePattern(small, 7, 5);
  Surface part(40, 30);
  const POINT origin{9, 4};
  PaintBackgroundAt(part.dc(), RECT{0, 0, 20, 12}, RECT{0, 0, 100, 100}, bgtTileBitmap, &small,
                    kRed, origin);
  for (POINT p : {POINT{0, 0}, POINT{5, 1}, POINT{19, 11}, POINT{12, 7}})
    EXPECT_EQ(part.At(p.x, p.y), PatternAt((p.x + origin.x) % 7, (p.y + origin.y) % 5))
        << p.x << "," << p.y;
  EXPECT_EQ(part.At(20, 0), kPrefill);
}

TEST(BackgroundPainter, TilingAnEmptyImageFillsWithTheColour) {
  TBitmap empty;
  for (const TBitmap* image :
       {static_cast<const TBitmap*>(&empty), static_cast<const TBitmap*>(nullptr)}) {
    Surface surface(30, 20);
    // Inside the area, and below its first row: no step of the grid is free.
    PaintBackgroundAt(surface.dc(), RECT{0, 0, 30, 20}, RECT{0, 0, 100, 100}, bgtTileBitmap, image,
                      kRed, POINT{5, 7});
    EXPECT_EQ(surface.At(0, 0), 0x0000FFu);
    EXPECT_EQ(surface.At(29, 19), 0x0000FFu);
  }
}

TEST(BackgroundPainter, TopLeftAndCentredImagesGetTheColourAroundThem) {
  TBitmap image;
  MakePattern(image, 10, 8);
  Surface surface(40, 30);
  const RECT dest{0, 0, 30, 20};
  PaintBackgroundAt(surface.dc(), dest, dest, bgtTopLeftBitmap, &image, kRed, POINT{0, 0});
  EXPECT_EQ(surface.At(0, 0), PatternAt(0, 0));
  EXPECT_EQ(surface.At(9, 7), PatternAt(9, 7));
  EXPECT_EQ(surface.At(10, 0), 0x0000FFu);
  EXPECT_EQ(surface.At(0, 8), 0x0000FFu);
  EXPECT_EQ(surface.At(29, 19), 0x0000FFu);
  EXPECT_EQ(surface.At(30, 20), kPrefill);

  Surface centred(40, 30);
  PaintBackgroundAt(centred.dc(), dest, dest, bgtCenterBitmap, &image, kRed, POINT{0, 0});
  EXPECT_EQ(centred.At(10, 6), PatternAt(0, 0));
  EXPECT_EQ(centred.At(19, 13), PatternAt(9, 7));
  EXPECT_EQ(centred.At(9, 6), 0x0000FFu);
  EXPECT_EQ(centred.At(20, 14), 0x0000FFu);
}

// What a panel's cache gets from one shared rectangle must be what painting
// the same rectangle directly gives, mode by mode, wherever the rectangle is.
TEST(BackgroundPainter, AreaFromOneSharedRectangleIsExact) {
  TBitmap image;
  MakePattern(image, 7, 5);
  TBitmap larger;
  MakePattern(larger, 50, 40);
  TBitmap empty;
  struct Case {
    TPaxBkGndType mode;
    const TBitmap* image;
  };
  const Case cases[] = {{bgtTileBitmap, &image},    {bgtStretchBitmap, &image},
                        {bgtCenterBitmap, &image},  {bgtCenterBitmap, &larger},
                        {bgtTopLeftBitmap, &image}, {bgtColorFill, &image},
                        {bgtTileBitmap, &empty},    {bgtCenterBitmap, nullptr}};
  const RECT r{0, 0, 33, 21};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "mode " << int(c.mode) << ", image " << (c.image ? c.image->Width() : 0));
    Surface direct(40, 30);
    PaintBackgroundAt(direct.dc(), r, r, c.mode, c.image, kRed, POINT{0, 0});
    Surface cached(40, 30);
    PaintBackgroundArea(cached.dc(), r, r, c.mode, c.image, kRed, false, r, r);
    const RECT moved{6, 4, 39, 25};
    Surface elsewhere(40, 30);
    PaintBackgroundArea(elsewhere.dc(), moved, moved, c.mode, c.image, kRed, false, moved, moved);
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 40; ++x) {
        ASSERT_EQ(cached.At(x, y), direct.At(x, y)) << x << "," << y;
        ASSERT_EQ(elsewhere.At(x, y), direct.At(x, y)) << x << "," << y;
      }
    }
  }
  Surface tiled(40, 30);
  PaintBackgroundArea(tiled.dc(), r, r, bgtTileBitmap, &image, kRed, false, r, r);
  EXPECT_EQ(tiled.At(32, 20), PatternAt(32 % 7, 20 % 5));
  EXPECT_EQ(tiled.At(33, 20), kPrefill);
}

TEST(Bitmap, LoadsABitmapFileAndRefusesDamagedOnes) {
  // 2 x 2 pixels, 24 bits, bottom-up: blue row at the bottom, red row on top.
  const uint8_t pixels[] = {255, 0, 0, 255, 0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0};
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  info.biSize = sizeof(info);
  info.biWidth = 2;
  info.biHeight = 2;
  info.biPlanes = 1;
  info.biBitCount = 24;
  std::vector<uint8_t> bytes(file.bfOffBits + sizeof(pixels));
  memcpy(bytes.data(), &file, sizeof(file));
  memcpy(bytes.data() + sizeof(file), &info, sizeof(info));
  memcpy(bytes.data() + file.bfOffBits, pixels, sizeof(pixels));

  TBitmap bitmap;
  int changes = 0;
  bitmap.OnChange = [&](TObject*) { ++changes; };
  ASSERT_TRUE(bitmap.LoadFromBytes(bytes.data(), bytes.size()));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(bitmap.Width(), 2);
  EXPECT_EQ(bitmap.Height(), 2);
  EXPECT_EQ(GetPixel(bitmap.Dc(), 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(bitmap.Dc(), 1, 1), RGB(0, 0, 255));

  std::vector<uint8_t> short_pixels(bytes.begin(), bytes.end() - 1);
  std::vector<uint8_t> huge = bytes;
  const LONG side = 30000;
  memcpy(huge.data() + sizeof(file) + offsetof(BITMAPINFOHEADER, biWidth), &side, sizeof(side));
  std::vector<uint8_t> not_bitmap = bytes;
  not_bitmap[0] = 'X';
  for (const auto* damaged : {&short_pixels, &huge, &not_bitmap})
    EXPECT_FALSE(bitmap.LoadFromBytes(damaged->data(), damaged->size()));
  EXPECT_FALSE(bitmap.LoadFromBytes(nullptr, 0));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(bitmap.Width(), 2);
}

TEST(BackgroundPainter, TintBlendsEachPixel) {
  Surface surface(4, 2);
  FillColorRect(surface.dc(), RECT{0, 0, 4, 2}, RGB(200, 100, 0));
  TintRect(surface.bitmap.Canvas(), RECT{0, 0, 2, 2}, 0x0000FF, 0);
  EXPECT_EQ(surface.At(0, 0), RGB(200, 100, 0));
  TintRect(surface.bitmap.Canvas(), RECT{0, 0, 2, 2}, RGB(0, 0, 255), 128);
  EXPECT_EQ(surface.At(1, 1), RGB(100, 50, 127));
  EXPECT_EQ(surface.At(2, 0), RGB(200, 100, 0));
}

TEST(BackgroundPainter, LeavesTheContextAsItFoundIt) {
  TBitmap image;
  MakePattern(image, 7, 5);
  Surface surface(40, 30);
  HDC dc = surface.dc();
  SetTextColor(dc, RGB(11, 22, 33));
  SetBkColor(dc, RGB(44, 55, 66));
  UniqueBrush brush(CreateSolidBrush(RGB(77, 88, 99)));
  SelectScope selected(dc, brush.get());
  Unique<HRGN, GdiObjectDeleter> clip(CreateRectRgn(2, 2, 35, 25));
  SelectClipRgn(dc, clip.get());

  const RECT r{0, 0, 40, 30};
  FillColorRect(dc, r, RGB(1, 1, 1));
  PaintGradientBands(dc, r, clBlack, false, 8, clWhite);
  PaintGradientBands(dc, r, clWhite, true, 8, clWhite);
  for (TPaxBkGndType mode :
       {bgtTileBitmap, bgtStretchBitmap, bgtColorFill, bgtCenterBitmap, bgtTopLeftBitmap}) {
    PaintBackgroundAt(dc, r, RECT{0, 0, 20, 20}, mode, &image, kRed, POINT{0, 0});
    PaintBackgroundArea(dc, r, r, mode, &image, kRed, false, r, r);
  }

  EXPECT_EQ(GetTextColor(dc), RGB(11, 22, 33));
  EXPECT_EQ(GetBkColor(dc), RGB(44, 55, 66));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush.get());
  Unique<HRGN, GdiObjectDeleter> now(CreateRectRgn(0, 0, 0, 0));
  ASSERT_EQ(GetClipRgn(dc, now.get()), 1);
  EXPECT_TRUE(EqualRgn(now.get(), clip.get()));
  // Nothing was painted outside the clipping either.
  EXPECT_EQ(surface.At(1, 1), kPrefill);
  EXPECT_EQ(surface.At(36, 26), kPrefill);
  SelectClipRgn(dc, nullptr);
}

}  // namespace
}  // namespace wf
