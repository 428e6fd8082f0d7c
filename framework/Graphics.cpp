#include "framework/Graphics.h"

#include <commctrl.h>

#include <cwchar>

namespace wf {

COLORREF ColorToRGB(TColor color) {
  if (color == clNone) return CLR_NONE;
  if (color & clSystemColor) return GetSysColor(static_cast<int>(color & 0xFF));
  return static_cast<COLORREF>(color & 0xFFFFFF);
}

TFont::TFont() = default;

void TFont::SetName(std::wstring name) {
  if (name == name_) return;
  name_ = std::move(name);
  from_logfont_ = false;
  Changed();
}

void TFont::SetHeight(int height) {
  if (height == height_) return;
  height_ = height;
  from_logfont_ = false;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Raise(OnChange, this);
}

void TFont::SetStyle(unsigned style) {
  if (style == style_) return;
  style_ = style;
  from_logfont_ = false;
  Changed();
}

void TFont::SetCharset(BYTE charset) {
  if (charset == charset_) return;
  charset_ = charset;
  from_logfont_ = false;
  Changed();
}

void TFont::Assign(const LOGFONTW& font) {
  assigned_ = font;
  from_logfont_ = true;
  name_ = font.lfFaceName;
  height_ = font.lfHeight;
  charset_ = font.lfCharSet;
  style_ = 0;
  if (font.lfWeight >= FW_BOLD) style_ |= fsBold;
  if (font.lfItalic) style_ |= fsItalic;
  if (font.lfUnderline) style_ |= fsUnderline;
  if (font.lfStrikeOut) style_ |= fsStrikeOut;
  Changed();
}

LOGFONTW TFont::LogFont() const {
  if (from_logfont_) return assigned_;
  LOGFONTW lf{};
  lf.lfHeight = height_;
  lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = (style_ & fsItalic) ? 1 : 0;
  lf.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
  lf.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
  lf.lfCharSet = charset_;
  lf.lfQuality = DEFAULT_QUALITY;
  wcsncpy(lf.lfFaceName, name_.c_str(), LF_FACESIZE - 1);
  return lf;
}

HFONT TFont::Handle() const {
  if (!handle_) {
    const LOGFONTW lf = LogFont();
    handle_.reset(CreateFontIndirectW(&lf));
  }
  return handle_.get();
}

void TFont::Changed() {
  handle_.reset();
  Raise(OnChange, this);
}

}  // namespace wf
