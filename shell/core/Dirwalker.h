#pragma once

#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "framework/Alignment.h"
#include "framework/Component.h"
#include "framework/Exceptions.h"
#include "framework/Menus.h"
#include "framework/StringList.h"
#include "shell/core/IdList.h"
#include "shell/core/ShellItemQuery.h"
#include "shell/core/SpecialFolders.h"

namespace wf {

// The error of the shell layer: raised only where a caller asked for
// something that cannot exist (a folder path, a binding, a named object).
class EDirwalkerError : public Exception {
 public:
  using Exception::Exception;
};

using TOnContextMenuSelectEvent =
    std::function<void(TObject* sender, const std::wstring& command, bool& execute)>;

// One folder of the shell namespace and, inside it, one current object.
// Binds by path, id list or special folder, enumerates the folder's objects
// through the masks of Filter, and answers questions about the current
// object. Queries answer failure through their result; only binding to a
// folder and selecting a named object raise EDirwalkerError.
//
// Used on the thread that created it. A ShellModule must be running.
class TDirwalker : public TComponent {
 public:
  explicit TDirwalker(TComponent* owner = nullptr);
  // Error messages off from the start, so that no question reaches for the
  // program's windows: for worker threads.
  TDirwalker(TComponent* owner, bool show_error_messages);
  ~TDirwalker() override;

  // Binding and navigation.
  const std::wstring& Folder() const { return folder_; }  // ends in '\' when not empty
  void SetFolder(std::wstring_view path);
  // No list leaves the object unbound. On failure the binding is unchanged.
  void SetFolderIDList(PCIDLIST_ABSOLUTE list);
  // Binds to a folder interface the caller already holds, `list` naming it;
  // the desktop is not asked to bind. The folder answers every question until
  // the next bind, so a caller may hand in a folder of its own making.
  void SetShellFolder(Microsoft::WRL::ComPtr<IShellFolder> folder, PCIDLIST_ABSOLUTE list);
  TKivShellFolder SpecialFolder() const;
  // Never raises; a folder that does not exist here changes nothing.
  void SetSpecialFolder(TKivShellFolder folder);
  bool SelectFolderInParent();
  void SetFolderAndObject(PCIDLIST_ABSOLUTE list);
  bool OpenObject();
  wf::AbsoluteIdList FolderIdListCopy() const;
  PCIDLIST_ABSOLUTE FolderIdList() const { return folder_id_list_.get(); }
  IShellFolder* ShellFolder() const { return shell_folder_.Get(); }

  // The current object.
  std::wstring ObjectName();
  void SetObjectName(std::wstring_view name);
  // Copies the id (none clears); asks nothing of the shell.
  void SetCurrentId(PCUITEMID_CHILD id);
  PCUITEMID_CHILD CurrentId() const { return current_id_.get(); }
  ChildIdList ObjectIdCopy() const;
  // Hands the current object's id over, leaving no current object: for a
  // caller that keeps every object it walks past (a copy each would cost a
  // large folder's fill an allocation a row).
  ChildIdList TakeObjectId();
  // Owned by the object and valid until the current object or folder changes.
  PCIDLIST_ABSOLUTE AbsoluteIdList();
  std::wstring DisplayName();
  std::wstring NetworkName();
  SFGAOF Attributes(SFGAOF mask);
  bool IsFolder();
  bool IsHidden();
  bool IsLink();
  bool CanRename();
  std::wstring LinkTargetFolder();
  bool MatchesFilter();
  TKivShellFolder ObjectSpecialFolder();
  // On return `name` holds the object's display name (unchanged on failure).
  // False when the shell refused, with its result as the thread's last error
  // (HRESULT_FROM_WIN32(ERROR_CANCELLED) when it has told the user itself).
  bool RenameObject(std::wstring& name);

  // Enumeration. NextObject starts an enumeration when none runs and ends
  // it with false; EnumerationFailed tells an end that the folder gave no
  // more objects from a failure of the shell's enumeration, after which
  // the objects not yet met may still be there. Restarting drops a running
  // enumeration, so that the next object is the folder's first again.
  bool NextObject();
  bool EnumerationFailed() const { return enumeration_failed_; }
  void RestartEnumeration() noexcept { enumerator_.Reset(); }
  std::wstring Filter() const;
  void SetFilter(std::wstring_view filter);
  bool FileSystemOnly() const { return file_system_only_; }
  void SetFileSystemOnly(bool value) { file_system_only_ = value; }

