#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "framework/Handles.h"
#include "framework/Object.h"

namespace wf {

// 24-bit RGB with red in the low byte, or 0xFF000000 plus a system colour index.
using TColor = uint32_t;
constexpr TColor clSystemColor = 0xFF000000;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clBlack = 0x000000;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clGreen = 0x008000;
constexpr TColor clNone = 0x1FFFFFFF;

// The platform's colour; clNone gives CLR_NONE, which list views and image
// lists read as "no background" and which no brush may be made from.
COLORREF ColorToRGB(TColor color);

// A colour from its identifier ("clBtnFace", case-insensitive) or its number
// ("$00BBGGRR", "0x..." or decimal); nothing for any other text.
std::optional<TColor> StringToColor(std::wstring_view text);

// Keeps a device context's background colour for a scope.
class BkColorScope {
 public:
  BkColorScope(HDC dc, COLORREF color) : dc_(dc), previous_(SetBkColor(dc, color)) {}
  ~BkColorScope() { SetBkColor(dc_, previous_); }
  BkColorScope(const BkColorScope&) = delete;
  BkColorScope& operator=(const BkColorScope&) = delete;

 private:
  HDC dc_;
  COLORREF previous_;
};

// Saves a device context's whole state (clipping included) for a scope.
class SavedDcScope {
 public:
  explicit SavedDcScope(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
  ~SavedDcScope() {
    if (saved_) RestoreDC(dc_, saved_);
  }
  SavedDcScope(const SavedDcScope&) = delete;
  SavedDcScope& operator=(const SavedDcScope&) = delete;

 private:
  HDC dc_;
  int saved_;
};

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// A font description that owns the GDI font made from it.
class TFont : public TObject {
 public:
  TFont();
  const std::wstring& Name() const { return name_; }
  // In pixels at the font's density (negative: the character height).
  int Height() const { return height_; }
  TColor Color() const { return color_; }
  unsigned Style() const { return style_; }
  void SetName(std::wstring name);
  void SetHeight(int height);
  void SetColor(TColor color);
  void SetStyle(unsigned style);
  void SetCharset(BYTE charset);
  // The density the height is for. A change makes the height again from
  // the design height (the height given, at 96 dots per inch), never from
  // the last pixel height, so that changes back and forth never drift.
  int PixelsPerInch() const { return dpi_; }
  void SetPixelsPerInch(int dpi);
  // Takes every field of a logical font (the platform's icon-title font, say).
  void Assign(const LOGFONTW& font);
  LOGFONTW LogFont() const;
  HFONT Handle() const;

  TNotifyEvent OnChange;

 private:
  void Changed();

  std::wstring name_ = L"MS Sans Serif";
  int height_ = -11;
  int design_height_ = -11;
  int dpi_ = 96;
  TColor color_ = clWindowText;
  unsigned style_ = 0;
  BYTE charset_ = DEFAULT_CHARSET;
  LOGFONTW assigned_{};
  bool from_logfont_ = false;
  mutable UniqueFont handle_;
};

// Drawing on a device context that someone else owns. Its font, made on
// first use, is what a handler of a control's drawing sets for the control
// to draw with.
class TCanvas {
 public:
  explicit TCanvas(HDC dc = nullptr) : dc_(dc) {}
  HDC Handle() const { return dc_; }
  void SetHandle(HDC dc) { dc_ = dc; }
  COLORREF Pixel(int x, int y) const { return GetPixel(dc_, x, y); }
  void SetPixel(int x, int y, COLORREF color) { SetPixelV(dc_, x, y, color); }
  TFont& Font() {
    if (!font_) font_ = std::make_unique<TFont>();
    return *font_;
  }

 private:
  HDC dc_;
  std::unique_ptr<TFont> font_;
};

// A 32-bit device-independent bitmap with a memory device context of its own
// that it stays selected into.
class TBitmap : public TObject {
 public:
  TBitmap() = default;
  ~TBitmap() override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  HBITMAP Handle() const { return bitmap_.get(); }
  // Only valid while the bitmap is not empty.
  TCanvas& Canvas() { return canvas_; }
  HDC Dc() const { return canvas_.Handle(); }

  // The content is undefined after a resize.
  void SetSize(int width, int height);
  // A row of pixels (0x00RRGGBB), top row first; only valid while the
  // bitmap is not empty. GDI's drawing is flushed before a row is read.
  uint32_t* ScanLine(int y);
  const uint32_t* ScanLine(int y) const;
  // A bitmap resource (RT_BITMAP) of the module; false, and no change, if
  // there is none or it cannot be read.
  bool LoadFromResourceName(HINSTANCE module, const wchar_t* name);
  // A bitmap file's bytes ("BM" header); false, and no change, if they are not
  // one this class can read.
  bool LoadFromBytes(const void* data, size_t size);

  // The picture of a bitmap handle becomes this one's, and the handle is
  // freed; false, the handle freed all the same, when it cannot be read.
  bool TakeOver(HBITMAP bitmap);
  // The picture's handle, out of this bitmap's device context (a bitmap
  // selected into one cannot be copied by an image list); empty afterwards.
  HBITMAP ReleaseHandle();
  // A change of canvas size, not a scaling: the picture stays at the top
  // left and what is new is filled with `fill`.
  void Resize(int width, int height, TColor fill);
  // A one-pixel frame in `color` round the edge, the inside untouched.
  void Frame(TColor color);
  void Assign(const TBitmap& source);
  // As a 32-bit .bmp file, never over an existing one; false when it
  // cannot be written (or the bitmap is empty).
  bool SaveToNewFile(const std::wstring& path) const;

  TNotifyEvent OnChange;

 private:
  // A packed DIB: header, colour table, pixels.
  bool LoadPacked(const uint8_t* data, size_t size, size_t bits_offset);
  bool Allocate(int width, int height);
  void Free();

  int width_ = 0;
  int height_ = 0;
  UniqueDc dc_;
  UniqueBitmap bitmap_;
  uint32_t* bits_ = nullptr;
  HGDIOBJ original_ = nullptr;
  TCanvas canvas_;
};

// Makes `target` a copy of `source` at another size, each pixel weighed
// from the four nearest of the source (smooth, where a plain stretch
// repeats whole rows). An empty source or size leaves the target empty.
void StretchSmooth(const TBitmap& source, TBitmap& target, int width, int height);

}  // namespace wf
