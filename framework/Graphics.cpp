// Fonts, colours and bitmaps, and smooth stretching of pictures.
#include "framework/Graphics.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <vector>

#include "framework/Dpi.h"
#include "framework/Exceptions.h"

namespace wf {

COLORREF ColorToRGB(TColor color) {
  if (color == clNone) return CLR_NONE;
  if (color & clSystemColor) return GetSysColor(static_cast<int>(color & 0xFF));
  return static_cast<COLORREF>(color & 0xFFFFFF);
}

namespace {

struct ColorName {
  const wchar_t* name;
  TColor color;
};

constexpr ColorName kColorNames[] = {
    {L"clBlack", 0x000000},
    {L"clMaroon", 0x000080},
    {L"clGreen", 0x008000},
    {L"clOlive", 0x008080},
    {L"clNavy", 0x800000},
    {L"clPurple", 0x800080},
    {L"clTeal", 0x808000},
    {L"clGray", 0x808080},
    {L"clSilver", 0xC0C0C0},
    {L"clRed", 0x0000FF},
    {L"clLime", 0x00FF00},
    {L"clYellow", 0x00FFFF},
    {L"clBlue", 0xFF0000},
    {L"clFuchsia", 0xFF00FF},
    {L"clAqua", 0xFFFF00},
    {L"clWhite", 0xFFFFFF},
    {L"clNone", clNone},
    {L"clScrollBar", clSystemColor | COLOR_SCROLLBAR},
    {L"clBackground", clSystemColor | COLOR_BACKGROUND},
    {L"clActiveCaption", clSystemColor | COLOR_ACTIVECAPTION},
    {L"clInactiveCaption", clSystemColor | COLOR_INACTIVECAPTION},
    {L"clMenu", clSystemColor | COLOR_MENU},
    {L"clWindow", clSystemColor | COLOR_WINDOW},
    {L"clWindowFrame", clSystemColor | COLOR_WINDOWFRAME},
    {L"clMenuText", clSystemColor | COLOR_MENUTEXT},
    {L"clWindowText", clSystemColor | COLOR_WINDOWTEXT},
    {L"clCaptionText", clSystemColor | COLOR_CAPTIONTEXT},
    {L"clActiveBorder", clSystemColor | COLOR_ACTIVEBORDER},
    {L"clInactiveBorder", clSystemColor | COLOR_INACTIVEBORDER},
    {L"clAppWorkSpace", clSystemColor | COLOR_APPWORKSPACE},
    {L"clHighlight", clSystemColor | COLOR_HIGHLIGHT},
    {L"clHighlightText", clSystemColor | COLOR_HIGHLIGHTTEXT},
    {L"clBtnFace", clSystemColor | COLOR_BTNFACE},
    {L"clBtnShadow", clSystemColor | COLOR_BTNSHADOW},
    {L"clGrayText", clSystemColor | COLOR_GRAYTEXT},
    {L"clBtnText", clSystemColor | COLOR_BTNTEXT},
    {L"clInactiveCaptionText", clSystemColor | COLOR_INACTIVECAPTIONTEXT},
    {L"clBtnHighlight", clSystemColor | COLOR_BTNHIGHLIGHT},
    {L"cl3DDkShadow", clSystemColor | COLOR_3DDKSHADOW},
    {L"cl3DLight", clSystemColor | COLOR_3DLIGHT},
    {L"clInfoText", clSystemColor | COLOR_INFOTEXT},
    {L"clInfoBk", clSystemColor | COLOR_INFOBK},
    {L"clHotLight", clSystemColor | COLOR_HOTLIGHT},
    {L"clGradientActiveCaption", clSystemColor | COLOR_GRADIENTACTIVECAPTION},
    {L"clGradientInactiveCaption", clSystemColor | COLOR_GRADIENTINACTIVECAPTION},
    {L"clMenuHighlight", clSystemColor | COLOR_MENUHILIGHT},
    {L"clMenuBar", clSystemColor | COLOR_MENUBAR},
};

bool SameAscii(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (towlower(a[i]) != towlower(b[i])) return false;
  }
  return true;
}

// Bounds on a bitmap read from bytes: far above any picture a panel shows,
// low enough that the pixel count cannot overflow.
constexpr int kMaxBitmapSide = 32768;

}  // namespace

