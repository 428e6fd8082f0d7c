// Columns and sorting.
#include "shell/list/ShellControls.h"

#include <cstdint>
#include <iterator>
#include <optional>

#include <shlwapi.h>

#include "framework/Dpi.h"
#include "framework/Handles.h"
#include "framework/StableSort.h"
#include "framework/Strings.h"
#include "shell/core/ShellCompare.h"
#include "shell/core/ShellUtils.h"

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
    for (int i = 0; i < Columns().Count() && i < kMaxColumns; ++i)
      width_memory_[i] = Columns()[i]->Width();
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
      const bool remembered = widths_remembered_ && index < kMaxColumns && width_memory_[index] > 0;
      // The shell's widths are counts of characters at the design density.
      column->SetWidth(remembered ? width_memory_[index] : Scaled(width));
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
void TKivShellList::SortItems() {
  if (sort_column_ > Columns().Count() - 1) sort_column_ = 0;
  if (!HandleAllocated()) return;  // no window, no rows in places
  const int column = sort_column_;
  const bool shell_mode = column < shell_column_count_ && !OnCompare;
  SortingScope sorting(*this);
  auto& from = sort_scratch_.from;
  from.clear();
  from.reserve(static_cast<size_t>(Items().Count()));
  // The parent-folder entry comes first in either direction: it takes no
  // part in the sort.
  if (parent_entry_ && parent_entry_->Index() >= 0)
    from.push_back(static_cast<size_t>(parent_entry_->Index()));
  // The folder compares by its own column numbers: columns it does not show
  // by default have no list column, so the two differ after the first one.
  if (!shell_mode)
    SortByText(column);
  else if (SortsByValue(column_map_[column]))
    SortByValue(column, column_map_[column], rows_.Folder());
  else
    SortByShellColumn(column_map_[column], rows_.Folder());
  PlaceRows(from);
}

void TKivShellList::SortByShellColumn(int shell_column, IShellFolder* folder) {
  auto& keys = sort_scratch_.ids;
  keys.clear();
  ForEachRow([&](TListItem* row, size_t place) {
    if (row == parent_entry_) return;
    const TKivShellListItem* record = RecordOf(row);
    keys.push_back({record ? record->ItemId.get() : nullptr, static_cast<uint32_t>(place)});
  });
  const int direction = descending_ ? -1 : 1;
  StableSort(
      keys,
      [&](const IdSortKey& a, const IdSortKey& b) {
        if (!folder || !a.id || !b.id) return 0;
        const HRESULT hr = folder->CompareIDs(static_cast<LPARAM>(shell_column), a.id, b.id);
        if (FAILED(hr)) return 0;
        return static_cast<short>(HRESULT_CODE(hr)) * direction;
      },
      sort_scratch_.id_merging);
  for (const IdSortKey& key : keys) sort_scratch_.from.push_back(key.place);
}

bool TKivShellList::SortsByValue(int shell_column) {
  // The name is what such a shell compares anyway.
  if (shell_column == 0 || !rows_) return false;
  signed char& known = sort_scratch_.sorts_by_value;
  if (known == 0)
    known = !IdListToPath(rows_.FolderIdList()).empty() && CompareIgnoresColumn(rows_.Folder())
                ? 1
                : -1;
  return known > 0;
}

