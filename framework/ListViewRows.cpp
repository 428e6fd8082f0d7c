// Rows leaving and moving: deletion one by one and in batches, the control's
// places closed up after them, and sorts that reorder the rows.
#include "framework/ListView.h"

#include <algorithm>
#include <utility>

#include "framework/Application.h"
#include "framework/ScopedValue.h"
#include "framework/StableSort.h"

namespace wf {

// The handler still finds the row in its place. The row goes whatever the
// handler does, even when it throws.
void TCustomListView::NoticeDeletion(TListItem* row) {
  ForgetEditedRow(row);
  in_deletion_.push_back(row);
  Guarded(this, [&] { Delete(row); });
  in_deletion_.erase(std::find(in_deletion_.begin(), in_deletion_.end(), row));
}

LRESULT TCustomListView::DeleteRowAt(int index) {
  TListItem* row = RowAt(index);
  if (!row || row->index_ < 0 ||
      std::find(in_deletion_.begin(), in_deletion_.end(), row) != in_deletion_.end())
    return FALSE;
  NoticeDeletion(row);
  if (deleting_rows_) {
    // Closed up with the rest of the batch.
    row->index_ = -1;
    deleted_in_batch_ = true;
    return TRUE;
  }
  // A handler may have deleted other rows meanwhile.
  const int now = row->index_;
  if (now < 0 || RowAt(now) != row) return TRUE;
  // The control moves the selection and focus of the rows after it; until
  // it has, the row is still where the control's notices look for it.
  CallControl(LVM_DELETEITEM, static_cast<WPARAM>(now), 0);
  auto owned = std::move(rows_[static_cast<size_t>(now)]);
  rows_.erase(rows_.begin() + now);
  owned->index_ = -1;
  for (size_t i = static_cast<size_t>(now); i < rows_.size(); ++i)
    rows_[i]->index_ = static_cast<int>(i);
  FollowEditedRow();
  return TRUE;
}

std::vector<TListItem*> TCustomListView::SelectedRows() {
  std::vector<TListItem*> rows;
  if (!HandleAllocated()) return rows;
  ForEachSelectedPlace([&](size_t i) { rows.push_back(rows_[i].get()); });
  return rows;
}

void TCustomListView::DeleteRows(std::vector<TListItem*> rows) {
  if (rows.empty() || !HandleAllocated()) return;
  std::sort(rows.begin(), rows.end(),
            [](TListItem* a, TListItem* b) { return a->index_ > b->index_; });
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  items_.BeginUpdate();
  const bool nested = std::exchange(deleting_rows_, true);
  struct EndOnExit {
    TCustomListView& list;
    bool nested;
    ~EndOnExit() {
      if (nested) return;
      list.deleting_rows_ = false;
      list.CloseUpDeletedRows();
      list.items_.EndUpdate();
    }
  } end{*this, nested};
  // Each row's notice is given here rather than by a message per row through
  // the window: the control hears of the whole batch once, told the new
  // count at the end.
  for (TListItem* row : rows) {
    const int index = row->index_;
    if (index >= 0 && RowAt(index) == row) DeleteRowAt(index);
  }
}

// The rows noticed in a batch leave at once: the control is given the new
// count, and what it keeps by place (selection, focus, selection mark) is
// moved to the places the remaining rows close up to. Quiet, as in a sort:
// no remaining row's state changed. Dropping a selected row is one change of
// the selection, reported once.
void TCustomListView::CloseUpDeletedRows() {
  if (!std::exchange(deleted_in_batch_, false)) return;
  TListItem* focused =
      RowAt(static_cast<int>(CallControl(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)));
  TListItem* mark = RowAt(static_cast<int>(CallControl(LVM_GETSELECTIONMARK, 0, 0)));
  // The selected rows that remain, by row: their places change below.
  std::vector<TListItem*> kept_selected;
  bool selection_dropped = false;
  ForEachSelectedPlace([&](size_t i) {
    TListItem* row = rows_[i].get();
    if (row->index_ >= 0)
      kept_selected.push_back(row);
    else
      selection_dropped = true;
  });
  rows_.erase(std::remove_if(rows_.begin(), rows_.end(),
                             [](const std::unique_ptr<TListItem>& row) { return row->index_ < 0; }),
              rows_.end());
  for (size_t i = 0; i < rows_.size(); ++i) rows_[i]->index_ = static_cast<int>(i);
  {
    const ScopedValue placing(placing_rows_, true);
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    CallControl(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    SetControlCount();
    item.stateMask = item.state = LVIS_SELECTED;
    for (TListItem* row : kept_selected)
      CallControl(LVM_SETITEMSTATE, static_cast<WPARAM>(row->index_),
                  reinterpret_cast<LPARAM>(&item));
    if (focused && focused->index_ >= 0) {
      item.stateMask = item.state = LVIS_FOCUSED;
      CallControl(LVM_SETITEMSTATE, static_cast<WPARAM>(focused->index_),
                  reinterpret_cast<LPARAM>(&item));
    }
    CallControl(LVM_SETSELECTIONMARK, 0, mark && mark->index_ >= 0 ? mark->index_ : -1);
  }
  InvalidateRect(Handle(), nullptr, FALSE);
  FollowEditedRow();
  if (selection_dropped) Guarded(this, [&] { Change(nullptr, LVIF_STATE); });
}

// Every row goes, each with its notice, in the control's order; the control
// forgets its rows right after.
void TCustomListView::ReleaseAllRows() {
  if (editing_row_) ForgetEditedRow(editing_row_);
  for (size_t i = 0; i < rows_.size(); ++i) Guarded(this, [&] { Delete(rows_[i].get()); });
  for (auto& row : rows_) row->index_ = -1;
  rows_.clear();
  count_pending_ = false;
  placing_scratch_ = {};
}

bool TCustomListView::CustomSort(const std::function<int(TListItem*, TListItem*)>& compare) {
  if (!HandleAllocated()) return false;
  struct Entry {
    TListItem* row;
    size_t place;
  };
  std::vector<Entry> order;
  order.reserve(rows_.size());
  for (size_t i = 0; i < rows_.size(); ++i) order.push_back({rows_[i].get(), i});
  // Sorted as a copy: a comparison that throws leaves the rows untouched.
  StableSort(order, [&](const Entry& a, const Entry& b) { return compare(a.row, b.row); });
  std::vector<size_t> from(order.size());
  for (size_t i = 0; i < order.size(); ++i) from[i] = order[i].place;
  PlaceRows(from);
  return true;
}

// What the control keeps by place moves with the rows; notices of those
// moves are kept from the handlers, since no row's state changed.
void TCustomListView::PlaceRows(const std::vector<size_t>& from) {
  const size_t n = rows_.size();
  if (from.size() != n || !HandleAllocated()) return;
  PlacingScratch& scratch = placing_scratch_;
  bool moved = false;
  scratch.seen.assign(n, 0);
  for (size_t i = 0; i < n; ++i) {
    if (from[i] >= n || scratch.seen[from[i]]) return;  // not a reordering of these rows
    scratch.seen[from[i]] = 1;
    moved = moved || from[i] != i;
  }
  if (!moved) return;
  scratch.was_selected.assign(n, 0);
  ForEachSelectedPlace([&](size_t i) { scratch.was_selected[i] = 1; });
  TListItem* focused =
      RowAt(static_cast<int>(CallControl(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)));
  TListItem* mark = RowAt(static_cast<int>(CallControl(LVM_GETSELECTIONMARK, 0, 0)));

  // Moved within the vector, one cycle of the permutation at a time: a
  // second vector of rows would stay allocated beside the first.
  std::vector<char>& done = scratch.seen;
  std::fill(done.begin(), done.end(), 0);
  for (size_t start = 0; start < n; ++start) {
    if (done[start]) continue;
    std::unique_ptr<TListItem> first = std::move(rows_[start]);
    size_t at = start;
    for (;;) {
      done[at] = 1;
      const size_t next = from[at];
      if (next == start) break;
      rows_[at] = std::move(rows_[next]);
      at = next;
    }
    rows_[at] = std::move(first);
  }
  // The marks a row keeps are asked of the row, so they follow it; only
  // its new place is to be set.
  ForEachRow([&](TListItem* row, size_t now) { row->index_ = static_cast<int>(now); });

  const ScopedValue placing(placing_rows_, true);
  for (size_t i = 0; i < n; ++i) {
    const char selected = scratch.was_selected[from[i]];
    if (selected == scratch.was_selected[i]) continue;
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    CallControl(LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&item));
  }
  if (focused) {
    LVITEMW item{};
    item.stateMask = LVIS_FOCUSED;
    item.state = LVIS_FOCUSED;
    CallControl(LVM_SETITEMSTATE, static_cast<WPARAM>(focused->index_),
                reinterpret_cast<LPARAM>(&item));
  }
  if (mark) CallControl(LVM_SETSELECTIONMARK, 0, mark->index_);
  InvalidateRect(Handle(), nullptr, FALSE);
  FollowEditedRow();
}

}  // namespace wf
