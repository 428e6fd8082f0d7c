// The list view: its window, styles, selection, the control's count and
// drawing, its notices and the messages it answers for its rows.
#include "framework/ListView.h"

#include <shlwapi.h>

#include <algorithm>
#include <climits>
#include <utility>

#include "framework/Application.h"
#include "framework/ScopedValue.h"
#include "framework/StableSort.h"
#include "framework/Strings.h"

namespace wf {
namespace {

// Telling the control a new count redraws only the rows in view and leaves
// the scroll position alone: rows are only ever added at the end.
constexpr LPARAM kCountFlags = LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL;

}  // namespace

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
  if (state_images_)
    SendMessageW(hwnd, LVM_SETIMAGELIST, LVSIL_STATE,
                 reinterpret_cast<LPARAM>(state_images_->Handle()));
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

int CommonControlsVersion() {
  HMODULE library = GetModuleHandleW(L"comctl32.dll");
  const auto get_version = library ? reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(
                                         GetProcAddress(library, "DllGetVersion")))
                                   : nullptr;
  DLLVERSIONINFO info{sizeof(info)};
  if (!get_version || FAILED(get_version(&info))) return 0;
  return static_cast<int>(info.dwMajorVersion * 100 + info.dwMinorVersion);
}

void TCustomListView::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == state_images_) SetStateImages(nullptr);
}

void TCustomListView::SetStateImages(TCustomImageList* images) {
  if (images == state_images_) return;
  if (state_images_) RemoveFreeNotification(state_images_);
  state_images_ = images;
  if (state_images_) FreeNotification(state_images_);
  if (HandleAllocated())
    SendMessageW(Handle(), LVM_SETIMAGELIST, LVSIL_STATE,
                 reinterpret_cast<LPARAM>(images ? images->Handle() : nullptr));
}

bool TCustomListView::SetBackgroundPicture(LVBKIMAGEW& image) {
  return HandleAllocated() &&
         SendMessageW(Handle(), LVM_SETBKIMAGEW, 0, reinterpret_cast<LPARAM>(&image)) != 0;
}

void TCustomListView::SetTextBackground(COLORREF color) {
  if (HandleAllocated()) SendMessageW(Handle(), LVM_SETTEXTBKCOLOR, 0, color);
}

void TCustomListView::ResetImageIndexes() {
  for (int i = 0, n = items_.Count(); i < n; ++i) items_[i]->image_index_ = -1;
  if (HandleAllocated()) InvalidateRect(Handle(), nullptr, TRUE);
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
    case NM_CUSTOMDRAW:
      result = CustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(header));
      return true;
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
