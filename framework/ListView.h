#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Alignment.h"
#include "framework/Control.h"
#include "framework/ImageList.h"

namespace wf {

class TCustomListView;

enum class TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
enum class TItemChange { ctText, ctImage, ctState };
// Which part of a row a rectangle covers; drSelectBounds is the icon and
// the label together, what the selection highlights.
enum class TDisplayCode { drBounds, drIcon, drLabel, drSelectBounds };

// One row. It lives exactly as long as its row: made when the row is added
// and freed right after its deletion notice. The control holds no rows of
// its own (it asks the list for everything by place), yet to anyone asking
// it, and in every notice it sends, a row's lParam is its TListItem.
class TListItem {
 public:
  TCustomListView* Owner() const { return owner_; }

  // A caption may be left pending: it is then fetched from the owner the
  // first time anyone (the control included) reads it.
  const std::wstring& Caption() const;
  void SetCaption(std::wstring caption);
  void SetCaptionPending();
  bool CaptionKnown() const { return caption_known_; }

  const std::vector<std::wstring>& SubItems() const { return sub_items_; }
  void SetSubItems(std::vector<std::wstring> texts);
  void AddSubItem(std::wstring text);

  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int index);
  int StateIndex() const { return state_index_; }
  void SetStateIndex(int index);
  int OverlayIndex() const { return overlay_index_; }
  void SetOverlayIndex(int index);
  void* Data() const { return data_; }
  void SetData(void* data) { data_ = data; }

  int Index() const;
  bool Selected() const;
  void SetSelected(bool selected);
  bool Focused() const;
  void SetFocused(bool focused);
  bool Cut() const;
  void SetCut(bool cut);
  // Highlighted as where a drag would drop.
  bool DropTarget() const { return drop_target_; }
  void SetDropTarget(bool target);
  void MakeVisible(bool partial_ok);
  void Update();
  // Drawn again, as it is: Wine's auto-arranged control does not draw a row
  // again for Update alone.
  void Redraw();
  void Delete();
  // Opens the control's editor on the caption (the list takes the focus);
  // true when editing began.
  bool EditCaption();
  // In the control's client coordinates; empty when the row is not shown.
  RECT DisplayRect(TDisplayCode code) const;

 private:
  friend class TCustomListView;
  friend class TListItems;
  explicit TListItem(TCustomListView* owner) : owner_(owner) {}
  void SetState(UINT state, UINT mask);
  // Sets the marks the row keeps (LVIS_CUT, the overlay and state images).
  void SetKeptState(UINT state, UINT mask);
  bool HasState(UINT state) const;
  // The states that belong to the row wherever it stands, as last set.
  UINT KeptState() const;

  // A large folder holds one of these per object, so the small fields are
  // packed together: 88 bytes a row, where the plain layout of ints took
  // 104, 16 of the list's 231 heap bytes a row at 50,000 rows (bench/run.sh
  // --measures memory).
  int index_ = -1;  // the row's place, -1 once deleted
  int image_index_ = -1;
  // State and overlay images are 4-bit indexes in the control's state.
  signed char state_index_ = -1;
  signed char overlay_index_ = -1;
  bool cut_ = false;
  bool drop_target_ = false;
  mutable bool caption_known_ = true;
  std::vector<std::wstring> sub_items_;
  void* data_ = nullptr;
  TCustomListView* owner_;
  mutable std::wstring caption_;
};

class TListItems {
 public:
  explicit TListItems(TCustomListView* owner) : owner_(owner) {}
  int Count() const;
  TListItem* operator[](int index) const { return Item(index); }
  TListItem* Item(int index) const;
  // Appends a row whose text and image the control asks for on demand.
  TListItem* Add();
  // Makes room for this many rows in all, before they are added.
  void Reserve(int count);
  void Delete(int index);
  void Clear();
  void BeginUpdate();
  void EndUpdate();

 private:
  TCustomListView* owner_;
  int update_count_ = 0;
};

// A list's update bracket (TListItems::BeginUpdate/EndUpdate), closed on
// every way out.
class ListUpdateScope {
 public:
  explicit ListUpdateScope(TListItems& items) : items_(items) { items_.BeginUpdate(); }
  ~ListUpdateScope() { items_.EndUpdate(); }
  ListUpdateScope(const ListUpdateScope&) = delete;
  ListUpdateScope& operator=(const ListUpdateScope&) = delete;

 private:
  TListItems& items_;
};

class TListColumn {
 public:
  const std::wstring& Caption() const { return caption_; }
  void SetCaption(std::wstring caption);
  int Width() const;
  void SetWidth(int width);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  int Index() const { return index_; }

 private:
  friend class TListColumns;
  TListColumn(TCustomListView* owner, int index) : owner_(owner), index_(index) {}
  void Apply(UINT mask) const;