std::optional<TColor> StringToColor(std::wstring_view text) {
  for (const ColorName& entry : kColorNames) {
    if (SameAscii(text, entry.name)) return entry.color;
  }
  if (text.empty() || text.size() > 20) return std::nullopt;
  std::wstring digits(text);
  int base = 10;
  size_t start = 0;
  if (digits[0] == L'$') {
    base = 16;
    start = 1;
  } else if (digits.size() > 2 && digits[0] == L'0' && (digits[1] == L'x' || digits[1] == L'X')) {
    base = 16;
    start = 2;
  }
  if (start >= digits.size() || iswspace(digits[start])) return std::nullopt;
  wchar_t* end = nullptr;
  const long long value = wcstoll(digits.c_str() + start, &end, base);
  if (*end != L'\0' || value < INT32_MIN || value > UINT32_MAX) return std::nullopt;
  return static_cast<TColor>(value);
}

TBitmap::~TBitmap() {
  Free();
}

void TBitmap::Free() {
  if (dc_) SelectObject(dc_.get(), original_);
  original_ = nullptr;
  canvas_ = TCanvas();
  dc_.reset();
  bitmap_.reset();
  bits_ = nullptr;
  width_ = height_ = 0;
}

bool TBitmap::Allocate(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) return false;
  UniqueDc dc(CreateCompatibleDC(nullptr));
  if (!dc) return false;
  HGDIOBJ original = SelectObject(dc.get(), bitmap.get());
  Free();
  bitmap_ = std::move(bitmap);
  bits_ = static_cast<uint32_t*>(bits);
  dc_ = std::move(dc);
  original_ = original;
  canvas_ = TCanvas(dc_.get());
  width_ = width;
  height_ = height;
  return true;
}

void TBitmap::SetSize(int width, int height) {
  if (width == width_ && height == height_) return;
  if (width <= 0 || height <= 0) {
    Free();
  } else if (!Allocate(width, height)) {
    throw Exception(L"Out of system resources: a bitmap of " + std::to_wstring(width) + L" x " +
                    std::to_wstring(height) + L" pixels cannot be made.");
  }
  Raise(OnChange, this);
}

uint32_t* TBitmap::ScanLine(int y) {
  GdiFlush();
  return bits_ + static_cast<size_t>(y) * static_cast<size_t>(width_);
}

const uint32_t* TBitmap::ScanLine(int y) const {
  GdiFlush();
  return bits_ + static_cast<size_t>(y) * static_cast<size_t>(width_);
}

namespace {

// Where a target pixel's centre falls in the source: the lower of the two
// source pixels it lies between, and the weight (0..256) of the upper one.
struct Tap {
  int low;
  int high;
  int weight;
};

std::vector<Tap> Taps(int source_size, int target_size) {
  std::vector<Tap> taps(static_cast<size_t>(target_size));
  for (int i = 0; i < target_size; ++i) {
    // In 1/256 of a source pixel, centre to centre.
    const long long at = ((2LL * i + 1) * source_size * 256) / (2LL * target_size) - 128;
    const long long clamped = std::clamp<long long>(at, 0, (source_size - 1) * 256LL);
    Tap& tap = taps[static_cast<size_t>(i)];
    tap.low = static_cast<int>(clamped / 256);
    tap.high = std::min(tap.low + 1, source_size - 1);
    tap.weight = static_cast<int>(clamped % 256);
  }
  return taps;
}

uint32_t Blend(uint32_t a, uint32_t b, int weight) {
  uint32_t result = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const int ca = static_cast<int>((a >> shift) & 0xFF);
    const int cb = static_cast<int>((b >> shift) & 0xFF);
    const int c = (ca * (256 - weight) + cb * weight + 128) / 256;
    result |= static_cast<uint32_t>(c) << shift;
  }
  return result;
}

}  // namespace

