// The shell list's sorts: the shell's comparison, values where the shell
// compares only names, and folded text.
#include "shell/list/ShellListSort.h"

#include <shlwapi.h>

#include "framework/StableSort.h"
#include "shell/core/ShellCompare.h"
#include "shell/list/ShellControls.h"
#include "shell/list/ShellListParts.h"

namespace wf {

namespace {

// Below this a sort parameter is a column index; the shell's column numbers
// and ours are both small.
constexpr int kMaxTextSortColumn = 32;

const std::wstring kNoText;

}  // namespace

const std::vector<size_t>& ShellListSorter::Order(int column, bool descending) {
  TKivShellList& list = list_;
  const ShellColumns& columns = list.parts_->columns;
  const bool shell_mode = column < columns.ShellCount() && !list.OnCompare;
  auto& from = scratch_.from;
  from.clear();
  from.reserve(static_cast<size_t>(list.Items().Count()));
  if (TListItem* parent = list.parent_entry_; parent && parent->Index() >= 0)
    from.push_back(static_cast<size_t>(parent->Index()));
  const int direction = descending ? -1 : 1;
  // The folder compares by its own column numbers: columns it does not show
  // by default have no list column, so the two differ after the first one.
  if (!shell_mode)
    ByText(column, direction);
  else if (SortsByValue(columns.ShellColumnOf(column)))
    ByValue(column, columns.ShellColumnOf(column), direction);
  else
    ByShellColumn(columns.ShellColumnOf(column), direction);
  return from;
}

const std::wstring* ShellListSorter::TextOf(TListItem* row, int column) {
  if (column > kMaxTextSortColumn) return &kNoText;
  if (row->SubItems().empty()) list_.GatherRowDetailTexts(row);
  const size_t k = static_cast<size_t>(column - 1);
  return k < row->SubItems().size() ? &row->SubItems()[k] : &kNoText;
}

void ShellListSorter::ByShellColumn(int shell_column, int direction) {
  IShellFolder* folder = list_.row_query_.Folder();
  auto& keys = scratch_.ids;
  keys.clear();
  list_.ForEachRow([&](TListItem* row, size_t place) {
    if (row == list_.parent_entry_) return;
    const TKivShellListItem* record = TKivShellList::RecordOf(row);
    keys.push_back({record ? record->ItemId.get() : nullptr, static_cast<uint32_t>(place)});
  });
  StableSort(
      keys,
      [&](const IdSortKey& a, const IdSortKey& b) {
        if (!folder || !a.id || !b.id) return 0;
        const HRESULT hr = folder->CompareIDs(static_cast<LPARAM>(shell_column), a.id, b.id);
        if (FAILED(hr)) return 0;
        return static_cast<short>(HRESULT_CODE(hr)) * direction;
      },
      scratch_.id_merging);
  for (const IdSortKey& key : keys) scratch_.from.push_back(key.place);
}

bool ShellListSorter::SortsByValue(int shell_column) {
  ShellItemQuery& rows = list_.row_query_;
  // The name is what such a shell compares anyway.
  if (shell_column == 0 || !rows) return false;
  signed char& known = scratch_.sorts_by_value;
  if (known == 0)
    known =
        !IdListToPath(rows.FolderIdList()).empty() && CompareIgnoresColumn(rows.Folder()) ? 1 : -1;
  return known > 0;
}

// Each row's value is read once, before the sort: a size may cost a look-up
// on disk, which a comparison would pay again and again.
void ShellListSorter::ByValue(int column, int shell_column, int direction) {
  using ColumnValue = ShellItemQuery::ColumnValue;
  ShellItemQuery& rows = list_.row_query_;
  IShellFolder* folder = rows.Folder();
  const ColumnValue kind = rows.ValueOfColumn(shell_column);
  auto& keys = scratch_.values;
  keys.clear();
  list_.ForEachRow([&](TListItem* row, size_t place) {
    if (row == list_.parent_entry_) return;
    const TKivShellListItem* record = TKivShellList::RecordOf(row);
    ValueSortKey key{0, &kNoText, record ? record->ItemId.get() : nullptr,
                     static_cast<uint32_t>(place), false};
    if (key.id) {
      if (const WIN32_FIND_DATAW* data = rows.FindData(key.id)) {
        key.folder = (data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (kind == ColumnValue::kWriteTime)
          key.number = (static_cast<uint64_t>(data->ftLastWriteTime.dwHighDateTime) << 32) |
                       data->ftLastWriteTime.dwLowDateTime;
      } else {
        key.folder = (rows.Attributes(key.id, SFGAO_FOLDER) & SFGAO_FOLDER) != 0;
      }
      if (kind == ColumnValue::kSize && !key.folder) key.number = rows.FileSize(key.id).value_or(0);
    }
    if (kind == ColumnValue::kOther && column > 0) key.text = TextOf(row, column);
    keys.push_back(key);
  });

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
      scratch_.value_merging);
  for (const ValueSortKey& key : keys) scratch_.from.push_back(key.place);
}

// A text key is its text's folded prefix, which settles most comparisons
// without a read of the text itself.
void ShellListSorter::ByText(int column, int direction) {
  Scratch& scratch = scratch_;
  const size_t count = static_cast<size_t>(list_.Items().Count());
  auto& keys = scratch.texts;
  keys.clear();
  scratch.text_of.resize(count);
  scratch.row_of.resize(count);
  list_.ForEachRow([&](TListItem* row, size_t place) {
    if (row == list_.parent_entry_) return;
    const std::wstring* text = column == 0 ? &row->Caption() : TextOf(row, column);
    scratch.text_of[place] = text;
    scratch.row_of[place] = row;
    FoldedPrefix& key = keys.emplace_back(FoldedPrefix::Of(*text));
    key.tag = static_cast<uint32_t>(place);
  });

  // By value: the handler is an opaque call, after which anything reached
  // through `this` would be read again.
  const std::wstring* const* const text_of = scratch.text_of.data();
  auto compare = [text_of, direction](const FoldedPrefix& a, const FoldedPrefix& b) {
    return CompareText(a, *text_of[a.tag], b, *text_of[b.tag]) * direction;
  };
  if (list_.OnCompare) {
    TListItem* const* const row_of = scratch.row_of.data();
    // The sort keeps the handler it began with: one that reassigns
    // OnCompare while it runs changes the next sort, and stays alive.
    const TLVCompareEvent handler = list_.OnCompare;
    TObject* const sender = &list_;
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

}  // namespace wf
