#pragma once

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "shell/core/IdList.h"
#include "shell/core/SpecialFolders.h"
#include "shell/dialogs/KivBaseDialog.h"

namespace wf {

enum class TKivBrowseFlag : uint8_t {
  bfNewDialogStyle,
  bfFileSystemOnly,
  bfBrowseIncludeFiles,
  bfEditBox
};

class TKivBrowseFlags {
 public:
  constexpr TKivBrowseFlags() = default;
  constexpr TKivBrowseFlags(std::initializer_list<TKivBrowseFlag> flags) {
    for (TKivBrowseFlag flag : flags) Include(flag);
  }
  constexpr bool Contains(TKivBrowseFlag flag) const { return (bits_ & Bit(flag)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr TKivBrowseFlags& Include(TKivBrowseFlag flag) {
    bits_ |= Bit(flag);
    return *this;
  }
  constexpr TKivBrowseFlags& Exclude(TKivBrowseFlag flag) {
    bits_ &= ~Bit(flag);
    return *this;
  }
  friend constexpr bool operator==(TKivBrowseFlags a, TKivBrowseFlags b) = default;

 private:
  static constexpr uint8_t Bit(TKivBrowseFlag flag) {
    return uint8_t(1u << static_cast<unsigned>(flag));
  }
  uint8_t bits_ = 0;
};

// Runs the platform's folder picker modally below a chosen root and hands
// back the chosen item's file-system path, or a name for an item without
// one. While the picker is open it keeps the window where the caller wants
// it, keeps OK in step with bfFileSystemOnly and reports every selection.
//
// Used on the user-interface thread; a ShellModule must be running.
class TKivBrowseForFolder : public TKivBaseDialog {
 public:
  explicit TKivBrowseForFolder(TComponent* owner);
  ~TKivBrowseForFolder() override;

  // True when the user confirmed an item; Path then names it. A cancelled
  // picker leaves Path empty.
  bool Execute() override;

  const std::wstring& Title() const { return title_; }
  void SetTitle(std::wstring title) { title_ = std::move(title); }
  TKivBrowseFlags Options() const { return options_; }
  // An edit box needs the new dialog style: bfEditBox brings bfNewDialogStyle.
  void SetOptions(TKivBrowseFlags options);
  // Used as the root when it names an existing directory; setting it makes
  // RootedAt SF_FILESYSTEMFOLDER, which roots a missing one at My Computer.
  const std::wstring& RootedAtFileSystemFolder() const { return rooted_at_file_system_folder_; }
  void SetRootedAtFileSystemFolder(std::wstring folder);
  TKivShellFolder RootedAt() const { return rooted_at_; }
  void SetRootedAt(TKivShellFolder folder) { rooted_at_ = folder; }
  // Before Execute the item to preselect; during and after it the chosen one.
  const std::wstring& Path() const { return path_; }
  void SetPath(std::wstring path) { path_ = std::move(path); }
  // The picker's screen position: the live one while it is open. A value of
  // 0 or less on either axis centres the picker on the screen.
  int DialogLeft() const;
  void SetDialogLeft(int left);
  int DialogTop() const;
  void SetDialogTop(int top);
  // The picker's caption, when not empty; applied at once to an open picker.
  const std::wstring& WindowTitle() const { return window_title_; }
  void SetWindowTitle(std::wstring title);

  // The open picker's window; null while none is open.
  HWND Handle() const { return window_; }
  // The special folder of the selected item, SF_FILESYSTEMFOLDER for others.
  TKivShellFolder SelectedSpecialFolder() const { return selected_special_folder_; }

  // Raised on every selection change while the picker is open.
  TNotifyEvent OnChange;

 protected:
  // Runs the platform's picker. A seam for tests that must stand in for
  // what another platform leaves in the browse information.
  virtual PIDLIST_ABSOLUTE RunPicker(BROWSEINFOW& info);

 private:
  static int CALLBACK BrowseCallback(HWND window, UINT msg, LPARAM param, LPARAM data);
  void OnInitialized(HWND window);
  void OnSelectionChanged(PCIDLIST_ABSOLUTE selection);
  void ApplyPosition();
  void UpdateOkButton();
  AbsoluteIdList RootIdList() const;
  std::wstring FallbackPath(PCIDLIST_ABSOLUTE chosen, const wchar_t* display_name);
  void EndExecute();

  std::wstring title_;
  TKivBrowseFlags options_{TKivBrowseFlag::bfNewDialogStyle};
  std::wstring rooted_at_file_system_folder_;
  TKivShellFolder rooted_at_ = SF_DESKTOP;
  std::wstring path_;
  int dialog_left_ = -1;
  int dialog_top_ = -1;
  std::wstring window_title_;
  HWND window_ = nullptr;
  TKivShellFolder selected_special_folder_ = SF_FILESYSTEMFOLDER;
  bool ok_enabled_ = false;
};

}  // namespace wf