  TCustomListView* owner_;
  int index_;
  std::wstring caption_;
  int width_ = 50;
  TAlignment alignment_ = TAlignment::taLeftJustify;
};

class TListColumns {
 public:
  explicit TListColumns(TCustomListView* owner) : owner_(owner) {}
  int Count() const { return static_cast<int>(columns_.size()); }
  TListColumn* operator[](int index) const { return columns_.at(index).get(); }
  TListColumn* Add();
  void Delete(int index);
  void Clear();
  void BeginUpdate();
  void EndUpdate();

 private:
  friend class TCustomListView;
  void Recreate();
  void KeepWidths();
  TCustomListView* owner_;
  std::vector<std::unique_ptr<TListColumn>> columns_;
};

using TLVChangeEvent = std::function<void(TObject* sender, TListItem* item, TItemChange change)>;
using TLVNotifyEvent = std::function<void(TObject* sender, TListItem* item)>;
using TLVColumnClickEvent = std::function<void(TObject* sender, TListColumn* column)>;
using TLVEditingEvent = std::function<void(TObject* sender, TListItem* item, bool& allow_edit)>;
using TLVEditedEvent = std::function<void(TObject* sender, TListItem* item, std::wstring& text)>;
using TLVCompareEvent = std::function<void(TObject* sender, TListItem* item1, TListItem* item2,
                                           int data, int& compare)>;
// Drawing: clearing `default_draw` leaves the control's own drawing out;
// `state` holds the row's CDIS_* flags.
enum class TCustomDrawStage { cdPrePaint, cdPostPaint, cdPreErase, cdPostErase };
using TLVCustomDrawEvent =
    std::function<void(TObject* sender, const RECT& rect, bool& default_draw)>;
using TLVCustomDrawItemEvent =
    std::function<void(TObject* sender, TListItem* item, UINT state, bool& default_draw)>;
using TLVAdvancedCustomDrawItemEvent = std::function<void(
    TObject* sender, TListItem* item, UINT state, TCustomDrawStage stage, bool& default_draw)>;
using TLVInfoTipEvent =
    std::function<void(TObject* sender, TListItem* item, std::wstring& info_tip)>;

// The platform's list view with one TListItem per row. The control is made
// to hold no rows (a virtual list: it keeps a count, the selection, the
// focus and the selection mark, and asks for everything else by place), so
// a large folder costs it next to nothing per row and selecting or deleting
// many rows is one range, not one notice per row. The list keeps its rows
// in display order itself and sorts them without the control's sort: it
// reorders its own vector and has the control redraw. Texts, images and the
// cut, overlay and state-image marks are asked for by place, so they follow
// at once; what the control keeps by place the sort carries to the rows'
// new places.
// The common controls' version as major * 100 + minor (580 for 5.80).
int CommonControlsVersion();

class TCustomListView : public TWinControl {
 public:
  explicit TCustomListView(TComponent* owner);
  ~TCustomListView() override;

  TListItems& Items() { return items_; }
  TListColumns& Columns() { return columns_; }

  TViewStyle ViewStyle() const { return view_style_; }
  virtual void SetViewStyle(TViewStyle style);
  bool MultiSelect() const { return multi_select_; }
  void SetMultiSelect(bool value);
  bool ReadOnly() const { return read_only_; }
  virtual void SetReadOnly(bool value);
  bool HideSelection() const { return hide_selection_; }
  void SetHideSelection(bool value);
  bool RowSelect() const { return row_select_; }
  void SetRowSelect(bool value);
  bool AutoArrange() const { return auto_arrange_; }
  void SetAutoArrange(bool value);
  void SetColor(TColor color) override;
  HIMAGELIST SmallImages() const { return small_images_; }
  void SetSmallImages(HIMAGELIST images);
  HIMAGELIST LargeImages() const { return large_images_; }
  void SetLargeImages(HIMAGELIST images);
  // The images of the rows' state (check boxes); forgotten when freed, and
  // given again to a window made anew.
  TCustomImageList* StateImages() const { return state_images_; }
  void SetStateImages(TCustomImageList* images);
  // The control's own background picture; whether it took it.
  bool SetBackgroundPicture(LVBKIMAGEW& image);
  // Behind the rows' texts; CLR_NONE lets a background picture show.
  void SetTextBackground(COLORREF color);
  // Every row asks for its image again when next drawn; one redraw.
  void ResetImageIndexes();

