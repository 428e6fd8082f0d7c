#include "shell/notify/ShellChangeNotifier.h"

#include <iterator>

#include "framework/ScopedValue.h"
#include "shell/core/ShellModule.h"

namespace wf {
namespace {

// The platform's event code for each kind, in the kinds' order.
constexpr LONG kEventCodes[] = {
    SHCNE_ASSOCCHANGED, SHCNE_ATTRIBUTES, SHCNE_UPDATEITEM,       SHCNE_CREATE,
    SHCNE_DELETE,       SHCNE_RENAMEITEM, SHCNE_DRIVEADD,         SHCNE_DRIVEREMOVED,
    SHCNE_DRIVEADDGUI,  SHCNE_FREESPACE,  SHCNE_MEDIAINSERTED,    SHCNE_MEDIAREMOVED,
    SHCNE_MKDIR,        SHCNE_RMDIR,      SHCNE_RENAMEFOLDER,     SHCNE_UPDATEDIR,
    SHCNE_NETSHARE,     SHCNE_NETUNSHARE, SHCNE_SERVERDISCONNECT, SHCNE_UPDATEIMAGE,
    SHCNE_ALLEVENTS,
};
static_assert(std::size(kEventCodes) == neUnknown + 1);

// Set on codes raised at interrupt level; the kind is in the other bits.
constexpr DWORD kInterruptBit = 0x80000000;
// Ours: a deferred OnChange call is waiting in the queue.
constexpr UINT kDeliverMessage = WM_APP + 1;
// Within this many milliseconds the same event for the same item is dropped.
constexpr DWORD kRepeatInterval = 2500;

LONG EventMask(TNotificationEvents events) {
  LONG mask = 0;
  for (int kind = neAssociationChange; kind <= neUnknown; ++kind)
    if (events.Contains(static_cast<TNotificationEvent>(kind))) mask |= kEventCodes[kind];
  return mask;
}

TNotificationEvent EventOf(DWORD code) {
  for (int kind = neAssociationChange; kind < neUnknown; ++kind)
    if (static_cast<DWORD>(kEventCodes[kind]) == code) return static_cast<TNotificationEvent>(kind);
  return neUnknown;
}

}  // namespace

ChangeNotifyServices ChangeNotifyServices::System() {
  ChangeNotifyServices services;
  if (SHChangeNotifyRegisterFunc reg = ShellModule::ChangeNotifyRegister()) {
    services.Register = [reg](HWND window, int sources, LONG events, UINT message,
                              const SHChangeNotifyEntry& entry) {
      return reg(window, sources, events, message, 1, &entry);
    };
  }
  if (SHChangeNotifyDeregisterFunc dereg = ShellModule::ChangeNotifyDeregister())
    services.Deregister = [dereg](ULONG registration) { dereg(registration); };
  services.TickCount = [] { return GetTickCount(); };
  return services;
}

TKivShellChangeNotifier::TKivShellChangeNotifier(TComponent* owner, ChangeNotifyServices services)
    : TKivBaseComponent(owner), services_(std::move(services)) {
  window_ = std::make_unique<MessageWindow>(
      MessageWindow::Kind::kMessageOnly,
      [this](UINT msg, WPARAM wparam, LPARAM lparam) { return HandleMessage(msg, wparam, lparam); },
      this);
  directories_.SetSorted(true);
  directories_.SetDuplicates(TDuplicates::dupIgnore);
  directories_.OnChanging = [this](TObject*) {
    if (!editing_directories_) StopWatching();
  };
  directories_.OnChange = [this](TObject*) {
    if (!editing_directories_) DirectoriesChanged();
  };
  // Watches the computer folder until the owner says otherwise.
  SetEnabled(true);
}

TKivShellChangeNotifier::~TKivShellChangeNotifier() {
  directories_.OnChanging = nullptr;
  directories_.OnChange = nullptr;
  enabled_ = false;
  StopWatching();
}

void TKivShellChangeNotifier::SetEnabled(bool value) {
  enabled_ = value && services_.Register;
  if (enabled_)
    StartWatching();
  else
    StopWatching();
}

void TKivShellChangeNotifier::SetRecursive(bool value) {
  if (recursive_ == value) return;
  recursive_ = value;
  if (active_) {
    StopWatching();
    StartWatching();
  }
}

void TKivShellChangeNotifier::SetEventFilter(TNotificationEvents value) {
  if (event_filter_ == value) return;
  event_filter_ = value;
  if (active_) {
    StopWatching();
    StartWatching();
  }
}

void TKivShellChangeNotifier::WatchIdList(PCIDLIST_ABSOLUTE list) {
  StopWatching();
  if (!list) return;
  AbsoluteIdList copy = CloneIdList(list);
  {
    ScopedValue editing(editing_directories_, true);
    directories_.Clear();
  }
  watched_ = std::move(copy);
  StartWatching();
}

void TKivShellChangeNotifier::StartWatching() {
  if (!enabled_) return;
  ScopedValue editing(editing_directories_, true);
  if (directories_.Empty()) {
    if (watched_) {
      // Starting again while watching must not stack a second registration
      // over the first: that one could then never be removed.
      if (watched_registration_ == 0) watched_registration_ = Register(watched_.get());
    } else {
      // The empty path is the computer folder.
      directories_.Add(L"");
      recursive_ = true;
    }
  }
  for (int i = 0; i < directories_.Count(); ++i) {
    if (directories_.Value(i) != 0) continue;
    // A path that does not parse registers nothing: a registration without
    // an id list would watch the whole shell.
    AbsoluteIdList list = PathToIdList(directories_[i]);
    if (list) directories_.SetValue(i, Register(list.get()));
  }
  active_ = true;
}

// Sweeps every registration, active or not: one left behind by a start that
// failed half-way would otherwise outlive the notifier.
void TKivShellChangeNotifier::StopWatching() {
  active_ = false;
  for (int i = 0; i < directories_.Count(); ++i) {
    Deregister(static_cast<ULONG>(directories_.Value(i)));
    directories_.SetValue(i, 0);
  }
  Deregister(watched_registration_);
  watched_registration_ = 0;
}

void TKivShellChangeNotifier::DeferChange(TNotificationEvent event, std::wstring path1,
                                          std::wstring path2) {
  if (!OnChange) return;
  pending_.push_back({OnChange, event, std::move(path1), std::move(path2)});
  // One message per call keeps them in the order of their events; when the
  // queue is full this call is lost.
  if (!window_->Post(kDeliverMessage)) pending_.pop_back();
}

std::optional<LRESULT> TKivShellChangeNotifier::HandleMessage(UINT msg, WPARAM wparam,
                                                              LPARAM lparam) {
  if (msg == kDeliverMessage) {
    DeliverPendingChange();
    return 0;
  }
  if (msg != kNotifyMessage || !enabled_) return std::nullopt;
  // The platform passes the addresses of the first and second item's lists.
  const auto* items = reinterpret_cast<const PCIDLIST_ABSOLUTE*>(wparam);
  OnNotify(items ? items[0] : nullptr, items ? items[1] : nullptr,
           static_cast<DWORD>(lparam) & ~kInterruptBit);
  return 0;
}

void TKivShellChangeNotifier::OnNotify(PCIDLIST_ABSOLUTE first, PCIDLIST_ABSOLUTE second,
                                       DWORD code) {
  const TNotificationEvent kind = EventOf(code);
  const DWORD now = services_.TickCount ? services_.TickCount() : GetTickCount();
  std::wstring path1, path2;
  if (kind == neImageListChange) {
    // The image index travels as the item pointer itself: the second one on
    // NT systems, the first one elsewhere.
    const void* item = ShellModule::IsNTPlatform() ? second : first;
    path1 = std::to_wstring(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(item)));
  } else if (kind != neAssociationChange) {
    if (IsRepeat(code, first, now)) return;
    path1 = IdListToPath(first);
    path2 = IdListToPath(second);
  }
  last_code_ = code;
  last_first_ = CloneIdList(first);
  last_tick_ = now;