  // User-interface objects of the current object, or of the objects named in
  // MultiObjects (which every request empties): names below the bound folder
  // or full paths. Objects that lie in more than one folder are refused with
  // E_INVALIDARG. Failure leaves *object null, sets the thread's last error
  // to the result and answers it; a name that names nothing raises
  // EDirwalkerError. The binding and the current object are kept.
  TStringList& MultiObjects() { return multi_objects_; }
  // The objects of the next request by their ids in `folder`, one for each
  // name in MultiObjects and in its order, from a caller that holds them
  // (the shell list's rows): no name is parsed back, so namesakes (two
  // "report.txt" on the merged desktop, "a" and "A" on a case-sensitive
  // drive) stay apart, and no object is looked up on disk. The request goes
  // to `folder` wherever this object is bound. Taken only with one id for
  // every name; every request forgets them.
  void SetObjectIds(PCIDLIST_ABSOLUTE folder, std::vector<ChildIdList> ids);
  // As handed to SetObjectIds for the next request; empty when there are
  // none, or not one for every name.
  const std::vector<ChildIdList>& ObjectIds() const;
  PCIDLIST_ABSOLUTE ObjectIdsFolder() const { return object_ids_folder_.get(); }
  HRESULT GetUIObject(REFIID iid, void** object);
  template <class I>
  Microsoft::WRL::ComPtr<I> GetUIObject() {
    Microsoft::WRL::ComPtr<I> object;
    GetUIObject(__uuidof(I), reinterpret_cast<void**>(object.ReleaseAndGetAddressOf()));
    return object;
  }

  // 0 when the shell must show no windows of its own; else the owning
  // control's window once loaded, else the application's main window.
  HWND ShellOwnerWindow();
  bool ShowErrorMessages() const { return show_error_messages_; }
  void SetShowErrorMessages(bool value) { show_error_messages_ = value; }
  bool ShowContextMenuOnTop() const { return show_context_menu_on_top_; }
  void SetShowContextMenuOnTop(bool value) { show_context_menu_on_top_ = value; }
  // Set by the owning list from its ReadOnly property: the context menu then
  // refuses "delete", "cut" and "paste".
  bool ReadOnlyGuard() const { return read_only_guard_; }
  void SetReadOnlyGuard(bool value) { read_only_guard_ = value; }
  // The owning list calls this when it creates its window.
  void MarkLoaded() { loaded_ = true; }
  bool IsLoaded() const { return loaded_; }

  std::wstring Version() const;

  // --- Running a verb without a menu ---
  struct VerbOptions {
    // The command goes as if Shift were held: "delete" then deletes for good
    // instead of recycling.
    bool shift_down = false;
    // Filled with the names (as given, or the current object's name) of the
    // objects that a "delete" removed.
    std::vector<std::wstring>* gone = nullptr;
  };
  // Runs `verb` ("default" when empty) on the current object or on the
  // objects named in MultiObjects, which the call empties. False when vetoed,
  // refused or failed, with the shell's result as the thread's last error;
  // a "delete" succeeds only when at least one object is gone.
  bool RunVerb(const std::wstring& verb);
  bool RunVerb(const std::wstring& verb, const VerbOptions& options);

  TNotifyEvent OnRename;
  TOnContextMenuSelectEvent OnContextMenuSelect;

  // The merged context menu (DirwalkerMenu.cpp): the shell's entries for the
  // current object, or for the objects named in MultiObjects (which the call
  // empties), with copies of the application's items. Shows it at the screen
  // point and answers the shell verb that ran, or empty: for an application
  // item, a dismissed or refused menu, a failed verb, and a "delete" that
  // left the object in place. Shell failures never raise.
  std::wstring PopupShellMenu(POINT point, TPopupMenu* app_menu);
  // Menu messages while a merged menu is open, from its owner window and
  // from whoever else receives them; false (nothing done) at other times.
  bool HandleMenuMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result);

