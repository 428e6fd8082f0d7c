// The header's sort marks: pictures drawn from the resource bitmaps onto
// the tool bar's colour, and the header items that show them.
#include "shell/list/SortArrows.h"

#include <commctrl.h>

#include <iterator>
#include <string>
#include <utility>

#include "framework/Dpi.h"
#include "framework/Graphics.h"
#include "framework/Themes.h"

namespace wf {

namespace {

// The sizes the sort marks are drawn in: 100, 150 and 200 per cent, each
// a pair of resources (the first without its size in the name).
constexpr int kArrowSizes[] = {8, 12, 16};

std::wstring ArrowResource(const wchar_t* name, int size) {
  return size == kArrowSizes[0] ? std::wstring(name) : name + std::to_wstring(size);
}

// A copy of the resource bitmap on the given background: the resource's
// transparent colour (its bottom-left pixel) becomes the background.
HBITMAP MakeArrow(const wchar_t* resource, COLORREF background) {
  UniqueBitmap source(static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), resource, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!source) return nullptr;
  BITMAP info{};
  GetObjectW(source.get(), sizeof(info), &info);
  HDC screen = GetDC(nullptr);
  UniqueBitmap result(CreateCompatibleBitmap(screen, info.bmWidth, info.bmHeight));
  UniqueDc from(CreateCompatibleDC(screen));
  UniqueDc to(CreateCompatibleDC(screen));
  ReleaseDC(nullptr, screen);
  if (!result || !from || !to) return nullptr;
  {
    SelectScope from_source(from.get(), source.get());
    SelectScope to_result(to.get(), result.get());
    const COLORREF transparent = GetPixel(from.get(), 0, info.bmHeight - 1);
    for (int y = 0; y < info.bmHeight; ++y) {
      for (int x = 0; x < info.bmWidth; ++x) {
        const COLORREF c = GetPixel(from.get(), x, y);
        SetPixel(to.get(), x, y, c == transparent ? background : c);
      }
    }
  }
  return result.release();
}

}  // namespace

SortArrows::SortArrows(std::function<void()> restore) : restore_(std::move(restore)) {}

void SortArrows::Load(int dpi) {
  const COLORREF background = ThemedToolbarFill(nullptr).value_or(ColorToRGB(clBtnFace));
  const int size = NearestSize(ScaleForDpi(kArrowSizes[0], dpi), kArrowSizes,
                               static_cast<int>(std::size(kArrowSizes)));
  if (up_) old_up_ = std::move(up_);
  if (down_) old_down_ = std::move(down_);
  up_.reset(MakeArrow(ArrowResource(L"TKIVSHELLLIST_LV_ARROWUP", size).c_str(), background));
  down_.reset(MakeArrow(ArrowResource(L"TKIVSHELLLIST_LV_ARROWDOWN", size).c_str(), background));
}

void SortArrows::WatchHeader(HWND header) {
  if (header_hook_ || !header) return;
  header_hook_ =
      std::make_unique<WindowSubclass>(header, [this](HWND, UINT msg, WPARAM, LPARAM, LRESULT) {
        switch (msg) {
          case WM_NCDESTROY:
            header_hook_.reset();
            break;
          case WM_CAPTURECHANGED:
            if (restore_) restore_();
            break;
        }
      });
}

void SortArrows::Show(HWND header, int column, bool descending) {
  const int count = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
  // Items that already show what they should are not written: each write
  // repaints the item, and a sort changes one or two of them.
  for (int i = 0; i < count; ++i) {
    HDITEMW item{};
    item.mask = HDI_FORMAT | HDI_BITMAP;
    SendMessageW(header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
    const HDITEMW shown = item;
    item.mask = HDI_FORMAT;
    if (i == column) {
      item.mask |= HDI_BITMAP;
      item.fmt |= HDF_BITMAP | HDF_BITMAP_ON_RIGHT;
      item.hbm = descending ? down_.get() : up_.get();
    } else {
      item.fmt &= ~(HDF_BITMAP | HDF_BITMAP_ON_RIGHT);
    }
    if (item.fmt == shown.fmt && item.hbm == shown.hbm) continue;
    SendMessageW(header, HDM_SETITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  old_up_.reset();
  old_down_.reset();
}

}  // namespace wf