void StretchSmooth(const TBitmap& source, TBitmap& target, int width, int height) {
  if (source.Empty() || width <= 0 || height <= 0) {
    target.SetSize(0, 0);
    return;
  }
  target.SetSize(width, height);
  const std::vector<Tap> columns = Taps(source.Width(), width);
  const std::vector<Tap> rows = Taps(source.Height(), height);
  for (int y = 0; y < height; ++y) {
    const Tap& row = rows[static_cast<size_t>(y)];
    const uint32_t* upper = source.ScanLine(row.low);
    const uint32_t* lower = source.ScanLine(row.high);
    uint32_t* out = target.ScanLine(y);
    for (int x = 0; x < width; ++x) {
      const Tap& column = columns[static_cast<size_t>(x)];
      const uint32_t top = Blend(upper[column.low], upper[column.high], column.weight);
      const uint32_t bottom = Blend(lower[column.low], lower[column.high], column.weight);
      out[x] = Blend(top, bottom, row.weight);
    }
  }
  Raise(target.OnChange, &target);
}

bool TBitmap::LoadPacked(const uint8_t* data, size_t size, size_t bits_offset) {
  BITMAPINFOHEADER header;
  if (size < sizeof(header)) return false;
  std::memcpy(&header, data, sizeof(header));
  if (header.biSize < sizeof(header) || header.biSize > size) return false;
  if (header.biWidth <= 0 || header.biWidth > kMaxBitmapSide || header.biHeight == 0 ||
      std::abs(header.biHeight) > kMaxBitmapSide || header.biPlanes != 1)
    return false;
  const unsigned bit_count = header.biBitCount;
  if (bit_count != 1 && bit_count != 4 && bit_count != 8 && bit_count != 16 && bit_count != 24 &&
      bit_count != 32)
    return false;
  size_t masks = 0;
  if (header.biCompression == BI_BITFIELDS) {
    if (bit_count != 16 && bit_count != 32) return false;
    if (header.biSize == sizeof(header)) masks = 3 * sizeof(DWORD);
  } else if (header.biCompression != BI_RGB) {
    return false;
  }
  size_t colors = header.biClrUsed;
  if (bit_count <= 8) {
    if (colors == 0) colors = size_t{1} << bit_count;
    if (colors > (size_t{1} << bit_count)) return false;
  } else if (colors > 256) {
    return false;
  }
  const size_t table_end = header.biSize + masks + colors * sizeof(RGBQUAD);
  if (bits_offset == 0) bits_offset = table_end;
  const int height = std::abs(header.biHeight);
  const size_t stride = ((static_cast<size_t>(header.biWidth) * bit_count + 31) / 32) * 4;
  const size_t pixels = stride * static_cast<size_t>(height);
  if (bits_offset < table_end || bits_offset > size || size - bits_offset < pixels) return false;
  if (!Allocate(header.biWidth, height)) return false;
  StretchDIBits(dc_.get(), 0, 0, width_, height_, 0, 0, width_, height_, data + bits_offset,
                reinterpret_cast<const BITMAPINFO*>(data), DIB_RGB_COLORS, SRCCOPY);
  Raise(OnChange, this);
  return true;
}

bool TBitmap::LoadFromBytes(const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  BITMAPFILEHEADER file;
  if (!data || size < sizeof(file)) return false;
  std::memcpy(&file, bytes, sizeof(file));
  if (file.bfType != 0x4D42) return false;  // "BM"
  const size_t header_offset = sizeof(file);
  if (file.bfOffBits < header_offset) return false;
  return LoadPacked(bytes + header_offset, size - header_offset, file.bfOffBits - header_offset);
}

bool TBitmap::LoadFromResourceName(HINSTANCE module, const wchar_t* name) {
  HRSRC resource = FindResourceW(module, name, MAKEINTRESOURCEW(2));  // RT_BITMAP
  if (!resource) return false;
  HGLOBAL loaded = LoadResource(module, resource);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return false;
  return LoadPacked(static_cast<const uint8_t*>(data), SizeofResource(module, resource), 0);
}