  // Details and images of the current object; column titles and column
  // information concern the bound folder. Asked once per drawn row, so the
  // find data is fetched once per object and the details interfaces once
  // per bound folder. Failures answer empty text, 0 or -1.
  // The small icon's index in the system image list; -1 when there is none.
  int SmallIconIndex();
  // A 0-based overlay slot of the system image list (0 shared, 1 link) or -1.
  int OverlayIndex();
  // The last-write time in local time as a date-time value (see
  // DateTimeToText); 0 when the object has no find data.
  double ModifiedTime();
  // One cell of the details view, or with `header` the title of a column.
  std::wstring DetailText(int column, bool header);
  // Alignment and default width in pixels of a column of the bound folder;
  // a width of 0 marks a column that is not shown by default.
  void ColumnInfo(int column, TAlignment& alignment, int& width);
  // Whether the bound folder offers IShellFolder2 or IShellDetails; without
  // either, DetailText and ColumnInfo answer the built-in four columns.
  bool AcquireDetails();
  // The caller owns the bitmap. A width or height of 0 or less asks for 64 by 64.
  HBITMAP ExtractThumbnail(int width, int height);
  std::wstring InfoTip();
  // A query of the bound folder's objects that keeps answering about them
  // after this object has moved on, sharing the details interfaces acquired.
  ShellItemQuery ObjectQuery();
  // Until the next bind, answers as a folder without details interfaces
  // does: the built-in columns and texts. Every folder of Wine's shell
  // offers IShellFolder2, so this is how tests reach the built-in columns.
  void SetDetailsUnavailable();

 protected:
  void Loaded() override;

 private:
  void Unbind();
  void ClearObjectCaches();
  void ThrowCannotFind(std::wstring_view name);
  bool SearchByName(std::wstring_view name);
  void WakeUncServer(std::wstring_view path);
  bool PassesFileSystemFilter();
  bool AdvanceEnumeration();

  std::wstring folder_;
  wf::AbsoluteIdList folder_id_list_;
  Microsoft::WRL::ComPtr<IShellFolder> shell_folder_;
  ChildIdList current_id_;
  Microsoft::WRL::ComPtr<IEnumIDList> enumerator_;
  bool enumeration_failed_ = false;
  bool file_system_only_ = false;
  TStringList multi_objects_;
  std::vector<ChildIdList> object_ids_;
  wf::AbsoluteIdList object_ids_folder_;
  void ForgetObjectIds() noexcept;
  // The objects named for one call are forgotten however the call ends.
  class ObjectsForOneCall {
   public:
    explicit ObjectsForOneCall(TDirwalker& walker) : walker_(walker) {}
    ~ObjectsForOneCall() {
      walker_.multi_objects_.Clear();
      walker_.ForgetObjectIds();
    }
    ObjectsForOneCall(const ObjectsForOneCall&) = delete;
    ObjectsForOneCall& operator=(const ObjectsForOneCall&) = delete;

   private:
    TDirwalker& walker_;
  };
  std::vector<std::wstring> masks_{L"*"};
  bool matches_everything_ = true;           // one mask is "*"
  std::optional<bool> enumerating_network_;  // the bound folder is Network

  // Held while a merged context menu is on screen (DirwalkerMenu.cpp): the
  // shell's menu interface and the platform menu, owned by open_popup_, the
  // copy of the application's items.
  Microsoft::WRL::ComPtr<IContextMenu2> open_menu_interface_;
  HMENU open_menu_ = nullptr;
  TPopupMenu* open_popup_ = nullptr;
  // The rename entry added where the shell offered none; 0 when not added.
  UINT open_rename_command_ = 0;
  std::wstring RunShellEntry(IContextMenu* menu, UINT command);
  bool VerbAllowed(const std::wstring& verb);
  void ShowMenuHint(WPARAM wparam, LPARAM lparam);
  // The shell's answers about the current object: details interfaces, find
  // data and absolute id, kept between the questions about one object.
  ShellItemQuery query_;

  bool loaded_ = false;
  bool read_only_guard_ = false;
  bool show_error_messages_ = true;
  bool show_context_menu_on_top_ = false;
};

}  // namespace wf
