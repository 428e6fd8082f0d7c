#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/Handles.h"
#include "framework/Object.h"

namespace wf {

// 24-bit RGB with red in the low byte, or 0xFF000000 plus a system colour index.
using TColor = uint32_t;
constexpr TColor clSystemColor = 0xFF000000;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clBlack = 0x000000;
constexpr TColor clNone = 0x1FFFFFFF;

// The platform's colour; clNone gives CLR_NONE, which list views and image
// lists read as "no background" and which no brush may be made from.
COLORREF ColorToRGB(TColor color);

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// A font description that owns the GDI font made from it.
class TFont : public TObject {
 public:
  TFont();
  const std::wstring& Name() const { return name_; }
  int Height() const { return height_; }
  TColor Color() const { return color_; }
  unsigned Style() const { return style_; }
  void SetName(std::wstring name);
  void SetHeight(int height);
  void SetColor(TColor color);
  void SetStyle(unsigned style);
  void SetCharset(BYTE charset);
  // Takes every field of a logical font (the platform's icon-title font, say).
  void Assign(const LOGFONTW& font);
  LOGFONTW LogFont() const;
  HFONT Handle() const;

  TNotifyEvent OnChange;

 private:
  void Changed();

  std::wstring name_ = L"MS Sans Serif";
  int height_ = -11;
  TColor color_ = clWindowText;
  unsigned style_ = 0;
  BYTE charset_ = DEFAULT_CHARSET;
  LOGFONTW assigned_{};
  bool from_logfont_ = false;
  mutable UniqueFont handle_;
};

}  // namespace wf