  int SelCount();
  TListItem* Selected();
  TListItem* ItemFocused();
  void ClearSelection();
  virtual void SelectAll();
  TListItem* TopItem();
  // Scrolls the rows (in the report and list views) so that `item` is the
  // first one shown, or as near to it as the list's end allows.
  void SetTopItem(TListItem* item);
  int VisibleRowCount();
  // Deletes these rows (in any order; each once) inside one update bracket.
  // Every row gets its deletion notice from the last place back, standing
  // in its place; the rows close up once, at the end, so removing many rows
  // of a large list costs one pass. Meanwhile deletion handlers see every
  // row in its old place, and a row whose notice is done answers -1 for its
  // Index(). The selection, focus and selection mark stay with the rows
  // that remain.
  void DeleteRows(std::vector<TListItem*> rows);
  // Sorts all rows with the comparison, stably. A comparison that throws
  // leaves the rows as they were and the exception goes on to the caller.
  bool CustomSort(const std::function<int(TListItem*, TListItem*)>& compare);

  // A caption is being edited in place.
  bool IsEditing() const { return editing_; }
  // The row whose caption is being edited, wherever sorts and deletions of
  // other rows have moved it; null when no edit is open, or once that row
  // has gone (the edit is then cancelled).
  TListItem* EditingRow() const { return editing_row_; }
  // The first row from `start` on whose caption is `text` (or begins with
  // it, when partial), compared without regard to case; `inclusive` takes
  // the row at `start` itself in, `wrap` goes on from the first row.
  TListItem* FindCaption(int start, const std::wstring& text, bool partial, bool inclusive,
                         bool wrap) const;
  // The row under a point of the client area, or null.
  TListItem* GetItemAt(int x, int y);

