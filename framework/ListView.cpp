#include "framework/ListView.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "framework/Application.h"
#include "framework/ScopedValue.h"
#include "framework/StableSort.h"
#include "framework/Strings.h"

namespace wf {
namespace {

// What a row keeps wherever it stands, and the control asks the row for; the
// rest of a row's state (selected, focused, drop target, activated) belongs
// to its place in the control.
constexpr UINT kKeptStates = LVIS_CUT | LVIS_OVERLAYMASK | LVIS_STATEIMAGEMASK;
// State and overlay images have four bits each in a row's state.
constexpr int kMaxMarkImage = 14;
// Telling the control a new count redraws only the rows in view and leaves
// the scroll position alone: rows are only ever added at the end.
constexpr LPARAM kCountFlags = LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL;

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
  UINT state = cut_ ? LVIS_CUT : 0;
  if (overlay_index_ >= 0) state |= INDEXTOOVERLAYMASK(overlay_index_ + 1);
  if (state_index_ >= 0) state |= INDEXTOSTATEIMAGEMASK(state_index_ + 1);
  return state;
}

// The marks a row keeps are the row's own, set even without a window; the
// control only draws them.
void TListItem::SetKeptState(UINT state, UINT mask) {
  if (mask & LVIS_CUT) cut_ = (state & LVIS_CUT) != 0;
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
  if (mask & kKeptStates) {
    SetKeptState(state, mask);
    const int index = Index();
    if (index >= 0 && !owner_->answering_display_info_)
      SendMessageW(owner_->Handle(), LVM_REDRAWITEMS, index, index);
    mask &= ~kKeptStates;
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

// ---- TCustomListView ----

TCustomListView::TCustomListView(TComponent* owner)
    : TWinControl(owner), items_(this), columns_(this) {
  SetColor(clWindow);
}

TCustomListView::~TCustomListView() {
  MarkDestroying();
  // Rows are given up while the derived parts are gone; only the
  // framework's own deletion runs here.
  ReleaseAllRows();
}

DWORD TCustomListView::ListStyle() const {
  DWORD style = LVS_SHAREIMAGELISTS;
  switch (view_style_) {
    case TViewStyle::vsIcon:
      style |= LVS_ICON;
      break;
    case TViewStyle::vsSmallIcon:
      style |= LVS_SMALLICON;
      break;
    case TViewStyle::vsList:
      style |= LVS_LIST;
      break;
    case TViewStyle::vsReport:
      style |= LVS_REPORT;
      break;
  }
  if (!multi_select_) style |= LVS_SINGLESEL;
  if (!read_only_) style |= LVS_EDITLABELS;
  if (!hide_selection_) style |= LVS_SHOWSELALWAYS;
  if (auto_arrange_) style |= LVS_AUTOARRANGE;
  return style;
}

void TCustomListView::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.class_name = L"TCustomListView";
  params.base_class = WC_LISTVIEWW;
  params.style |= WS_TABSTOP | LVS_OWNERDATA | ListStyle();
  params.ex_style |= WS_EX_CLIENTEDGE;
}

void TCustomListView::CreateWnd() {
  TWinControl::CreateWnd();
  HWND hwnd = Handle();
  SendMessageW(hwnd, CCM_SETUNICODEFORMAT, TRUE, 0);
  SendMessageW(hwnd, LVM_SETCALLBACKMASK, kKeptStates, 0);
  SendMessageW(hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
               row_select_ ? LVS_EX_FULLROWSELECT : 0);
  SendMessageW(hwnd, LVM_SETBKCOLOR, 0, ColorToRGB(Color()));
  SendMessageW(hwnd, LVM_SETTEXTBKCOLOR, 0, ColorToRGB(Color()));
  if (small_images_)
    SendMessageW(hwnd, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(small_images_));
  if (large_images_)
    SendMessageW(hwnd, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(large_images_));
  columns_.Recreate();
}

void TCustomListView::DestroyWnd() {
  if (HandleAllocated()) columns_.KeepWidths();
  ReleaseAllRows();
  TWinControl::DestroyWnd();
}

void TCustomListView::ApplyStyle() {
  if (!HandleAllocated()) return;
  HWND hwnd = Handle();
  const DWORD managed =
      LVS_TYPEMASK | LVS_SINGLESEL | LVS_EDITLABELS | LVS_SHOWSELALWAYS | LVS_AUTOARRANGE;
  const DWORD style = (GetWindowLongW(hwnd, GWL_STYLE) & ~managed) | ListStyle();
  SetWindowLongW(hwnd, GWL_STYLE, style);
}

void TCustomListView::SetViewStyle(TViewStyle style) {
  view_style_ = style;
  ApplyStyle();
}

void TCustomListView::SetMultiSelect(bool value) {
  multi_select_ = value;
  ApplyStyle();
}

void TCustomListView::SetReadOnly(bool value) {
  read_only_ = value;
  ApplyStyle();
}

void TCustomListView::SetHideSelection(bool value) {
  hide_selection_ = value;
  ApplyStyle();
}

void TCustomListView::SetAutoArrange(bool value) {
  auto_arrange_ = value;
  ApplyStyle();
}

void TCustomListView::SetRowSelect(bool value) {
  row_select_ = value;
  if (HandleAllocated())
    SendMessageW(Handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                 value ? LVS_EX_FULLROWSELECT : 0);
}

void TCustomListView::SetColor(TColor color) {
  TWinControl::SetColor(color);
  if (HandleAllocated()) {
    SendMessageW(Handle(), LVM_SETBKCOLOR, 0, ColorToRGB(color));
    SendMessageW(Handle(), LVM_SETTEXTBKCOLOR, 0, ColorToRGB(color));
  }
}

void TCustomListView::SetSmallImages(HIMAGELIST images) {
  small_images_ = images;
  if (HandleAllocated())
    SendMessageW(Handle(), LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
}

void TCustomListView::SetLargeImages(HIMAGELIST images) {
  large_images_ = images;
  if (HandleAllocated())
    SendMessageW(Handle(), LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
}

int TCustomListView::SelCount() {
  if (!HandleAllocated()) return 0;
  return static_cast<int>(SendMessageW(Handle(), LVM_GETSELECTEDCOUNT, 0, 0));
}

TListItem* TCustomListView::Selected() {
  if (!HandleAllocated()) return nullptr;
  const int index = static_cast<int>(SendMessageW(Handle(), LVM_GETNEXTITEM, -1, LVNI_SELECTED));
  return index < 0 ? nullptr : items_.Item(index);
}

TListItem* TCustomListView::ItemFocused() {
  if (!HandleAllocated()) return nullptr;
  const int index = static_cast<int>(SendMessageW(Handle(), LVM_GETNEXTITEM, -1, LVNI_FOCUSED));
  return index < 0 ? nullptr : items_.Item(index);
}

// Each selected place in order. The control finds the next selected row by
// looking at each in turn (Wine's takes ~0.1 us a row), so it is asked only
// as many times as it has selected rows, and not at all when every row is.
template <class OnPlace>
void TCustomListView::ForEachSelectedPlace(OnPlace&& on_place) {
  const size_t n = rows_.size();
  auto left = CallControl(LVM_GETSELECTEDCOUNT, 0, 0);
  if (left > 0 && static_cast<size_t>(left) == n) {
    for (size_t i = 0; i < n; ++i) on_place(i);
    return;
  }
  for (int i = -1; left > 0; --left) {
    i = static_cast<int>(CallControl(LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED));
    if (i < 0 || static_cast<size_t>(i) >= n) break;
    on_place(static_cast<size_t>(i));
  }
}

// The control reports selecting or clearing every row as one change: a
// handler of selections learns the rows from what was selected before.
void TCustomListView::SetEveryRowSelected(bool selected) {
  std::vector<char> before;
  if (OnSelectItem) {
    before.assign(rows_.size(), 0);
    ForEachSelectedPlace([&](size_t i) { before[i] = 1; });
  }
  const ScopedValue<const std::vector<char>*> known(selection_before_,
                                                    OnSelectItem ? &before : nullptr);
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED;
  item.state = selected ? LVIS_SELECTED : 0;
  SendMessageW(Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(&item));
}

void TCustomListView::ClearSelection() {
  if (HandleAllocated()) SetEveryRowSelected(false);
}

// The control redraws each row it selects, one request to the window system
// a row (a costly one under Wine): with drawing held, the list is redrawn
// once at the end.
void TCustomListView::SelectAll() {
  if (!HandleAllocated()) return;
  const ListUpdateScope draw_once(items_);
  SetEveryRowSelected(true);
}

TListItem* TCustomListView::TopItem() {
  if (!HandleAllocated()) return nullptr;
  const int index = static_cast<int>(SendMessageW(Handle(), LVM_GETTOPINDEX, 0, 0));
  return index < 0 ? nullptr : items_.Item(index);
}

// The control scrolls a row into view by the least it can: a row reached by
// scrolling up ends up at the top.
void TCustomListView::SetTopItem(TListItem* item) {
  if (!HandleAllocated() || !item) return;
  const int index = item->Index();
  const int count = items_.Count();
  if (index < 0 || count == 0) return;
  SendMessageW(Handle(), LVM_ENSUREVISIBLE, count - 1, FALSE);
  SendMessageW(Handle(), LVM_ENSUREVISIBLE, index, FALSE);
}

int TCustomListView::VisibleRowCount() {
  if (!HandleAllocated()) return 0;
  return static_cast<int>(SendMessageW(Handle(), LVM_GETCOUNTPERPAGE, 0, 0));
}

TListItem* TCustomListView::RowAt(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= rows_.size()) return nullptr;
  return rows_[static_cast<size_t>(index)].get();
}

int TCustomListView::FindParam(LPARAM param, int after) const {
  for (size_t i = static_cast<size_t>(std::max(after + 1, 0)); i < rows_.size(); ++i)
    if (reinterpret_cast<LPARAM>(rows_[i].get()) == param) return static_cast<int>(i);
  return -1;
}

void TCustomListView::SetControlCount() {
  count_pending_ = false;
  DefaultHandler(LVM_SETITEMCOUNT, rows_.size(), kCountFlags);
}

void TCustomListView::SyncCount() {
  if (count_pending_ && HandleAllocated()) SetControlCount();
}

// Whether ending the update will show or hide a scroll bar, as far as can
// be told before the control lays itself out: in report view, by the rows
// against a page and the columns against the client width. A wrong guess
// costs time, never a wrong picture.
bool TCustomListView::ScrollBarsWillChange() {
  if (view_style_ != TViewStyle::vsReport) return false;
  HWND hwnd = Handle();
  const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
  const bool vertical_shown = (style & WS_VSCROLL) != 0;
  const bool horizontal_shown = (style & WS_HSCROLL) != 0;
  const int per_page = static_cast<int>(SendMessageW(hwnd, LVM_GETCOUNTPERPAGE, 0, 0));
  const bool vertical_needed = rows_.size() > static_cast<size_t>(std::max(per_page, 0));
  if (vertical_needed != vertical_shown) return true;
  RECT client{};
  GetClientRect(hwnd, &client);
  int columns_width = 0;
  for (int column = 0; column < columns_.Count(); ++column)
    columns_width += columns_[column]->Width();
  return (columns_width > client.right - client.left) != horizontal_shown;
}

// Told it may draw again, Wine's list view shows or hides its scroll bars
// one at a time, and while it is drawable each one is a frame change
// painted there and then: the frame, both scroll bars and the header, each
// paint a few milliseconds under a theme. For a large folder filled into an
// empty list that was a quarter of the time to its first page. Kept
// undrawable for that moment (as Windows itself does with a window whose
// redraw is off), the control lays out its scroll bars without painting,
// and the next paint draws the whole list once. Becoming drawable again
// costs a whole repaint, so an update that leaves the scroll bars as they
// are takes the plain way.
void TCustomListView::ResumeRedraw() {
  HWND hwnd = Handle();
  SyncCount();
  if (!IsWindowVisible(hwnd) || !ScrollBarsWillChange()) {
    SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd, nullptr, TRUE);
    return;
  }
  // Shown again on every way out: a list left without WS_VISIBLE would
  // never be drawn again.
  class Undrawable {
   public:
    explicit Undrawable(TCustomListView& list) : list_(list) { SetVisibleQuietly(false); }
    ~Undrawable() { SetVisibleQuietly(true); }
    Undrawable(const Undrawable&) = delete;
    Undrawable& operator=(const Undrawable&) = delete;

   private:
    void SetVisibleQuietly(bool visible) {
      const ScopedValue quiet(list_.hiding_from_control_, true);
      const LONG_PTR style = GetWindowLongPtrW(list_.Handle(), GWL_STYLE);
      SetWindowLongPtrW(list_.Handle(), GWL_STYLE,
                        visible ? style | WS_VISIBLE : style & ~WS_VISIBLE);
    }
    TCustomListView& list_;
  };
  {
    const Undrawable undrawable(*this);
    SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
  }
  RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

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

void TCustomListView::GetDispInfo(NMLVDISPINFOW* info) {
  TListItem* item = RowAt(info->item.iItem);
  if (!item) return;
  const ScopedValue answering(answering_display_info_, true);
  if (info->item.mask & LVIF_IMAGE) {
    if (info->item.iSubItem == 0) {
      GetImageIndex(item);
      info->item.iImage = item->ImageIndex();
    }
  }
  // After the image: fetching a row's image may set its marks.
  if (info->item.mask & LVIF_STATE) {
    const UINT mask = info->item.stateMask & kKeptStates;
    info->item.state = (info->item.state & ~mask) | (item->KeptState() & mask);
  }
  if ((info->item.mask & LVIF_TEXT) && info->item.pszText && info->item.cchTextMax > 0) {
    const std::wstring* text = nullptr;
    static const std::wstring kEmpty;
    if (info->item.iSubItem == 0) {
      text = &item->Caption();
    } else {
      const auto& subs = item->SubItems();
      const size_t k = static_cast<size_t>(info->item.iSubItem - 1);
      text = k < subs.size() ? &subs[k] : &kEmpty;
    }
    size_t n = std::min(text->size(), static_cast<size_t>(info->item.cchTextMax - 1));
    // A text cut to the control's buffer must not end in half a character.
    if (n > 0 && n < text->size() && IS_HIGH_SURROGATE((*text)[n - 1])) --n;
    text->copy(info->item.pszText, n);
    info->item.pszText[n] = L'\0';
  }
}

void TCustomListView::Change(TListItem* item, UINT changed) {
  TItemChange change = TItemChange::ctState;
  if (changed & LVIF_TEXT)
    change = TItemChange::ctText;
  else if (changed & LVIF_IMAGE)
    change = TItemChange::ctImage;
  Raise(OnChange, this, item, change);
}

void TCustomListView::Delete(TListItem* item) {
  Raise(OnDeletion, this, item);
}

void TCustomListView::ColClick(TListColumn* column) {
  Raise(OnColumnClick, this, column);
}

TListItem* TCustomListView::FindCaption(int start, const std::wstring& text, bool partial,
                                        bool inclusive, bool wrap) const {
  const int count = static_cast<int>(rows_.size());
  const int first = std::clamp(inclusive ? start : start + 1, 0, count);
  const auto matches = [&](int i) {
    const std::wstring& caption = rows_[static_cast<size_t>(i)]->Caption();
    return partial ? StartsWithText(caption, text) : SameText(caption, text);
  };
  for (int i = first; i < count; ++i)
    if (matches(i)) return RowAt(i);
  if (wrap)
    for (int i = 0; i < first; ++i)
      if (matches(i)) return RowAt(i);
  return nullptr;
}

TListItem* TCustomListView::GetItemAt(int x, int y) {
  if (!HandleAllocated()) return nullptr;
  LVHITTESTINFO hit{};
  hit.pt = {x, y};
  const int index = static_cast<int>(CallControl(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (index < 0 || !(hit.flags & LVHT_ONITEM)) return nullptr;
  return RowAt(index);
}

bool TCustomListView::CanEdit(TListItem* item) {
  if (read_only_) return false;
  bool allow_edit = true;
  Raise(OnEditing, this, item, allow_edit);
  return allow_edit;
}

void TCustomListView::EditEnded(TListItem* item, std::wstring* text) {
  if (!text) return;
  Raise(OnEdited, this, item, *text);
  item->SetCaption(*text);
}

void TCustomListView::BeginLabelEdit(NMLVDISPINFOW* info, LRESULT& result) {
  TListItem* item = RowAt(info->item.iItem);
  // Refused unless allowed: a handler that fails must not open the editor.
  bool allowed = false;
  if (item) Guarded(this, [&] { allowed = CanEdit(item); });
  result = allowed ? FALSE : TRUE;
  if (!allowed) return;
  editing_ = true;
  editing_row_ = item;
  edit_cancelled_ = false;
  editor_watch_.reset();
  // The editor is the control's child and gets the keys typed into it; the
  // list's own key handling never sees them. Escape is noted before the
  // editor acts on it, as the control ends the edit right then.
  if (const auto editor = reinterpret_cast<HWND>(CallControl(LVM_GETEDITCONTROL, 0, 0)))
    editor_watch_ = std::make_unique<WindowSubclass>(
        editor, nullptr, [this](HWND, UINT msg, WPARAM wparam, LPARAM, LRESULT&) {
          return WatchEditorKey(msg, wparam);
        });
}

void TCustomListView::ForgetEditedRow(TListItem* row) {
  if (row != editing_row_) return;
  editing_row_ = nullptr;
  // Whatever was typed was meant for the row that went: the editor closes
  // now rather than waiting for an Enter that would rename nothing.
  if (editing_ && HandleAllocated()) {
    edit_cancelled_ = true;
    CallControl(LVM_CANCELEDITLABEL, 0, 0);
  }
}

void TCustomListView::FollowEditedRow() {
  if (!editing_row_ || editing_row_->index_ < 0) return;
  const auto editor = reinterpret_cast<HWND>(CallControl(LVM_GETEDITCONTROL, 0, 0));
  if (!editor) return;
  const RECT label = editing_row_->DisplayRect(TDisplayCode::drLabel);
  if (IsRectEmpty(&label)) return;
  RECT now{};
  GetWindowRect(editor, &now);
  MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&now), 2);
  const int top = label.top + ((label.bottom - label.top) - (now.bottom - now.top)) / 2;
  if (top != now.top)
    SetWindowPos(editor, nullptr, now.left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TCustomListView::WatchEditorKey(UINT msg, WPARAM wparam) {
  if ((msg == WM_KEYDOWN || msg == WM_CHAR) && wparam == VK_ESCAPE) edit_cancelled_ = true;
  return false;
}

void TCustomListView::EndLabelEdit(NMLVDISPINFOW* info) {
  const bool cancelled = edit_cancelled_ || !info->item.pszText;
  // The control names the place the editor was opened at; the row there now
  // may be another.
  TListItem* item = std::exchange(editing_row_, nullptr);
  editing_ = false;
  edit_cancelled_ = false;
  editor_watch_.reset();
  if (!item || cancelled) {
    EditEnded(item, nullptr);
    return;
  }
  std::wstring text = info->item.pszText;
  EditEnded(item, &text);
}

bool TCustomListView::OnNotify(NMHDR* header, LRESULT& result) {
  switch (header->code) {
    case LVN_KEYDOWN:
      // The key reached KeyDown as the control's own message already, and
      // a key cleared there never got this far.
      return true;
    case LVN_BEGINLABELEDITW:
      BeginLabelEdit(reinterpret_cast<NMLVDISPINFOW*>(header), result);
      return true;
    case LVN_ENDLABELEDITW:
      // The caption is ours, set in EditEnded; the control keeps asking
      // for it, so it is told to store nothing.
      result = FALSE;
      EndLabelEdit(reinterpret_cast<NMLVDISPINFOW*>(header));
      return true;
    case LVN_GETDISPINFOW:
      GetDispInfo(reinterpret_cast<NMLVDISPINFOW*>(header));
      return true;
    case LVN_ITEMCHANGED:
      if (!placing_rows_) ItemChanged(*reinterpret_cast<NMLISTVIEW*>(header));
      return true;
    case LVN_ODSTATECHANGED:
      if (!placing_rows_) {
        const auto* nm = reinterpret_cast<NMLVODSTATECHANGE*>(header);
        StateRangeChanged(nm->iFrom, nm->iTo, nm->uOldState, nm->uNewState);
      }
      return true;
    case LVN_ODFINDITEMW: {
      // Typing a name's first letters in the control.
      const auto* nm = reinterpret_cast<NMLVFINDITEMW*>(header);
      result = FindItem(nm->iStart - 1, nm->lvfi);
      return true;
    }
    case LVN_DELETEITEM:
      // Every row had its notice before the control was asked to delete it.
      return true;
    case LVN_DELETEALLITEMS:
      ReleaseAllRows();
      result = TRUE;
      return true;
    case LVN_COLUMNCLICK: {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(header);
      if (nm->iSubItem >= 0 && nm->iSubItem < columns_.Count()) ColClick(columns_[nm->iSubItem]);
      return true;
    }
    case NM_CLICK:
      Raise(OnClick, this);
      return false;
    case NM_DBLCLK:
      Raise(OnDblClick, this);
      return false;
  }
  return false;
}

// A change of one row names it; a change of every row at once (selecting or
// clearing them all) is one change of the list, with no row: the handlers
// of a large folder's select-all would otherwise run once per row. Only a
// handler of selections asks for every row that changed.
void TCustomListView::ItemChanged(const NMLISTVIEW& change) {
  const bool selection =
      (change.uChanged & LVIF_STATE) && ((change.uNewState ^ change.uOldState) & LVIS_SELECTED);
  if (change.iItem >= 0) {
    if (TListItem* item = RowAt(change.iItem)) {
      Change(item, change.uChanged);
      if (selection) Raise(OnSelectItem, this, item);
    }
    return;
  }
  Change(nullptr, change.uChanged);
  if (!selection || !OnSelectItem || !selection_before_) return;
  const bool selected = (change.uNewState & LVIS_SELECTED) != 0;
  const std::vector<char>& before = *selection_before_;
  for (size_t i = 0; i < rows_.size() && i < before.size(); ++i)
    if ((before[i] != 0) != selected) Raise(OnSelectItem, this, rows_[i].get());
}

// A range of rows changed state together (a shift-click, say).
void TCustomListView::StateRangeChanged(int from, int to, UINT old_state, UINT new_state) {
  Change(nullptr, LVIF_STATE);
  if (!((old_state ^ new_state) & LVIS_SELECTED) || !OnSelectItem) return;
  for (int i = std::max(from, 0); i <= to; ++i)
    if (TListItem* item = RowAt(i)) Raise(OnSelectItem, this, item);
}

// The first row after `start` (or from the first row, when -1) whose
// caption is the text, or begins with it; LVFI_PARAM looks for a row's item.
int TCustomListView::FindItem(int start, const LVFINDINFOW& find) const {
  if (find.flags & LVFI_PARAM) return FindParam(find.lParam, start);
  if (!(find.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.psz) return -1;
  const bool partial = (find.flags & LVFI_PARTIAL) != 0;
  const TListItem* row =
      FindCaption(start, find.psz, partial, false, (find.flags & LVFI_WRAP) != 0);
  return row ? row->index_ : -1;
}

// Marks set through the control's own message are the rows' own, as those
// set through TListItem.
bool TCustomListView::SetKeptStates(int index, UINT state, UINT mask) {
  if (index >= 0) {
    TListItem* row = RowAt(index);
    if (!row) return false;
    row->SetState(state, mask & kKeptStates);
    return true;
  }
  for (auto& row : rows_) row->SetKeptState(state, mask & kKeptStates);
  InvalidateRect(Handle(), nullptr, FALSE);
  return true;
}

// Sorts for whoever sends the control its sort message, with the caller's
// callback: by the rows' lParams (their TListItems), or by their places
// before the sort.
bool TCustomListView::SortForCaller(WPARAM param, LPARAM callback, bool by_index) {
  auto* compare = reinterpret_cast<PFNLVCOMPARE>(callback);
  if (!compare) return false;
  return CustomSort([&](TListItem* a, TListItem* b) {
    return by_index ? compare(a->index_, b->index_, static_cast<LPARAM>(param))
                    : compare(reinterpret_cast<LPARAM>(a), reinterpret_cast<LPARAM>(b),
                              static_cast<LPARAM>(param));
  });
}

LRESULT TCustomListView::WndProc(UINT msg, WPARAM wparam, LPARAM lparam) {
  if (count_pending_ && msg != WM_SETREDRAW) SyncCount();
  if (hiding_from_control_ && (msg == WM_STYLECHANGING || msg == WM_STYLECHANGED)) return 0;
  switch (msg) {
    case LVM_SORTITEMS:
      return SortForCaller(wparam, lparam, false);
    case LVM_SORTITEMSEX:
      return SortForCaller(wparam, lparam, true);
    case LVM_INSERTITEMA:
    case LVM_INSERTITEMW:
      // Rows are made through Items().Add(), which gives each its TListItem.
      return -1;
    case LVM_SETITEMCOUNT:
      // The count is ours to set; to others it makes room for that many.
      if (static_cast<int>(wparam) > 0) rows_.reserve(wparam);
      return TRUE;
    case LVM_DELETEITEM:
      return DeleteRowAt(static_cast<int>(wparam));
    case LVM_DELETEALLITEMS:
      ReleaseAllRows();
      CallControl(msg, 0, 0);
      return TRUE;
    case LVM_SETITEMSTATE: {
      auto* item = reinterpret_cast<LVITEMW*>(lparam);
      if (!item || !(item->stateMask & kKeptStates)) break;
      if (!SetKeptStates(static_cast<int>(wparam), item->state, item->stateMask)) return FALSE;
      LVITEMW rest = *item;
      rest.stateMask &= ~kKeptStates;
      return rest.stateMask ? CallControl(msg, wparam, reinterpret_cast<LPARAM>(&rest)) : TRUE;
    }
    case LVM_GETITEMA:
    case LVM_GETITEMW: {
      const LRESULT result = TWinControl::WndProc(msg, wparam, lparam);
      auto* item = reinterpret_cast<LVITEMW*>(lparam);
      if (result && item && (item->mask & LVIF_PARAM))
        item->lParam = reinterpret_cast<LPARAM>(RowAt(item->iItem));
      return result;
    }
    case LVM_FINDITEMA:
    case LVM_FINDITEMW: {
      // LVFINDINFOA and LVFINDINFOW differ only in their string's type.
      auto* find = reinterpret_cast<LVFINDINFOW*>(lparam);
      if (find && (find->flags & LVFI_PARAM))
        return FindParam(find->lParam, static_cast<int>(wparam));
      if (find && msg == LVM_FINDITEMW) return FindItem(static_cast<int>(wparam), *find);
      break;
    }
    case LVM_CANCELEDITLABEL:
      if (editing_) edit_cancelled_ = true;
      break;
    case WM_DESTROY:
      editing_ = false;
      editing_row_ = nullptr;
      editor_watch_.reset();
      ReleaseAllRows();
      break;
  }
  return TWinControl::WndProc(msg, wparam, lparam);
}

// The one place where a notice's row is named: every lParam the control
// hands out in a notice is rewritten from the row's place, so whoever reads
// it, here or in a derived class, meets the row that is there now.
void TCustomListView::RowParams(NMHDR* header) const {
  const auto param_at = [this](int index) { return reinterpret_cast<LPARAM>(RowAt(index)); };
  switch (header->code) {
    case LVN_ITEMCHANGING:
    case LVN_ITEMCHANGED:
    case LVN_INSERTITEM:
    case LVN_DELETEITEM:
    case LVN_BEGINDRAG:
    case LVN_BEGINRDRAG:
    case LVN_HOTTRACK:
    case LVN_ITEMACTIVATE:
    case NM_CLICK:
    case NM_DBLCLK:
    case NM_RCLICK:
    case NM_RDBLCLK: {
      // NMITEMACTIVATE begins as NMLISTVIEW does, lParam included.
      auto* nm = reinterpret_cast<NMLISTVIEW*>(header);
      nm->lParam = param_at(nm->iItem);
      break;
    }
    case LVN_GETDISPINFOW:
    case LVN_SETDISPINFOW:
    case LVN_BEGINLABELEDITW:
    case LVN_ENDLABELEDITW: {
      auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
      info->item.lParam = param_at(info->item.iItem);
      break;
    }
    case LVN_GETINFOTIPW: {
      auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(header);
      tip->lParam = param_at(tip->iItem);
      break;
    }
    case NM_CUSTOMDRAW: {
      auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
      if (draw->nmcd.dwDrawStage & CDDS_ITEM)
        draw->nmcd.lItemlParam = param_at(static_cast<int>(draw->nmcd.dwItemSpec));
      break;
    }
  }
}

bool TCustomListView::HandleReflected(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  if (msg != WM_NOTIFY) return false;
  auto* header = reinterpret_cast<NMHDR*>(lparam);
  // The header's notices pass through the list to its parent too.
  if (HandleAllocated() && header->hwndFrom == Handle()) RowParams(header);
  return OnNotify(header, result);
}

}  // namespace wf
