#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <wrl/client.h>

#include "framework/ListView.h"
#include "framework/StringList.h"
#include "shell/core/Dirwalker.h"
#include "shell/core/ShellItemQuery.h"
#include "shell/core/ShellOperations.h"
#include "shell/core/SystemImageList.h"
#include "shell/list/ShellListItem.h"
#include "shell/list/ThumbnailThread.h"
#include "shell/notify/DirectoryWatch.h"
#include "shell/notify/ShellChangeNotifier.h"
#include "shell/notify/ShellLink.h"

namespace wf {

struct ShellListParts;

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
  // On: the large-icon view of framed pictures, made in the background;
  // each change refills the list. Any later SetViewStyle turns it off.
  bool Thumbnails() const { return thumbnails_; }
  void SetThumbnails(bool value);
  // The pictures' size (100 x 100); below 1 raises Exception.
  int ThumbnailWidth() const;
  void SetThumbnailWidth(int width);
  int ThumbnailHeight() const;
  void SetThumbnailHeight(int height);
  bool UseSystemFont() const { return use_system_font_; }
  void SetUseSystemFont(bool value);
  bool AutomaticRefresh() const { return automatic_refresh_; }
  void SetAutomaticRefresh(bool value);
  bool ShellContextMenu() const { return shell_context_menu_; }
  void SetShellContextMenu(bool value) { shell_context_menu_ = value; }
  // Registers the window as a drop target and lets rows be dragged out; a
  // registration the platform refuses switches it off.
  bool OleDragDrop() const { return ole_drag_drop_; }
  void SetOleDragDrop(bool value);
  // The effects offered as a source and proposed as a target.
  TKivCopyMode CopyMode() const { return copy_mode_; }
  void SetCopyMode(TKivCopyMode mode) { copy_mode_ = mode; }
  void SetReadOnly(bool value) override;
  // Lists of one link follow one another; it owns their shared ticks.
  TKivShellLink* ShellLink() const;
  void SetShellLink(TKivShellLink* link);
  // What the link holds of this list.
  IKivShellControl* ShellControl();
  // A tri-state box before each row, ticked by a click on it, kept in the
  // link's selection list; refused (switched off again) without a link.
  bool Checkboxes() const { return checkboxes_; }
  void SetCheckboxes(bool value);
  // After a click on a box: the row's index, path and new state.
  TOnCheckStateChanged OnCheckStateChanged;
  // Tiled behind the rows; the setter copies. Changing the bitmap applies it.
  TBitmap& BackgroundImage();
  void SetBackgroundImage(const TBitmap& bitmap);
  void SetColor(TColor color) override;
  std::wstring Version() const;

  // A fill asked for while a fill runs (by a handler of its events) runs
  // once after it: asked for while the columns or rows are made, in place of
  // the running fill's closing events; asked for by those events, after them.
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

  virtual void CreateColumns();
  void SortByColumn(int column);
  void SortItems();
  void UpdateSortArrows();
  int SortColumn() const { return sort_column_; }
  bool SortDescending() const { return descending_; }
  int ShellColumnCount() const;

  // With sopDelete the selected rows whose objects really went leave first
  // (never the parent entry); then OnOperation hears of any `files`.
  void ReportOperation(TKivShellOperations operations, std::unique_ptr<TStringList> files,
                       const std::wstring& destination);
  // Removes these rows, in any order, within one update bracket.
  void RemoveRows(std::vector<TListItem*> rows);
  TOnOperation OnOperation;

  // Opens the selected row's name for editing, if it may be renamed. The
  // folder object's "rename" verb calls it, except in a read-only list.
  bool EditSelected();
  void AssignRenameHook();
  // Creates the folder `name` ("New Folder" when empty) in the shown folder;
  // true when created. Names that would leave the shown folder, and folders
  // without a file-system path, create nothing. With `edit` the row of that
  // name (the new folder, or one already there) is selected and edited.
  bool CreateNewFolder(const std::wstring& name, bool edit);

  // "default" opens folders (and links to them) in the list, the rest in the
  // shell; other verbs run on the folder object. True when something was done.
  bool InvokeVerb(const std::wstring& verb);
  // Shows the parent folder (the desktop stays the desktop); always true.
  bool GoUp();

