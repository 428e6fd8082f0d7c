#pragma once

#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/ListView.h"
#include "framework/StringList.h"
#include "framework/Strings.h"
#include "framework/Timer.h"
#include "shell/core/Dirwalker.h"
#include "shell/core/IdList.h"
#include "shell/core/ShellItemQuery.h"
#include "shell/core/ShellOperations.h"
#include "shell/core/SpecialFolders.h"
#include "shell/core/SystemImageList.h"
#include "shell/notify/DirectoryWatch.h"
#include "shell/notify/ShellChangeNotifier.h"

namespace wf {

// The record every row of a shell list carries, owned by its row.
class TKivShellListItem {
 public:
  ChildIdList ItemId;  // none for the parent-folder entry
  int32_t Present = 1;
  bool IsParentEntry = false;
  // Set by the list's own cut command only: a row ghosted for being hidden is
  // not on its way elsewhere, so its object vanishing is no move.
  bool Cut = false;
  bool Compressed = false;
  bool Encrypted = false;
};

using TOnAddItem = std::function<void(TListItem* item, bool& can_add)>;

// A list view of one folder of the shell namespace: files, folders, drives
// and other shell items. It owns a folder object bound to the shown folder,
// which enumerates the folder and carries out the operations it is given;
// the rows ask about their objects through a query of the folder they were
// filled from, so that nothing a row asks moves the folder object.
class TKivShellList : public TCustomListView {
 public:
  explicit TKivShellList(TComponent* owner);
  ~TKivShellList() override;

  // Folder and listing options; each change refills the list.
  std::wstring Path() const;
  void SetPath(const std::wstring& path);
  TKivShellFolder SpecialFolder() const;
  void SetSpecialFolder(TKivShellFolder folder);
  std::wstring Filter() const { return dirwalker_->Filter(); }
  void SetFilter(const std::wstring& filter);
  bool FileSystemOnly() const { return dirwalker_->FileSystemOnly(); }
  void SetFileSystemOnly(bool value);
  bool Details() const { return details_; }
  void SetDetails(bool value);
  bool ShowFolders() const { return show_folders_; }
  void SetShowFolders(bool value);
  bool ShowParentFolder() const { return show_parent_folder_; }
  void SetShowParentFolder(bool value);

  bool ShowNethood() const { return Option(kShowNethood); }
  void SetShowNethood(bool value) { SetOption(kShowNethood, value); }
  bool ShowRecycleBin() const { return Option(kShowRecycleBin); }
  void SetShowRecycleBin(bool value) { SetOption(kShowRecycleBin, value); }
  bool ShowErrorMessages() const { return Option(kShowErrorMessages); }
  void SetShowErrorMessages(bool value) { SetOption(kShowErrorMessages, value); }
  bool ShowHidden() const { return Option(kShowHidden); }
  void SetShowHidden(bool value) { SetOption(kShowHidden, value); }
  bool ShowFiles() const { return Option(kShowFiles); }
  void SetShowFiles(bool value) { SetOption(kShowFiles, value); }
  bool ShowContextMenuOnTop() const { return Option(kShowContextMenuOnTop); }
  void SetShowContextMenuOnTop(bool value) { SetOption(kShowContextMenuOnTop, value); }
  bool ColorCompressed() const { return Option(kColorCompressed); }
  void SetColorCompressed(bool value) { SetOption(kColorCompressed, value); }
  bool ColorEncrypted() const { return Option(kColorEncrypted); }
  void SetColorEncrypted(bool value) { SetOption(kColorEncrypted, value); }
  bool NoFillOnStartup() const { return Option(kNoFillOnStartup); }
  void SetNoFillOnStartup(bool value) { SetOption(kNoFillOnStartup, value); }

  void SetViewStyle(TViewStyle style) override;
  bool Thumbnails() const { return thumbnails_; }
  void SetThumbnails(bool value) { thumbnails_ = value; }
  bool UseSystemFont() const { return use_system_font_; }
  void SetUseSystemFont(bool value);
  bool AutomaticRefresh() const { return automatic_refresh_; }
  void SetAutomaticRefresh(bool value);
  bool ShellContextMenu() const { return shell_context_menu_; }
  void SetShellContextMenu(bool value) { shell_context_menu_ = value; }
  bool OleDragDrop() const { return ole_drag_drop_; }
  void SetOleDragDrop(bool value) { ole_drag_drop_ = value; }
  void SetReadOnly(bool value) override;
  std::wstring Version() const;

