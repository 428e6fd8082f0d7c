#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "shell/core/IdList.h"
#include "shell/core/SpecialFolders.h"
#include "shell/notify/DirectoryWatch.h"
#include "shell/notify/ShellChangeNotifier.h"

namespace wf {

class TKivShellList;
class TTimer;

// What starts a shell list's merge, and when: the shell's notices, the
// watch of the shown folder's directory, and the timer that gathers a burst
// of them into one merge. Deletions the shell reports take their rows at
// once; sharing changes refill at once; the rest restarts the timer. Plain
// file calls, changes made by other processes under Wine, and many network
// shares raise no shell notice: while the notifier follows a folder with a
// file-system path, the directory watch follows it too.
class RefreshPolicy {
 public:
  // The timer, the notifier and the watch are the list's components.
  explicit RefreshPolicy(TKivShellList& list);

  TKivShellChangeNotifier& Notifier() { return *notifier_; }
  TKivDirectoryWatch& DirectoryWatch() { return *directory_watch_; }
  // Nothing reaches the list any more: it is going.
  void Stop();
  // Follows the shown folder or stops following it.
  void SetAutomatic(bool value);
  // Points every watcher at the folder a fill has just shown (none: the
  // list stops following its folder).
  void Follow(PCIDLIST_ABSOLUTE folder);
  // Watches the folder's directory unless it is watched already; stops the
  // watch for none, or for a folder without a file-system path.
  void WatchDirectory(PCIDLIST_ABSOLUTE folder);
  // A merge 200 ms from now; every restart puts it off again.
  void Restart() { RestartAfter(kDelayMs); }
  // A fill ended: what the watch reported meanwhile is merged now.
  void FillEnded();

 private:
  static constexpr UINT kDelayMs = 200;
  // A watch reports changes that have happened, one batch for each read, so
  // a burst's reports follow each other closely: this gap ends a burst.
  static constexpr UINT kWatchSettleMs = 100;

  void TimerFired();
  void ChangeNotified(TNotificationEvent event, PCIDLIST_ABSOLUTE first);
  void DirectoryChanged();
  void DirectoryFileModified(const std::wstring& name);
  // Whether the object is a child of the shown folder, so that a row may
  // stand for it.
  bool InShownFolder(PCIDLIST_ABSOLUTE object);
  // SpecialFolder, asked of the platform once for each folder shown.
  TKivShellFolder ShownSpecialFolder();
  void RestartAfter(UINT delay_ms);
  // The watch's restart: a short delay, except that a burst longer than the
  // cap lets the timer fire.
  void RestartCapped();
  bool Filling() const;

  TKivShellList& list_;
  TTimer* timer_ = nullptr;                        // owned by the list
  TKivShellChangeNotifier* notifier_ = nullptr;    // owned by the list
  TKivDirectoryWatch* directory_watch_ = nullptr;  // owned by the list
  bool stopped_ = false;
  // A report came while a fill ran: the timer starts when the fill ends.
  bool changed_in_fill_ = false;
  DWORD burst_start_tick_ = 0;
  AbsoluteIdList special_folder_of_;
  TKivShellFolder shown_special_folder_ = SF_FILESYSTEMFOLDER;
};

}  // namespace wf
