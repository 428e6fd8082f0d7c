// A list's rows and columns as their callers see them: a row's texts,
// images and states, the rows' collection and update bracket, the columns.
#include "framework/ListView.h"

#include <utility>

namespace wf {
namespace {

// State and overlay images have four bits each in a row's state.
constexpr int kMaxMarkImage = 14;

// The platform's list view keeps its first column left-aligned, whatever it
// is asked; Wine's does not, and then draws a right-aligned header item's
// sort mark outside the item. Asking for what Windows does keeps both alike.
int LvFormat(TAlignment alignment, int index) {
  if (index == 0) return LVCFMT_LEFT;
  switch (alignment) {
    case TAlignment::taRightJustify:
      return LVCFMT_RIGHT;
    case TAlignment::taCenter:
      return LVCFMT_CENTER;
    case TAlignment::taLeftJustify:
      break;
  }
  return LVCFMT_LEFT;
}

}  // namespace

// ---- TListItem ----

const std::wstring& TListItem::Caption() const {
  if (!caption_known_) {
    caption_known_ = true;
    caption_ = owner_->ResolveCaption(const_cast<TListItem*>(this));
  }
  return caption_;
}

void TListItem::SetCaption(std::wstring caption) {
  caption_ = std::move(caption);
  caption_known_ = true;
  Update();
}

void TListItem::SetCaptionPending() {
  caption_known_ = false;
}

// Sub-items the control was never told of are asked for like the caption,
// since the row's own text is a callback: the row only has to be redrawn.
void TListItem::SetSubItems(std::vector<std::wstring> texts) {
  if (owner_->sorting_ && !sub_items_.empty())
    owner_->retired_sub_items_.push_back(std::move(sub_items_));
  sub_items_ = std::move(texts);
  if (owner_->answering_display_info_ || index_ < 0 || !owner_->HandleAllocated()) return;
  SendMessageW(owner_->Handle(), LVM_REDRAWITEMS, index_, index_);
}

void TListItem::AddSubItem(std::wstring text) {
  auto texts = sub_items_;
  texts.push_back(std::move(text));
  SetSubItems(std::move(texts));
}

void TListItem::SetImageIndex(int index) {
  if (index == image_index_) return;
  image_index_ = index;
  if (!owner_->answering_display_info_) Update();
}

void TListItem::SetStateIndex(int index) {
  SetState(index >= 0 && index <= kMaxMarkImage ? INDEXTOSTATEIMAGEMASK(index + 1) : 0,
           LVIS_STATEIMAGEMASK);
}

void TListItem::SetOverlayIndex(int index) {
  if (index < 0 || index > kMaxMarkImage) index = -1;
  if (index == overlay_index_) return;
  SetState(index >= 0 ? INDEXTOOVERLAYMASK(index + 1) : 0, LVIS_OVERLAYMASK);
}

int TListItem::Index() const {
  return owner_->HandleAllocated() ? index_ : -1;
}

UINT TListItem::KeptState() const {
  UINT state = (cut_ ? LVIS_CUT : 0) | (drop_target_ ? LVIS_DROPHILITED : 0);
  if (overlay_index_ >= 0) state |= INDEXTOOVERLAYMASK(overlay_index_ + 1);
  if (state_index_ >= 0) state |= INDEXTOSTATEIMAGEMASK(state_index_ + 1);
  return state;
}

// The marks a row keeps are the row's own, set even without a window; the
// control only draws them.
void TListItem::SetKeptState(UINT state, UINT mask) {
  if (mask & LVIS_CUT) cut_ = (state & LVIS_CUT) != 0;
  if (mask & LVIS_DROPHILITED) drop_target_ = (state & LVIS_DROPHILITED) != 0;
  if (mask & LVIS_OVERLAYMASK) {
    const UINT overlay = (state & LVIS_OVERLAYMASK) >> 8;
    overlay_index_ = static_cast<signed char>(static_cast<int>(overlay) - 1);
  }
  if (mask & LVIS_STATEIMAGEMASK) {
    const UINT image = (state & LVIS_STATEIMAGEMASK) >> 12;
    state_index_ = static_cast<signed char>(static_cast<int>(image) - 1);
  }
}

void TListItem::SetState(UINT state, UINT mask) {
  if (mask & TCustomListView::kKeptStates) {
    SetKeptState(state, mask);
    const int index = Index();
    if (index >= 0 && !owner_->answering_display_info_)
      SendMessageW(owner_->Handle(), LVM_REDRAWITEMS, index, index);
    mask &= ~TCustomListView::kKeptStates;
    if (!mask) return;
  }
  const int index = Index();
  if (index < 0) return;
  LVITEMW item{};
  item.stateMask = mask;
  item.state = state;
  SendMessageW(owner_->Handle(), LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
}

bool TListItem::HasState(UINT state) const {
  const int index = Index();
  if (index < 0) return false;
  return (SendMessageW(owner_->Handle(), LVM_GETITEMSTATE, index, state) & state) != 0;
}

bool TListItem::Selected() const {
  return HasState(LVIS_SELECTED);
}
void TListItem::SetSelected(bool selected) {
  SetState(selected ? LVIS_SELECTED : 0, LVIS_SELECTED);
}
bool TListItem::Focused() const {
  return HasState(LVIS_FOCUSED);
}
void TListItem::SetFocused(bool focused) {
  SetState(focused ? LVIS_FOCUSED : 0, LVIS_FOCUSED);
}
bool TListItem::Cut() const {
  return cut_;
}
void TListItem::SetCut(bool cut) {
  SetState(cut ? LVIS_CUT : 0, LVIS_CUT);
}
void TListItem::SetDropTarget(bool target) {
  SetState(target ? LVIS_DROPHILITED : 0, LVIS_DROPHILITED);
}

void TListItem::MakeVisible(bool partial_ok) {
  const int index = Index();
  if (index >= 0)
    SendMessageW(owner_->Handle(), LVM_ENSUREVISIBLE, index, partial_ok ? TRUE : FALSE);
}

void TListItem::Update() {
  if (!owner_->HandleAllocated()) return;
  const int index = Index();
  if (index >= 0) SendMessageW(owner_->Handle(), LVM_UPDATE, index, 0);
}

void TListItem::Redraw() {
  if (!owner_->HandleAllocated()) return;
  const int index = Index();
  if (index >= 0) SendMessageW(owner_->Handle(), LVM_REDRAWITEMS, index, index);
}

void TListItem::Delete() {
  const int index = Index();
  if (index >= 0) SendMessageW(owner_->Handle(), LVM_DELETEITEM, index, 0);
}

bool TListItem::EditCaption() {
  const int index = Index();
  if (index < 0) return false;
  // The control opens its editor only while it has the focus.
  owner_->SetFocus();
  return SendMessageW(owner_->Handle(), LVM_EDITLABELW, index, 0) != 0;
}

RECT TListItem::DisplayRect(TDisplayCode code) const {
  RECT rect{};
  const int index = Index();
  if (index < 0) return rect;
  switch (code) {
    case TDisplayCode::drBounds:
      rect.left = LVIR_BOUNDS;
      break;
    case TDisplayCode::drIcon:
      rect.left = LVIR_ICON;
      break;
    case TDisplayCode::drLabel:
      rect.left = LVIR_LABEL;
      break;
    case TDisplayCode::drSelectBounds:
      rect.left = LVIR_SELECTBOUNDS;
      break;
  }
  if (!SendMessageW(owner_->Handle(), LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect)))
    return RECT{};
  return rect;
}

// ---- TListItems ----

int TListItems::Count() const {
  return static_cast<int>(owner_->rows_.size());
}

TListItem* TListItems::Item(int index) const {
  return owner_->RowAt(index);
}

// Rows are found by place (see RowParams), so a new row only has to be
// counted; inside an update bracket the control is told the count when it
// is next asked anything, or when the bracket ends.
TListItem* TListItems::Add() {
  owner_->HandleNeeded();
  auto& rows = owner_->rows_;
  rows.push_back(std::unique_ptr<TListItem>(new TListItem(owner_)));
  TListItem* row = rows.back().get();
  row->index_ = static_cast<int>(rows.size() - 1);
  if (update_count_ > 0)
    owner_->count_pending_ = true;
  else
    owner_->SetControlCount();
  return row;
}

void TListItems::Reserve(int count) {
  if (count <= Count()) return;
  owner_->HandleNeeded();
  owner_->rows_.reserve(static_cast<size_t>(count));
}

void TListItems::Delete(int index) {
  if (owner_->HandleAllocated()) SendMessageW(owner_->Handle(), LVM_DELETEITEM, index, 0);
}

void TListItems::Clear() {
  if (owner_->HandleAllocated()) SendMessageW(owner_->Handle(), LVM_DELETEALLITEMS, 0, 0);
}

void TListItems::BeginUpdate() {
  if (update_count_++ == 0 && owner_->HandleAllocated())
    SendMessageW(owner_->Handle(), WM_SETREDRAW, FALSE, 0);
}

void TListItems::EndUpdate() {
  if (update_count_ == 0 || --update_count_ > 0) return;
  if (owner_->HandleAllocated()) owner_->ResumeRedraw();
}

// ---- TListColumn(s) ----

void TListColumn::Apply(UINT mask) const {
  if (!owner_->HandleAllocated()) return;
  LVCOLUMNW column{};
  column.mask = mask;
  column.pszText = const_cast<wchar_t*>(caption_.c_str());
  column.cx = width_;
  column.fmt = LvFormat(alignment_, index_);
  SendMessageW(owner_->Handle(), LVM_SETCOLUMNW, index_, reinterpret_cast<LPARAM>(&column));
}

void TListColumn::SetCaption(std::wstring caption) {
  caption_ = std::move(caption);
  Apply(LVCF_TEXT);
}

int TListColumn::Width() const {
  if (owner_->HandleAllocated())
    return static_cast<int>(SendMessageW(owner_->Handle(), LVM_GETCOLUMNWIDTH, index_, 0));
  return width_;
}

void TListColumn::SetWidth(int width) {
  width_ = width;
  Apply(LVCF_WIDTH);
}

void TListColumn::SetAlignment(TAlignment alignment) {
  alignment_ = alignment;
  Apply(LVCF_FMT);
}

TListColumn* TListColumns::Add() {
  const int index = Count();
  columns_.push_back(std::unique_ptr<TListColumn>(new TListColumn(owner_, index)));
  TListColumn* column = columns_.back().get();
  // Without a window the column is inserted when the window is made (the
  // list is replayed then); making the window here would insert it twice.
  if (!owner_->HandleAllocated()) return column;
  LVCOLUMNW lvc{};
  lvc.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  lvc.pszText = const_cast<wchar_t*>(L"");
  lvc.cx = column->width_;
  lvc.fmt = LVCFMT_LEFT;
  SendMessageW(owner_->Handle(), LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&lvc));
  return column;
}

void TListColumns::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  if (owner_->HandleAllocated()) SendMessageW(owner_->Handle(), LVM_DELETECOLUMN, index, 0);
  columns_.erase(columns_.begin() + index);
  for (int i = index; i < Count(); ++i) columns_[i]->index_ = i;
}

void TListColumns::Clear() {
  while (Count() > 0) Delete(Count() - 1);
}

void TListColumns::BeginUpdate() {}
void TListColumns::EndUpdate() {}

// The user may have dragged the dividers since the columns were made: the
// next window must get the widths last seen.
void TListColumns::KeepWidths() {
  for (const auto& column : columns_) column->width_ = column->Width();
}

void TListColumns::Recreate() {
  for (const auto& column : columns_) {
    LVCOLUMNW lvc{};
    lvc.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    lvc.pszText = const_cast<wchar_t*>(column->caption_.c_str());
    lvc.cx = column->width_;
    lvc.fmt = LvFormat(column->alignment_, column->index_);
    SendMessageW(owner_->Handle(), LVM_INSERTCOLUMNW, column->index_,
                 reinterpret_cast<LPARAM>(&lvc));
  }
}

}  // namespace wf