  // Brings the folder's present content into the rows without a refill
  // (see FolderMerge); does nothing while loading, filling or windowless.
  virtual void MergeRefresh();
  // Merges (the folder gone: shows My Computer) 200 ms after the last restart.
  void RestartRefreshTimer();
  // Watch the shown folder (not its subfolders) while AutomaticRefresh is on.
  TKivShellChangeNotifier& ChangeNotifier();
  TKivDirectoryWatch& DirectoryWatch();

  // For a right-click outside every row (none: PopupMenu); forgotten when freed.
  TPopupMenu* BackgroundPopupMenu() const;
  void SetBackgroundPopupMenu(TPopupMenu* menu);
  // Kept by the folder object, which asks it before every shell verb.
  const TOnContextMenuSelectEvent& OnContextMenuSelect() const;
  void SetOnContextMenuSelect(TOnContextMenuSelectEvent handler);
  // The shell's menu of the selected rows merged with PopupMenu, at the
  // screen point; answers the verb that ran, or empty.
  std::wstring ShowItemMenu(POINT point);
  // False when there is no BackgroundPopupMenu.
  bool ShowBackgroundMenu(POINT point);
  // Runs the verb ("paste") on the shown folder itself and reports it.
  bool PasteIntoFolder(const std::wstring& verb);

  // The platform's drag of the selected objects (never " .. ") with that
  // button; OnOperation hears what the drop did.
  void StartShellDrag(TMouseButton button);
  // The shell's drop target of the row's object (" .. ": the parent
  // folder; no row: the shown folder); none when the shell has none.
  virtual Microsoft::WRL::ComPtr<IDropTarget> GetDropTarget(TListItem* item);
  // The list's own drop target, as its window is registered with.
  IDropTarget* DropTarget();
  TOnBeforeShellDropEvent OnBeforeShellDrop;
  // The info tip of a row's hint, which the handler may change or empty.
  TLVInfoTipEvent OnInfoTip;

  TNotifyEvent OnCreateColumns;
  TOnAddItem OnAddItem;
  TNotifyEvent OnPopulated;
  TNotifyEvent OnPathChanged;
  TLVNotifyEvent OnGetImageIndex;