  // Operations. A fill asked for while a fill runs (by a handler of its
  // events) runs once after it: asked for while the columns or rows are
  // made, in place of the running fill's closing events; asked for by those
  // events, after them.
  void Populate();
  // The names of the selected objects; changing the list selects by name.
  TStringList& SelectedNames();
  // The row of that very object (see ShellItemQuery::Identity), or -1.
  int IndexOfItemId(PCUITEMID_CHILD id);
  TListItem* FindItemById(PCUITEMID_CHILD id);
  int SelectItemById(PCUITEMID_CHILD id);
  std::wstring ItemPath(TListItem* item);
  // Owned by the list: the shown folder's id list, kept until the next fill.
  PCIDLIST_ABSOLUTE FolderIdList();
  TDirwalker& Dirwalker() { return *dirwalker_; }
  TKivSystemImageList& SmallSystemImages() { return *small_image_list_; }
  TKivSystemImageList& LargeSystemImages() { return *large_image_list_; }
  static TKivShellListItem* RecordOf(TListItem* item);

  // Columns and sorting.
  virtual void CreateColumns();
  void SortByColumn(int column);
  void SortItems();
  void UpdateSortArrows();
  int SortColumn() const { return sort_column_; }
  bool SortDescending() const { return descending_; }
  int ShellColumnCount() const { return shell_column_count_; }

  // Reporting what happened to files. With sopDelete the selected rows
  // whose objects are really gone leave the list first (the parent entry
  // never does); then OnOperation hears of `files`, when there are any.
  void ReportOperation(TKivShellOperations operations, std::unique_ptr<TStringList> files,
                       const std::wstring& destination);
  // Removes these rows, in any order, within one update bracket.
  void RemoveRows(std::vector<TListItem*> rows);
  TOnOperation OnOperation;

  // Renaming in place. EditSelected opens the selected row's name for
  // editing; false with no selection or when the row may not be renamed.
  // AssignRenameHook has the folder object's "rename" verb call it, or
  // clears that hook in a read-only list.
  bool EditSelected();
  void AssignRenameHook();

  TNotifyEvent OnCreateColumns;
  TOnAddItem OnAddItem;
  TNotifyEvent OnPopulated;
  TNotifyEvent OnPathChanged;
  TLVNotifyEvent OnGetImageIndex;

 protected:
  void Loaded() override;
  void CreateWnd() override;
  void Change(TListItem* item, UINT changed) override;
  void Delete(TListItem* item) override;
  void ColClick(TListColumn* column) override;
  bool CanEdit(TListItem* item) override;
  void EditEnded(TListItem* item, std::wstring* text) override;
  void GetImageIndex(TListItem* item) override;
  std::wstring ResolveCaption(TListItem* item) override;
  LRESULT WndProc(UINT msg, WPARAM wparam, LPARAM lparam) override;
  void CreateParams(TCreateParams& params) override;
  // Columns, the sort marks and the icon-title font follow the density.
  void ChangeScale(int dpi) override;

 private:
  enum OptionBit : uint16_t {
    kShowNethood = 1 << 0,
    kShowRecycleBin = 1 << 1,
    kShowErrorMessages = 1 << 2,
    kShowHidden = 1 << 3,
    kShowFiles = 1 << 4,
    kShowContextMenuOnTop = 1 << 5,
    kColorCompressed = 1 << 6,
    kColorEncrypted = 1 << 7,
    kNoFillOnStartup = 1 << 8,
  };
  static constexpr uint16_t kDefaultOptions = kShowNethood | kShowRecycleBin | kShowFiles;
  static constexpr int kMaxColumns = 256;

  bool Option(uint16_t bit) const { return (options_ & bit) != 0; }
  void SetOption(uint16_t bit, bool value);
  void SetOptions(uint16_t options);

