// Columns and sorting.
#include "shell/list/ShellControls.h"

#include <cstdint>
#include <optional>

#include "framework/StableSort.h"
#include "framework/Strings.h"

namespace wf {

namespace {
// Below this a sort parameter is a column index; the shell's column numbers
// and ours are both small.
constexpr int kMaxTextSortColumn = 32;
}  // namespace

void TKivShellList::CreateColumns() {
  Columns().BeginUpdate();
  // Widths the user gave the columns of a folder with a path carry over to
  // the next folder with a path; folders without one keep the shell's.
  if (widths_remembered_) {
    for (int i = 0; i < Columns().Count() && i < kMaxColumns; ++i) width_memory_[i] = Columns()[i]->Width();
  }
  widths_remembered_ = !dirwalker_->Folder().empty();
  Columns().Clear();
  int counter = 0;
  std::wstring title = dirwalker_->DetailText(0, true);
  for (;;) {
    TAlignment alignment = TAlignment::taLeftJustify;
    int width = 0;
    dirwalker_->ColumnInfo(counter, alignment, width);
    if (width > 0) {
      const int index = Columns().Count();
      TListColumn* column = Columns().Add();
      column->SetCaption(title);
      column->SetAlignment(alignment);
      const bool remembered = widths_remembered_ && index < kMaxColumns - 1 && width_memory_[index] > 0;
      column->SetWidth(remembered ? width_memory_[index] : width);
      column_map_[index] = counter;
    }
    if (!details_ || Columns().Count() >= kMaxColumns) break;
    ++counter;
    title = dirwalker_->DetailText(counter, true);
    if (title.empty()) break;
  }
  Columns().EndUpdate();
  shell_column_count_ = Columns().Count();
}

void TKivShellList::SortByColumn(int column) {
  descending_ = column == sort_column_ && !descending_;
  sort_column_ = column;
  SortItems();
  UpdateSortArrows();
}

void TKivShellList::ColClick(TListColumn* column) {
  SortByColumn(column->Index());
  TCustomListView::ColClick(column);
}

// The sort keys are gathered in one pass over the rows, so that each
// comparison reads only its two keys: a comparison that reached through the
// rows to their records and texts cost more than the text comparison itself.
// A text key carries its text's folded prefix, which settles most text
// comparisons without a read of the text.
void TKivShellList::SortItems() {
  if (sort_column_ > Columns().Count() - 1) sort_column_ = 0;
  if (!HandleAllocated()) return;  // no window, no rows in places
  const int direction = descending_ ? -1 : 1;
  const int column = sort_column_;
  const bool shell_mode = column < shell_column_count_ && !OnCompare;
  IShellFolder* shell_folder = shell_mode ? rows_folder_.Get() : nullptr;
  const size_t count = static_cast<size_t>(Items().Count());

  // Working memory kept from one sort to the next (see PlaceRows).
  SortScratch& scratch = sort_scratch_;
  static const std::wstring kNoText;
  auto& keys = scratch.keys;
  keys.resize(count);
  SortingScope sorting(*this);
  ForEachRow([&](TListItem* row, size_t place) {
    SortKey& key = keys[place];
    key.row = row;
    key.place = static_cast<uint32_t>(place);
    key.parent = row == parent_entry_;
    if (shell_mode) {
      const TKivShellListItem* record = RecordOf(row);
      key.id = record ? record->ItemId.get() : nullptr;
      return;
    }
    key.text = &kNoText;
    if (column == 0) {
      key.text = &row->Caption();
    } else if (column <= kMaxTextSortColumn) {
      if (row->SubItems().empty() && !key.parent) GatherRowDetailTexts(row);
      const size_t k = static_cast<size_t>(column - 1);
      if (k < row->SubItems().size()) key.text = &row->SubItems()[k];
    }
    key.prefix = FoldedPrefix::Of(*key.text);
  }, shell_mode ? RowReads::kRow : RowReads::kRowAndTexts);

  StableSort(keys, [&](const SortKey& a, const SortKey& b) {
    // The parent-folder entry comes first in either direction.
    if (a.parent) return -1;
    if (b.parent) return 1;
    if (shell_folder) {
      if (!a.id || !b.id) return 0;
      const HRESULT hr = shell_folder->CompareIDs(static_cast<LPARAM>(column), a.id, b.id);
      if (FAILED(hr)) return 0;
      return static_cast<short>(HRESULT_CODE(hr)) * direction;
    }
    int result = CompareText(a.prefix, *a.text, b.prefix, *b.text) * direction;
    if (OnCompare) OnCompare(this, a.row, b.row, column, result);
    return result;
  }, scratch.merging);
  scratch.from.resize(count);
  for (size_t i = 0; i < count; ++i) scratch.from[i] = keys[i].place;
  PlaceRows(scratch.from);
}

namespace {

constexpr int kToolbarFillPart = 5;
constexpr int kFillColorProperty = 3802;  // TMT_FILLCOLOR

// The themed tool bar's fill colour when visual styles are on; the theme
// library is optional, so it is reached by name.
std::optional<COLORREF> ThemedToolbarFill(HWND hwnd) {
  HMODULE uxtheme = GetModuleHandleW(L"uxtheme.dll");
  if (!uxtheme) uxtheme = LoadLibraryW(L"uxtheme.dll");
  if (!uxtheme) return std::nullopt;
  using IsThemeActiveFn = BOOL(WINAPI*)();
  using OpenThemeDataFn = HANDLE(WINAPI*)(HWND, LPCWSTR);
  using GetThemeColorFn = HRESULT(WINAPI*)(HANDLE, int, int, int, COLORREF*);
  using CloseThemeDataFn = HRESULT(WINAPI*)(HANDLE);
  auto is_active = reinterpret_cast<IsThemeActiveFn>(GetProcAddress(uxtheme, "IsThemeActive"));
  auto open = reinterpret_cast<OpenThemeDataFn>(GetProcAddress(uxtheme, "OpenThemeData"));
  auto color = reinterpret_cast<GetThemeColorFn>(GetProcAddress(uxtheme, "GetThemeColor"));
  auto close = reinterpret_cast<CloseThemeDataFn>(GetProcAddress(uxtheme, "CloseThemeData"));
  if (!is_active || !open || !color || !close || !is_active()) return std::nullopt;
  HANDLE theme = open(hwnd, L"TOOLBAR");
  if (!theme) return std::nullopt;
  COLORREF fill = 0;
  const HRESULT hr = color(theme, kToolbarFillPart, 0, kFillColorProperty, &fill);
  close(theme);
  if (FAILED(hr)) return std::nullopt;
  return fill;
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

void TKivShellList::LoadArrowBitmaps() {
  const COLORREF background = ThemedToolbarFill(nullptr).value_or(ColorToRGB(clBtnFace));
  arrow_up_.reset(MakeArrow(L"TKIVSHELLLIST_LV_ARROWUP", background));
  arrow_down_.reset(MakeArrow(L"TKIVSHELLLIST_LV_ARROWDOWN", background));
}

void TKivShellList::HookHeader(HWND header) {
  if (header_hook_ || !header) return;
  header_hook_ = std::make_unique<WindowSubclass>(header, [this](HWND, UINT msg, WPARAM, LPARAM, LRESULT) {
    switch (msg) {
      case WM_NCDESTROY:
        header_hook_.reset();
        break;
      case WM_CAPTURECHANGED:
        UpdateSortArrows();
        break;
    }
  });
}

void TKivShellList::UpdateSortArrows() {
  if (!HandleAllocated()) return;
  HWND header = ListView_GetHeader(Handle());
  if (!header) return;
  const int count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  // Items that already show what they should are not written: each write
  // repaints the item, and a sort changes one or two of them.
  for (int i = 0; i < count; ++i) {
    HDITEMW item{};
    item.mask = HDI_FORMAT | HDI_BITMAP;
    SendMessageW(header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
    const HDITEMW shown = item;
    item.mask = HDI_FORMAT;
    if (i == sort_column_) {
      item.mask |= HDI_BITMAP;
      item.fmt |= HDF_BITMAP | HDF_BITMAP_ON_RIGHT;
      item.hbm = descending_ ? arrow_down_.get() : arrow_up_.get();
    } else {
      item.fmt &= ~(HDF_BITMAP | HDF_BITMAP_ON_RIGHT);
    }
    if (item.fmt == shown.fmt && item.hbm == shown.hbm) continue;
    SendMessageW(header, HDM_SETITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
}

}  // namespace wf