 protected:
  void Loaded() override;
  void CreateWnd() override;
  void CreateParams(TCreateParams& params) override;
  LRESULT WndProc(UINT msg, WPARAM wparam, LPARAM lparam) override;
  void Notification(TComponent* component, TOperation operation) override;
  void Change(TListItem* item, UINT changed) override;
  void Delete(TListItem* item) override;
  void ColClick(TListColumn* column) override;
  bool CanEdit(TListItem* item) override;
  void EditEnded(TListItem* item, std::wstring* text) override;
  void GetImageIndex(TListItem* item) override;
  std::wstring ResolveCaption(TListItem* item) override;
  // Columns, the sort marks and the icon-title font follow the density.
  void ChangeScale(int dpi) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyPress(wchar_t& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  // Runs the verb on the shown folder as an object of its parent.
  virtual bool RunVerbOnFolder(const std::wstring& verb);
  // Whether the shell's "paste" is known to paste nothing here (Wine): the
  // clipboard's files are then copied or moved by the list itself.
  virtual bool ShellPasteIsInert();
  // As major * 100 + minor: where a box's click zone lies in the icon view
  // depends on it.
  virtual int CommonControlsVersion() const;
  // The job that makes the picture of the object `item` for that slot of
  // the thumbnails; the pool owns it from here. Null makes none.
  virtual TKivThumbnailThread* CreateThumbnailJob(int slot, uint32_t population_tick, int width,
                                                  int height, PCIDLIST_ABSOLUTE item);
  // A drag this list started: Escape or another button cancels it.
  virtual HRESULT QueryContinueDrag(BOOL escape, DWORD keys);
  virtual HRESULT GiveFeedback(DWORD effect);
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  // A row's hint is the shell's info tip of its object, else its whole
  // caption where its column cuts it.
  void HintShow(THintInfo& hint) override;
  bool CustomDrawsItems() const override { return true; }
  // Compressed files' names blue, encrypted ones' green, as the options say.
  bool CustomDrawItem(TListItem* item, UINT state, TCustomDrawStage stage) override;

 private:
  friend class FolderFill;
  friend class FolderMerge;
  friend class MenuHost;
  friend class RefreshPolicy;
  friend class RenameSession;
  friend class RowHints;
  friend class ShellDragDrop;
  friend class ShellLinkClient;
  friend class ShellListSorter;
  friend class ThumbnailPictures;

  uint16_t options_ = kDefaultShellListOptions;
  bool Option(uint16_t bit) const { return (options_ & bit) != 0; }
  void SetOption(uint16_t bit, bool value);

  // What the rows show (ShellListPopulation.cpp).
  void GatherDetailTexts(TListItem* item, PCUITEMID_CHILD id);
  void GatherRowDetailTexts(TListItem* item);
  void UpdateItem(TListItem* item);
  // The row takes a fresh id of its object and fetches what it shows again.
  void RefreshChangedRow(TListItem* item, PCUITEMID_CHILD fresh);
  // A merge passes each row: its thumbnail (ShellListPictures.cpp) and its
  // check state (ShellListChecks.cpp) follow.
  void RefreshRowPicture(TListItem* item);
  void RefreshRowCheckState(TListItem* item);
  // A click at x, y on a row's box ticks or unticks its object; false when
  // the click was not on a box.
  bool ClickCheckBox(int x, int y);

  // Rows by selection, name and identity (ShellListSelection.cpp).
  std::vector<TListItem*> SelectedObjectRows();
  // The folder object's objects for its next request, by the rows' own ids.
  void AssignRowsToDirwalker(const std::vector<TListItem*>& rows);
  // How a row held across a message loop is found again (or null).
  TListItem* RowOfIdentity(const std::wstring& identity);
  std::vector<TListItem*> RowsOfIdentities(const std::vector<std::wstring>& identities);
  // The object's name in the folder, else its display name.
  std::wstring NameInFolder(PCUITEMID_CHILD id);
  void ReselectNames();
  void ClearSelectedNames();

  bool OpenSelected(const std::wstring& verb);
  bool DeleteSelected(bool permanently);
  // After a "cut" or "copy": the rows of the `chosen` identities are ghosted
  // as cut (see TKivShellListItem::Cut), and only they.
  void MarkClipboardRows(const std::wstring& verb, const std::vector<std::wstring>& chosen);
  void ReportPaste(std::unique_ptr<TStringList> clipboard, const std::wstring& destination);

  TDirwalker* dirwalker_ = nullptr;                  // owned as a component
  TKivSystemImageList* small_image_list_ = nullptr;  // owned as a component
  TKivSystemImageList* large_image_list_ = nullptr;  // owned as a component
  // The folder of the rows' ids, made at each fill: rows outlive a move of the folder object.
  ShellItemQuery row_query_;
  bool details_ = true, show_folders_ = true, show_parent_folder_ = false;
  bool automatic_refresh_ = true, shell_context_menu_ = true, ole_drag_drop_ = true;
  bool thumbnails_ = false, use_system_font_ = true, window_created_ = false, descending_ = false;
  TKivCopyMode copy_mode_ = cmDefault;
  bool checkboxes_ = false;
  TCustomImageList* own_state_images_ = nullptr;  // owned as a component
  int sort_column_ = 0;
  std::wstring pending_path_;
  // Rows being made; a fill to its closing events; one asked for meanwhile.
  bool filling_ = false, populating_ = false, refill_requested_ = false;
  uint32_t fills_started_ = 0;
  TListItem* parent_entry_ = nullptr;  // known without a read of every record
  // Tells whoever holds rows across a call that may pump whether any went.
  uint64_t rows_deleted_ = 0;
  std::pair<TListItem*, TKivShellListItem*> deleting_{nullptr, nullptr};
  std::unique_ptr<TStringList> selected_names_;
  // While the selection is made from the names, row changes keep the names.
  bool keeping_selected_names_ = false;

  std::unique_ptr<ShellListParts> parts_;
};

}  // namespace wf