// Each row's value is read once, before the sort: a size may cost a look-up
// on disk, which a comparison would pay again and again.
void TKivShellList::SortByValue(int column, int shell_column, IShellFolder* folder) {
  using ColumnValue = ShellItemQuery::ColumnValue;
  const ColumnValue kind = rows_.ValueOfColumn(shell_column);
  static const std::wstring kNoText;
  auto& keys = sort_scratch_.values;
  keys.clear();
  ForEachRow(
      [&](TListItem* row, size_t place) {
        if (row == parent_entry_) return;
        const TKivShellListItem* record = RecordOf(row);
        ValueSortKey key{0, &kNoText, record ? record->ItemId.get() : nullptr,
                         static_cast<uint32_t>(place), false};
        if (key.id) {
          if (const WIN32_FIND_DATAW* data = rows_.FindData(key.id)) {
            key.folder = (data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (kind == ColumnValue::kWriteTime)
              key.number = (static_cast<uint64_t>(data->ftLastWriteTime.dwHighDateTime) << 32) |
                           data->ftLastWriteTime.dwLowDateTime;
          } else {
            key.folder = (rows_.Attributes(key.id, SFGAO_FOLDER) & SFGAO_FOLDER) != 0;
          }
          if (kind == ColumnValue::kSize && !key.folder)
            key.number = rows_.FileSize(key.id).value_or(0);
        }
        if (kind == ColumnValue::kOther && column <= kMaxTextSortColumn) {
          if (row->SubItems().empty()) GatherRowDetailTexts(row);
          const size_t k = static_cast<size_t>(column - 1);
          if (k < row->SubItems().size()) key.text = &row->SubItems()[k];
        }
        keys.push_back(key);
      },
      kind == ColumnValue::kOther ? RowReads::kRowAndTexts : RowReads::kRow);

  const int direction = descending_ ? -1 : 1;
  const bool by_text = kind == ColumnValue::kOther;
  StableSort(
      keys,
      [folder, direction, by_text](const ValueSortKey& a, const ValueSortKey& b) {
        int result = 0;
        if (a.folder != b.folder) {
          result = a.folder ? -1 : 1;
        } else if (by_text) {
          result = StrCmpLogicalW(a.text->c_str(), b.text->c_str());
        } else if (a.number != b.number) {
          result = a.number < b.number ? -1 : 1;
        }
        if (result == 0 && folder && a.id && b.id) {
          const HRESULT hr = folder->CompareIDs(0, a.id, b.id);
          if (SUCCEEDED(hr)) result = static_cast<short>(HRESULT_CODE(hr));
        }
        return result * direction;
      },
      sort_scratch_.value_merging);
  for (const ValueSortKey& key : keys) sort_scratch_.from.push_back(key.place);
}

// A text key is its text's folded prefix, which settles most comparisons
// without a read of the text itself.
void TKivShellList::SortByText(int column) {
  SortScratch& scratch = sort_scratch_;
  static const std::wstring kNoText;
  const size_t count = static_cast<size_t>(Items().Count());
  auto& keys = scratch.texts;
  keys.clear();
  scratch.text_of.resize(count);
  scratch.row_of.resize(count);
  ForEachRow(
      [&](TListItem* row, size_t place) {
        if (row == parent_entry_) return;
        const std::wstring* text = &kNoText;
        if (column == 0) {
          text = &row->Caption();
        } else if (column <= kMaxTextSortColumn) {
          if (row->SubItems().empty()) GatherRowDetailTexts(row);
          const size_t k = static_cast<size_t>(column - 1);
          if (k < row->SubItems().size()) text = &row->SubItems()[k];
        }
        scratch.text_of[place] = text;
        scratch.row_of[place] = row;
        FoldedPrefix& key = keys.emplace_back(FoldedPrefix::Of(*text));
        key.tag = static_cast<uint32_t>(place);
      },
      RowReads::kRowAndTexts);

  const int direction = descending_ ? -1 : 1;
  // By value: the handler is an opaque call, after which anything reached
  // through `this` would be read again.
  const std::wstring* const* const text_of = scratch.text_of.data();
  auto compare = [text_of, direction](const FoldedPrefix& a, const FoldedPrefix& b) {
    return CompareText(a, *text_of[a.tag], b, *text_of[b.tag]) * direction;
  };
  if (OnCompare) {
    TListItem* const* const row_of = scratch.row_of.data();
    // The sort keeps the handler it began with: one that reassigns
    // OnCompare while it runs changes the next sort, and stays alive.
    const TLVCompareEvent handler = OnCompare;
    TObject* const sender = this;
    auto compare_and_ask = [compare, row_of, &handler, sender, column](const FoldedPrefix& a,
                                                                       const FoldedPrefix& b) {
      int result = compare(a, b);
      handler(sender, row_of[a.tag], row_of[b.tag], column, result);
      return result;
    };
    StableSort(keys, compare_and_ask, scratch.text_merging);
  } else {
    StableSort(keys, compare, scratch.text_merging);
  }
  for (const FoldedPrefix& key : keys) scratch.from.push_back(key.tag);
}

namespace {

constexpr int kToolbarFillPart = 5;
constexpr int kFillColorProperty = 3802;  // TMT_FILLCOLOR

// The themed tool bar's fill colour when visual styles are on; the theme
// library is optional, so it is reached by name. A library loaded here is
// freed here, after the theme it opened is closed.
std::optional<COLORREF> ThemedToolbarFill(HWND hwnd) {
  UniqueModule loaded;
  HMODULE uxtheme = GetModuleHandleW(L"uxtheme.dll");
  if (!uxtheme) {
    loaded.reset(LoadLibraryW(L"uxtheme.dll"));
    uxtheme = loaded.get();
  }
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

void TKivShellList::LoadArrowBitmaps() {
  const COLORREF background = ThemedToolbarFill(nullptr).value_or(ColorToRGB(clBtnFace));
  const int size =
      NearestSize(Scaled(kArrowSizes[0]), kArrowSizes, static_cast<int>(std::size(kArrowSizes)));
  arrow_up_.reset(MakeArrow(ArrowResource(L"TKIVSHELLLIST_LV_ARROWUP", size).c_str(), background));
  arrow_down_.reset(
      MakeArrow(ArrowResource(L"TKIVSHELLLIST_LV_ARROWDOWN", size).c_str(), background));
}

void TKivShellList::ChangeScale(int dpi) {
  const int before = CurrentDpi();
  TCustomListView::ChangeScale(dpi);
  if (CurrentDpi() == before) return;
  if (use_system_font_) UseIconTitleFont(Font());
  // A width that is not its design width scaled (the user's, or the
  // shell's for another folder) is taken as the new design width.
  for (int i = 0; i < Columns().Count() && i < kMaxColumns; ++i) {
    int& design = design_widths_[static_cast<size_t>(i)];
    const int width = Columns()[i]->Width();
    if (design == 0 || ScaleForDpi(design, before) != width) design = UnscaleForDpi(width, before);
    Columns()[i]->SetWidth(ScaleForDpi(design, dpi));
  }
  // The remembered widths are the user's pixels: they keep their share.
  for (int& width : width_memory_) width = MulDiv(width, dpi, before);
  // The header still shows the old marks until they are replaced.
  UniqueBitmap old_up = std::move(arrow_up_), old_down = std::move(arrow_down_);
  LoadArrowBitmaps();
  UpdateSortArrows();
}

void TKivShellList::HookHeader(HWND header) {
  if (header_hook_ || !header) return;
  header_hook_ =
      std::make_unique<WindowSubclass>(header, [this](HWND, UINT msg, WPARAM, LPARAM, LRESULT) {
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