  // Population.
  bool AcceptObject();
  bool ObjectWanted();
  void AddObjectItem(bool details);
  void AddAcceptedObjects();
  TListItem* AddRow(ChildIdList id);
  void AddParentEntry();
  bool ShowsDesktop() const;
  void FillRows();
  void RestartEnumeration() noexcept;
  void GatherDetailTexts(TListItem* item, PCUITEMID_CHILD id);
  void GatherRowDetailTexts(TListItem* item);
  void UpdateItem(TListItem* item);

  // Selection.
  // The folder object's objects for its next request: these rows' objects,
  // by their own ids.
  void AssignSelectionToDirwalker();
  void AssignRowsToDirwalker(const std::vector<TListItem*>& rows);
  // The row of the object of that identity (ShellItemQuery::Identity in the
  // rows' folder), or null: how a row held across a message loop is found
  // again.
  TListItem* RowOfIdentity(const std::wstring& identity);
  std::vector<TListItem*> RowsOfIdentities(const std::vector<std::wstring>& identities);
  // An object's name as the folder object takes it: its name in the folder,
  // or its display name when it has none.
  std::wstring NameInFolder(PCUITEMID_CHILD id);
  void ReselectNames();
  void ClearSelectedNames();

  bool automatic_refresh_ = true;
  bool window_created_ = false;
  int shell_column_count_ = 0;
  bool details_ = true;
  bool show_folders_ = true;
  uint16_t options_ = kDefaultOptions;
  int sort_column_ = 0;
  bool descending_ = false;
  // Sort keys are small, so that the keys and the merge's working memory of
  // a large folder stay in the processor's cache; what a comparison seldom
  // needs is looked up by the row's old place.
  struct IdSortKey {
    PCUITEMID_CHILD id;
    uint32_t place;
  };
  // A row's value in the sorted column, for a shell whose comparison
  // ignores the column: a size or a last-write time as a number, else the
  // row's text.
  struct ValueSortKey {
    uint64_t number;
    const std::wstring* text;
    PCUITEMID_CHILD id;
    uint32_t place;
    bool folder;
  };
  struct SortScratch {
    std::vector<IdSortKey> ids, id_merging;
    std::vector<ValueSortKey> values, value_merging;
    std::vector<FoldedPrefix> texts, text_merging;  // tag: the row's old place
    std::vector<const std::wstring*> text_of;       // by old place
    std::vector<TListItem*> row_of;                 // by old place
    std::vector<size_t> from;
    // Whether the rows' folder is the file system's and its comparison
    // ignores the column: 0 until a sort asks, then 1 or -1. Learnt once
    // for each fill, and forgotten with its rows.
    signed char sorts_by_value = 0;
  } sort_scratch_;
  void SortByShellColumn(int shell_column, IShellFolder* folder);
  // Where the shell compares every column by name, a file-system folder's
  // rows sort by the column's value, folders first and the shell's name
  // order breaking ties, as the shell's own comparison would.
  bool SortsByValue(int shell_column);
  void SortByValue(int column, int shell_column, IShellFolder* folder);
  void SortByText(int column);
  // The parent-folder entry's row, so that a sort knows it without reading
  // every row's record.
  TListItem* parent_entry_ = nullptr;
  std::array<int, kMaxColumns> width_memory_{};
  // Each column's width at the design density, for as long as the column
  // shows it scaled: density changes back and forth then never drift.
  std::array<int, kMaxColumns> design_widths_{};
  std::array<int, kMaxColumns> column_map_{};
  bool widths_remembered_ = false;
  bool shell_context_menu_ = true;
  bool ole_drag_drop_ = true;
  bool suppress_ = false;
  std::unique_ptr<TStringList> selected_names_;
  bool show_parent_folder_ = false;
  TTimer* refresh_timer_ = nullptr;                  // owned as a component
  TKivSystemImageList* small_image_list_ = nullptr;  // owned as a component
  TKivSystemImageList* large_image_list_ = nullptr;  // owned as a component
  bool thumbnails_ = false;
  std::wstring pending_path_;
  DWORD population_tick_ = 0;
  bool use_system_font_ = true;
  TDirwalker* dirwalker_ = nullptr;  // owned as a component
  bool filling_ = false;
  // Raised from the start of a fill to the end of its closing events.
  bool populating_ = false;
  bool refill_requested_ = false;
  uint32_t fills_started_ = 0;

