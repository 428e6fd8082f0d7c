#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/MessageWindow.h"
#include "framework/StringList.h"
#include "shell/core/IdList.h"
#include "shell/core/KivBaseComponent.h"

namespace wf {

// The kinds of shell change, in the order of their set bits.
enum TNotificationEvent {
  neAssociationChange,
  neAttributesChange,
  neFileChange,
  neFileCreate,
  neFileDelete,
  neFileRename,
  neDriveAdd,
  neDriveRemove,
  neShellDriveAdd,
  neDriveSpaceChange,
  neMediaInsert,
  neMediaRemove,
  neFolderCreate,
  neFolderDelete,
  neFolderRename,
  neFolderUpdate,
  neNetShare,
  neNetUnShare,
  neServerDisconnect,
  neImageListChange,
  // Registers for every platform event; received for any code not listed.
  neUnknown,
};

// A set of notification kinds: bit n holds kind n.
class TNotificationEvents {
 public:
  constexpr TNotificationEvents() = default;
  constexpr TNotificationEvents(std::initializer_list<TNotificationEvent> events) {
    for (TNotificationEvent event : events) Include(event);
  }
  static constexpr TNotificationEvents FromBits(uint32_t bits) {
    TNotificationEvents set;
    set.bits_ = bits & ((1u << (neUnknown + 1)) - 1);
    return set;
  }

  constexpr uint32_t Bits() const { return bits_; }
  constexpr bool Contains(TNotificationEvent event) const { return (bits_ >> event) & 1u; }
  constexpr void Include(TNotificationEvent event) { bits_ |= 1u << event; }
  constexpr void Exclude(TNotificationEvent event) { bits_ &= ~(1u << event); }
  friend constexpr bool operator==(TNotificationEvents, TNotificationEvents) = default;

 private:
  uint32_t bits_ = 0;
};

// Every kind but neUnknown.
inline constexpr TNotificationEvents kAllKnownNotificationEvents =
    TNotificationEvents::FromBits((1u << neUnknown) - 1);

using TKivShellNotifierEvent =
    std::function<void(TObject* sender, TNotificationEvent event, const std::wstring& path1,
                       const std::wstring& path2)>;
// The id lists belong to the platform and live only during the call.
using TKivNotifyHook = std::function<void(TObject* sender, TNotificationEvent event,
                                          PCIDLIST_ABSOLUTE first, PCIDLIST_ABSOLUTE second)>;

// The platform services the notifier relies on. Tests give their own to see
// what is registered and to move the clock.
struct ChangeNotifyServices {
  // Answers the registration id, 0 on failure. Empty: the platform cannot
  // watch, and the notifier stays disabled.
  std::function<ULONG(HWND window, int sources, LONG events, UINT message,
                      const SHChangeNotifyEntry& entry)>
      Register;
  std::function<void(ULONG registration)> Deregister;
  std::function<DWORD()> TickCount;

  // The shell's own entry points, as the shell module found them.
  static ChangeNotifyServices System();
};

// Watches folders through the shell's change notification and reports each
// change twice: at once to NotifyHook with the platform's id lists, and after
// the notification's message has been handled to OnChange with paths. A
// change of the same kind for the same item within 2500 ms of the last one is
// dropped.
//
// An empty directory list stands for the computer folder, watched
// recursively. A single id list set by WatchIdList is watched while the
// directory list is empty.
class TKivShellChangeNotifier : public TKivBaseComponent {
 public:
  // The message the platform sends to the notifier's window.
  static constexpr UINT kNotifyMessage = 2011;

  explicit TKivShellChangeNotifier(TComponent* owner,
                                   ChangeNotifyServices services = ChangeNotifyServices::System());
  ~TKivShellChangeNotifier() override;

  // Stays false when the platform cannot watch.
  void SetEnabled(bool value) override;

  // Sorted, case-insensitive, without duplicates; each entry's value is its
  // registration id (0: not registered). Edits re-register the whole list.
  TStringList& Directories() { return directories_; }
  void SetDirectories(const std::vector<std::wstring>& paths) { directories_.Assign(paths); }
  bool Recursive() const { return recursive_; }
  void SetRecursive(bool value);
  TNotificationEvents EventFilter() const { return event_filter_; }
  void SetEventFilter(TNotificationEvents value);

  // Watches `list` alone from now on (a copy is kept); none only stops
  // watching and keeps the last list for the next start.
  void WatchIdList(PCIDLIST_ABSOLUTE list);
  void StartWatching();
  void StopWatching();

  // The window the platform's notifications go to.
  HWND Handle() const { return window_->Handle(); }

  TKivShellNotifierEvent OnChange;
  TKivNotifyHook NotifyHook;

 protected:
  // Arranges OnChange's call with the values of this moment, to run on this
  // thread after the notification's message has been handled.
  virtual void DeferChange(TNotificationEvent event, std::wstring path1, std::wstring path2);

 private:
  struct PendingChange {
    TKivShellNotifierEvent handler;
    TNotificationEvent event;
    std::wstring path1;
    std::wstring path2;
  };

  std::optional<LRESULT> HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam);
  void OnNotify(PCIDLIST_ABSOLUTE first, PCIDLIST_ABSOLUTE second, DWORD code);
  bool IsRepeat(DWORD code, PCIDLIST_ABSOLUTE first, DWORD now) const;
  void DeliverPendingChange();
  ULONG Register(PCIDLIST_ABSOLUTE list);
  void Deregister(ULONG registration);
  void DirectoriesChanged();

  ChangeNotifyServices services_;
  TStringList directories_;
  bool recursive_ = true;
  TNotificationEvents event_filter_ = kAllKnownNotificationEvents;
  DWORD last_code_ = 0;
  AbsoluteIdList last_first_;
  DWORD last_tick_ = 0;
  bool active_ = false;
  AbsoluteIdList watched_;
  ULONG watched_registration_ = 0;
  // Raised while the notifier edits its own directory list.
  bool editing_directories_ = false;
  std::deque<PendingChange> pending_;
  // Expires with the notifier: tells a handler whether the hook freed it.
  std::shared_ptr<char> alive_ = std::make_shared<char>();
  // Last, so it goes first: no message reaches a half-destroyed notifier.
  std::unique_ptr<MessageWindow> window_;
};

}  // namespace wf