  if (NotifyHook) {
    const std::weak_ptr<char> alive = alive_;
    Raise(NotifyHook, this, kind, first, second);
    if (alive.expired()) return;  // the hook freed the notifier
  }
  DeferChange(kind, std::move(path1), std::move(path2));
}

// The desktop (the empty list) is never a repeat: its events say that
// anything may have changed.
bool TKivShellChangeNotifier::IsRepeat(DWORD code, PCIDLIST_ABSOLUTE first, DWORD now) const {
  return code == last_code_ && IdListCount(first) != 0 && last_first_ &&
         IsSameObject(first, last_first_.get()) && now - last_tick_ < kRepeatInterval;
}

void TKivShellChangeNotifier::DeliverPendingChange() {
  if (pending_.empty()) return;
  PendingChange change = std::move(pending_.front());
  pending_.pop_front();
  // The handler may free the notifier: nothing of it is touched afterwards.
  change.handler(this, change.event, change.path1, change.path2);
}

ULONG TKivShellChangeNotifier::Register(PCIDLIST_ABSOLUTE list) {
  if (!services_.Register || !enabled_) return 0;
  int sources = SHCNRF_InterruptLevel | SHCNRF_ShellLevel;
  if (recursive_) sources |= SHCNRF_RecursiveInterrupt;
  const SHChangeNotifyEntry entry{list, recursive_ ? TRUE : FALSE};
  return services_.Register(Handle(), sources, EventMask(event_filter_), kNotifyMessage, entry);
}

void TKivShellChangeNotifier::Deregister(ULONG registration) {
  if (registration != 0 && services_.Deregister) services_.Deregister(registration);
}

void TKivShellChangeNotifier::DirectoriesChanged() {
  {
    // An empty first entry (the computer folder) gives way to real folders.
    ScopedValue editing(editing_directories_, true);
    if (directories_.Count() > 1 && directories_[0].empty()) directories_.Delete(0);
  }
  if (enabled_) StartWatching();
}

}  // namespace wf