  // The header's sort marks, and the hook that puts them back after the
  // user has dragged a divider or pressed a header item.
  UniqueBitmap arrow_up_;
  UniqueBitmap arrow_down_;
  std::unique_ptr<WindowSubclass> header_hook_;
  void LoadArrowBitmaps();
  void HookHeader(HWND header);

  // The folder the rows' ids belong to, made at each fill, so that what a
  // row shows names its own object after the folder object has moved on.
  ShellItemQuery rows_;
  // The row being deleted and its record, which the row no longer holds.
  std::pair<TListItem*, TKivShellListItem*> deleting_{nullptr, nullptr};

  // Activation, navigation and keys (ShellListActivation.cpp).
 public:
  // Applies the verb to the selected rows: "default" opens folders and links
  // to folders inside the list and hands the rest to the shell; other verbs
  // run on the folder object, followed by the list's bookkeeping. True when
  // something was done.
  bool InvokeVerb(const std::wstring& verb);
  // Shows the parent folder (the desktop stays the desktop); always true.
  bool GoUp();

 protected:
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyPress(wchar_t& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  bool OpenSelected(const std::wstring& verb);
  bool DeleteSelected(bool permanently);

  // Automatic refresh and new folders (ShellListRefresh.cpp, ShellListEditing.cpp).
 public:
  // Brings the folder's present content into the rows without a refill:
  // objects that came are appended unsorted, rows of objects that went are
  // removed, selection, focus and scroll position stay. Rows the list's cut
  // command ghosted whose objects went are reported as moved away; rows of
  // objects whose size, date or attributes changed fetch what they show
  // again. A folder of more rows than a merge is worth is refilled keeping
  // its selected rows, focus and top row; while a caption is being edited
  // that refill waits for the edit's end. Does nothing while loading,
  // filling or without a window.
  virtual void MergeRefresh();
  // Merges (or, when the shown folder has gone, shows My Computer) 200 ms
  // from now; every restart puts that off again.
  void RestartRefreshTimer();
  // Creates the folder `name` ("New Folder" when empty) in the shown folder;
  // true when it was created. Names that would leave the shown folder, and
  // folders without a file-system path, create nothing. With `edit` the row
  // of that name (the new folder, or one already there) is selected and its
  // name opened for editing.
  bool CreateNewFolder(const std::wstring& name, bool edit);

 private:
  void RefreshTimerFired();
  void MergeRows();
  // What was asked for while a merge ran: a refill, the notices' deletions,
  // another merge.
  void RunWorkPutOffByMerge();
  bool merging_ = false;
  bool merge_again_ = false;
  bool refill_after_merge_ = false;
  std::vector<ChildIdList> deletions_after_merge_;
  // Counts the rows' deletions, so that whoever holds rows across a call
  // that may let messages through sees whether any went meanwhile.
  uint64_t rows_deleted_ = 0;
  void RefillKeepingSelection();
  // Scrolls the view so that `row` is its top row, as far as the rows allow.
  void ScrollToTop(TListItem* row);
  // SpecialFolder, asked of the platform once for each folder shown.
  TKivShellFolder ShownSpecialFolder();
  AbsoluteIdList special_folder_of_;
  TKivShellFolder shown_special_folder_ = SF_FILESYSTEMFOLDER;
  // Ghosts a row as the cut command's: see TKivShellListItem::Cut.
  void MarkCut(TListItem* item);
  // Where a merge meets a row whose object is still there: with thumbnails
  // shown, its picture may have to be made again.
  void RefreshRowPicture(TListItem* item);
  // Where a merge passes each row: with check boxes and a shell link, the
  // row's check state follows the link's selection list.
  void RefreshRowCheckState(TListItem* item);

  // Context menus and pasting (ShellListMenus.cpp).
 public:
  // Shown for a right-click outside every row; with none, such a click gets
  // the framework's handling (PopupMenu). Forgotten when it is freed.
  TPopupMenu* BackgroundPopupMenu() const { return background_popup_menu_; }
  void SetBackgroundPopupMenu(TPopupMenu* menu);
  // Kept by the folder object, which asks it before every shell verb.
  const TOnContextMenuSelectEvent& OnContextMenuSelect() const {
    return dirwalker_->OnContextMenuSelect;
  }
  void SetOnContextMenuSelect(TOnContextMenuSelectEvent handler) {
    dirwalker_->OnContextMenuSelect = std::move(handler);
  }
  // The shell's context menu of the selected rows, merged with PopupMenu, at
  // the screen point, followed by the list's bookkeeping for the verb that
  // ran. Answers that verb, or empty.
  std::wstring ShowItemMenu(POINT point);
  // BackgroundPopupMenu at the screen point; false when there is none.
  bool ShowBackgroundMenu(POINT point);
  // Runs the verb (in practice "paste") on the shown folder itself and
  // reports what was pasted; true when the shell did it.
  bool PasteIntoFolder(const std::wstring& verb);

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  // Runs the verb on the shown folder itself, as an object of its parent;
  // true when the shell did it.
  virtual bool RunVerbOnFolder(const std::wstring& verb);

 private:
  LRESULT HandleContextMenuRequest(WPARAM wparam, LPARAM lparam);
  LRESULT HandleMenuMessage(UINT msg, WPARAM wparam, LPARAM lparam);
  std::vector<TListItem*> SelectedObjectRows();
  // The bottom-right corner of the row's selection bounds, on the screen.
  POINT SelectionMenuPoint(TListItem* item);
  void ReportPaste(std::unique_ptr<TStringList> clipboard, const std::wstring& destination);
  TPopupMenu* background_popup_menu_ = nullptr;

  // Change notification (ShellListRefresh.cpp).
 public:
  // Watches the shown folder, not its subfolders, while AutomaticRefresh is
  // on; its window is where the platform's notices arrive.
  TKivShellChangeNotifier& ChangeNotifier() { return *notifier_; }

 private:
  void MakeChangeNotifier();
  void ChangeNotified(TNotificationEvent event, PCIDLIST_ABSOLUTE first);
  // Whether the object is a child of the shown folder, so that a row may
  // stand for it.
  bool InShownFolder(PCIDLIST_ABSOLUTE object);
  // Points every watcher of the list at the folder a fill has just shown
  // (none: the list stops following its folder). A watch of the folder's
  // directory would start and stop here alongside the notifier.
  void WatchFolder(PCIDLIST_ABSOLUTE folder);
  // A fresh id of a row's object whose find data differ from the row's:
  // the row takes it and fetches what it shows again when next drawn.
  void RefreshChangedRow(TListItem* item, PCUITEMID_CHILD fresh);
  // Called where an edit of a caption ends.
  void RunRefreshPutOffByEdit();
  TKivShellChangeNotifier* notifier_ = nullptr;  // owned as a component
  // A refill was due while a caption was being edited.
  bool refresh_after_edit_ = false;

  // Watching the shown folder's directory (ShellListRefresh.cpp). Plain file
  // calls, changes made by other processes under Wine, and many network
  // shares raise no shell notice: while the notifier follows a folder with a
  // file-system path, this watch follows it too.
 public:
  TKivDirectoryWatch& DirectoryWatch() { return *directory_watch_; }

 private:
  void MakeDirectoryWatch();
  // Watches the folder's directory unless it is watched already; stops the
  // watch for none, or for a folder without a file-system path.
  void WatchDirectory(PCIDLIST_ABSOLUTE folder);
  void DirectoryChanged();
  void DirectoryFileModified(const std::wstring& name);
  // Starts the refresh timer afresh to fire `delay_ms` from now.
  void RestartRefreshTimerAfter(UINT delay_ms);
  // The watch's restart: a short delay, except that a burst longer than the
  // cap lets the timer fire.
  void RestartRefreshTimerCapped();
  static constexpr UINT kRefreshDelayMs = 200;
  // A watch reports changes that have happened, one batch for each read, so
  // a burst's reports follow each other closely: this gap ends a burst.
  static constexpr UINT kWatchSettleMs = 100;
  TKivDirectoryWatch* directory_watch_ = nullptr;  // owned as a component
  // A report came while a fill ran: the timer starts when the fill ends.
  bool directory_changed_in_fill_ = false;
  DWORD burst_start_tick_ = 0;
  DWORD last_merge_ms_ = 0;
};

}  // namespace wf