bool TBitmap::TakeOver(HBITMAP handle) {
  UniqueBitmap owned(handle);
  BITMAP info{};
  if (!handle || !GetObjectW(handle, sizeof(info), &info) || info.bmWidth <= 0 ||
      info.bmHeight == 0)
    return false;
  const int width = info.bmWidth, height = std::abs(info.bmHeight);
  UniqueDc source(CreateCompatibleDC(nullptr));
  if (!source || !Allocate(width, height)) return false;
  const HGDIOBJ original = SelectObject(source.get(), handle);
  BitBlt(dc_.get(), 0, 0, width, height, source.get(), 0, 0, SRCCOPY);
  SelectObject(source.get(), original);
  Raise(OnChange, this);
  return true;
}

HBITMAP TBitmap::ReleaseHandle() {
  if (!bitmap_) return nullptr;
  GdiFlush();
  SelectObject(dc_.get(), original_);
  original_ = nullptr;
  HBITMAP handle = bitmap_.release();
  Free();
  return handle;
}

void TBitmap::Resize(int width, int height, TColor fill) {
  if (width == width_ && height == height_) return;
  TBitmap old;
  std::swap(old.bitmap_, bitmap_);
  std::swap(old.dc_, dc_);
  std::swap(old.bits_, bits_);
  std::swap(old.original_, original_);
  std::swap(old.width_, width_);
  std::swap(old.height_, height_);
  old.canvas_ = TCanvas(old.dc_.get());
  canvas_ = TCanvas();
  SetSize(width, height);
  if (Empty()) return;
  const RECT all{0, 0, width, height};
  UniqueBrush brush(CreateSolidBrush(ColorToRGB(fill)));
  FillRect(dc_.get(), &all, brush.get());
  if (!old.Empty()) BitBlt(dc_.get(), 0, 0, old.width_, old.height_, old.dc_.get(), 0, 0, SRCCOPY);
  Raise(OnChange, this);
}

void TBitmap::Frame(TColor color) {
  if (Empty()) return;
  const RECT all{0, 0, width_, height_};
  UniqueBrush brush(CreateSolidBrush(ColorToRGB(color)));
  FrameRect(dc_.get(), &all, brush.get());
  Raise(OnChange, this);
}

void TBitmap::Assign(const TBitmap& source) {
  if (&source == this) return;
  if (source.Empty()) {
    SetSize(0, 0);
    return;
  }
  if (!Allocate(source.width_, source.height_))
    throw Exception(L"Out of system resources: a copy of a bitmap cannot be made.");
  GdiFlush();
  std::memcpy(bits_, source.ScanLine(0),
              static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4);
  Raise(OnChange, this);
}

bool TBitmap::SaveToNewFile(const std::wstring& path) const {
  if (Empty()) return false;
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = width_;
  header.biHeight = -height_;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  const DWORD pixels = static_cast<DWORD>(width_) * static_cast<DWORD>(height_) * 4;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(file) + sizeof(header);
  file.bfSize = file.bfOffBits + pixels;
  UniqueFile out(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) return false;
  DWORD written = 0;
  const bool whole = WriteFile(out.get(), &file, sizeof(file), &written, nullptr) &&
                     WriteFile(out.get(), &header, sizeof(header), &written, nullptr) &&
                     WriteFile(out.get(), ScanLine(0), pixels, &written, nullptr) &&
                     written == pixels;
  if (!whole) {
    out.reset();
    DeleteFileW(path.c_str());
  }
  return whole;
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
  design_height_ = UnscaleForDpi(height, dpi_);
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

void TFont::SetPixelsPerInch(int dpi) {
  if (dpi <= 0 || dpi == dpi_) return;
  dpi_ = dpi;
  height_ = ScaleForDpi(design_height_, dpi);
  assigned_.lfHeight = height_;
  Changed();
}

void TFont::Assign(const LOGFONTW& font) {
  assigned_ = font;
  from_logfont_ = true;
  name_ = font.lfFaceName;
  height_ = font.lfHeight;
  design_height_ = UnscaleForDpi(font.lfHeight, dpi_);
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