  TLVChangeEvent OnChange;
  TLVNotifyEvent OnDeletion;
  TLVColumnClickEvent OnColumnClick;
  TLVCompareEvent OnCompare;
  TLVNotifyEvent OnSelectItem;
  TLVEditingEvent OnEditing;
  TLVEditedEvent OnEdited;
  // While a row is drawn: the font colour set on the canvas is the one its
  // text is drawn in.
  TCanvas& Canvas() { return canvas_; }
  TLVCustomDrawEvent OnCustomDraw;
  TLVCustomDrawItemEvent OnCustomDrawItem;
  TLVAdvancedCustomDrawItemEvent OnAdvancedCustomDrawItem;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  // The selected rows in their order, asked of the control directly rather
  // than by a message per row through the window; none without a window.
  std::vector<TListItem*> SelectedRows();
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  bool HandleReflected(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
  LRESULT WndProc(UINT msg, WPARAM wparam, LPARAM lparam) override;

  // Whether the control is asked to tell of each row it draws.
  virtual bool CustomDrawsItems() const;
  // Before a row is drawn (the canvas holds its colour): raises the item
  // events; false leaves the control's own drawing out.
  virtual bool CustomDrawItem(TListItem* item, UINT state, TCustomDrawStage stage);
  // The row changed its text, image or state (LVIF_* flags in `changed`).
  virtual void Change(TListItem* item, UINT changed);
  // The row is being deleted; the TListItem is freed right after.
  virtual void Delete(TListItem* item);
  virtual void ColClick(TListColumn* column);
  // May the row's caption be edited: not in a read-only list, nor when an
  // OnEditing handler refuses.
  virtual bool CanEdit(TListItem* item);
  // Editing ended with the new caption, or with null when it was cancelled
  // (then nothing is raised); `item` is null when the edited row has gone. Raises OnEdited, which
  // may change the text, and makes the text the row's caption.
  virtual void EditEnded(TListItem* item, std::wstring* text);
  // The control asks a row for its image: the place to fetch row data late.
  virtual void GetImageIndex(TListItem* item) {}
  // A pending caption is read for the first time: its text.
  virtual std::wstring ResolveCaption(TListItem* item) { return {}; }
  virtual bool OnNotify(NMHDR* header, LRESULT& result);
  // Reorders the rows: the row at place from[i] goes to place i. For sorts
  // that prepare their keys themselves; anything but a reordering of all
  // rows is ignored.
  void PlaceRows(const std::vector<size_t>& from);
  // Marks a sort of the rows that points at their texts: texts a compare
  // handler replaces meanwhile stay alive until the sort ends.
  class SortingScope {
   public:
    explicit SortingScope(TCustomListView& list) : list_(list) { ++list_.sorting_; }
    ~SortingScope() {
      if (--list_.sorting_ == 0) list_.retired_sub_items_.clear();
    }
    SortingScope(const SortingScope&) = delete;
    SortingScope& operator=(const SortingScope&) = delete;

   private:
    TCustomListView& list_;
  };
  // Calls `visit(row, place)` for every row in display order. `visit` must
  // not add, delete or move rows.
  template <class Visit>
  void ForEachRow(Visit&& visit) const {
    for (size_t i = 0, n = rows_.size(); i < n; ++i) {
      visit(rows_[i].get(), i);
    }
  }

 private:
  friend class TListItem;
  friend class TListItems;
  friend class TListColumn;
  friend class TListColumns;
  void GetDispInfo(NMLVDISPINFOW* info);
  LRESULT CallControl(UINT msg, WPARAM wparam, LPARAM lparam) {
    if (count_pending_) SetControlCount();
    return DefaultHandler(msg, wparam, lparam);
  }
  DWORD ListStyle() const;
  void ApplyStyle();
  TListItem* RowAt(int index) const;
  void RowParams(NMHDR* header) const;
  int FindParam(LPARAM param, int after) const;
  // The control learns the rows' count when it may need it, not on every
  // row a fill adds inside an update bracket.
  void SyncCount();
  void SetControlCount();
  // Ends an update bracket: the control lays itself out for its rows, and
  // what changed is drawn once, by the next paint.
  void ResumeRedraw();
  bool ScrollBarsWillChange();
  LRESULT DeleteRowAt(int index);
  void NoticeDeletion(TListItem* row);
  void CloseUpDeletedRows();
  void ReleaseAllRows();
  void ItemChanged(const NMLISTVIEW& change);
  void StateRangeChanged(int from, int to, UINT old_state, UINT new_state);
  int FindItem(int start, const LVFINDINFOW& find) const;
  bool SetKeptStates(int index, UINT state, UINT mask);
  template <class OnPlace>
  void ForEachSelectedPlace(OnPlace&& on_place);
  void SetEveryRowSelected(bool selected);
  bool SortForCaller(WPARAM param, LPARAM callback, bool by_index);
  void BeginLabelEdit(NMLVDISPINFOW* info, LRESULT& result);
  // A row is going: an edit of its caption ends, renaming nothing.
  void ForgetEditedRow(TListItem* row);
  // Rows moved: the editor, which the control leaves at the place it was
  // opened at, goes where its row is now, over the caption it renames.
  void FollowEditedRow();
  void EndLabelEdit(NMLVDISPINFOW* info);
  bool WatchEditorKey(UINT msg, WPARAM wparam);
  LRESULT CustomDraw(NMLVCUSTOMDRAW& draw);

  // What a row keeps wherever it stands, and the control asks the row for:
  // a list of our kind keeps nothing per row but selection and focus, which
  // belong to the row's place in the control, so every other mark (the drop
  // highlight too) is the row's own and answered when the control asks.
  static constexpr UINT kKeptStates =
      LVIS_CUT | LVIS_DROPHILITED | LVIS_OVERLAYMASK | LVIS_STATEIMAGEMASK;

  TListItems items_;
  TListColumns columns_;
  TCanvas canvas_;
  // The rows in the control's order.
  std::vector<std::unique_ptr<TListItem>> rows_;
  int sorting_ = 0;
  std::vector<std::vector<std::wstring>> retired_sub_items_;
  // Set while a sort carries states to the rows' new places: the control's
  // change notices then tell of moves, not changes.
  bool placing_rows_ = false;
  // Rows added inside an update bracket the control has not been told of.
  bool count_pending_ = false;
  // Set while ResumeRedraw flips the window's visibility behind the
  // control's back: the control must not hear of it.
  bool hiding_from_control_ = false;
  // While DeleteRows runs, rows stay in their places until its end; those
  // whose notice is done are left with place -1.
  bool deleting_rows_ = false;
  bool deleted_in_batch_ = false;
  // While the list selects or clears every row: which rows were selected.
  const std::vector<char>* selection_before_ = nullptr;
  // Rows whose deletion notice is running: asked to go again meanwhile,
  // they are not noticed twice.
  std::vector<TListItem*> in_deletion_;
  // Working memory of PlaceRows (two bytes a row), kept from one sort to
  // the next, as the sorts keep theirs: fresh blocks come as new pages, and
  // a text sort of 50,000 rows took 8 ms with them kept and 29 ms
  // with fresh ones (and rows laid out plainly; bench/run.sh --measures sorts).
  struct PlacingScratch {
    std::vector<char> seen, was_selected;
  } placing_scratch_;
  // Set while the control asks a row for its text or image: what the row
  // learns then is answered at once, with no redraw of its own.
  bool answering_display_info_ = false;
  TViewStyle view_style_ = TViewStyle::vsIcon;
  bool multi_select_ = false;
  bool read_only_ = false;
  bool hide_selection_ = true;
  bool row_select_ = false;
  bool auto_arrange_ = false;
  HIMAGELIST small_images_ = nullptr;
  HIMAGELIST large_images_ = nullptr;
  TCustomImageList* state_images_ = nullptr;
  bool editing_ = false;
  // The edit belongs to this row, not to a place: rows before it may go and
  // sorts may move it while the editor is open.
  TListItem* editing_row_ = nullptr;
  // Wine's control reports the typed text when an edit is cancelled, as if
  // it were committed: the list notes the cancel itself.
  bool edit_cancelled_ = false;
  std::unique_ptr<WindowSubclass> editor_watch_;
};

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

}  // namespace wf
