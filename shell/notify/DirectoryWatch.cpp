#include "shell/notify/DirectoryWatch.h"

#include <dbt.h>

#include <algorithm>
#include <cstddef>
#include <iterator>

#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "framework/Strings.h"
#include "shell/core/ShellUtils.h"

namespace wf {
namespace {

// The reports' wake-up; the reports themselves wait in the queue, so that
// none is lost or leaked with a message that is never handled.
constexpr UINT kReportMessage = WM_APP + 1;
constexpr DWORD kMinBufferSize = 64;
// A user-interface thread that falls this far behind learns only that
// everything may have changed.
constexpr size_t kMaxQueuedReports = 1024;
constexpr DWORD kNotifyFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE |
                                FILE_NOTIFY_CHANGE_ATTRIBUTES;

UniqueFile OpenFolder(const std::wstring& folder) {
  // Full sharing: the watch must not keep anyone from renaming or removing
  // the folder.
  UniqueFile handle(CreateFileW(LongPathForm(folder).c_str(), FILE_LIST_DIRECTORY,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED,
                                nullptr));
  if (!handle) return handle;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle.get(), &info) ||
      !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return UniqueFile();
  }
  return handle;
}

// Held while the worker serves the readers and while the owning thread
// replaces them. A mutex object, waited for in the kernel, rather than a
// lock that may spin or wait in user mode: under Wine a read finishes only
// once the thread that asked for it next waits in the kernel, and the owning
// thread, holding the lock, waits for the worker's cancelled reads.
class ReadersLock {
 public:
  explicit ReadersLock(HANDLE mutex) : mutex_(mutex) { WaitForSingleObject(mutex_, INFINITE); }
  ~ReadersLock() { ReleaseMutex(mutex_); }
  ReadersLock(const ReadersLock&) = delete;
  ReadersLock& operator=(const ReadersLock&) = delete;

 private:
  HANDLE mutex_;
};

}  // namespace

// Reads one folder's changes and queues them as reports of one watch. With
// a `only_name`, it watches a parent for that child's removal or renaming
// and reports nothing else. Its reads signal the event of its slot, which
// the worker waits on and which outlives every reader.
class TKivDirectoryWatch::Reader {
 public:
  Reader(TKivDirectoryWatch& watch, uint64_t generation, UniqueFile folder, HANDLE event,
         DWORD buffer_size, std::wstring only_name, std::wstring watched)
      : watch_(watch),
        generation_(generation),
        folder_(std::move(folder)),
        event_(event),
        buffer_(buffer_size / sizeof(DWORD)),
        only_name_(std::move(only_name)),
        watched_(std::move(watched)) {}

  // Under the readers' lock, so that the worker neither serves this reader
  // nor resets its event meanwhile. The buffer and the OVERLAPPED stay the
  // platform's until the cancelled read has finished.
  ~Reader() {
    if (!pending_) return;
    CancelIoEx(folder_.get(), &overlapped_);
    DWORD bytes = 0;
    // A late signal of an older read in the same slot can end the wait
    // before this read has finished.
    for (;;) {
      GetOverlappedResult(folder_.get(), &overlapped_, &bytes, TRUE);
      if (HasOverlappedIoCompleted(&overlapped_)) break;
      ResetEvent(event_);
    }
  }
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  HANDLE Folder() const { return folder_.get(); }

  // Under the readers' lock. The first read is asked for on the owning
  // thread, so that a folder the platform cannot watch answers at once; the
  // worker asks for the ones after. The platform cancels a thread's reads
  // when the thread ends: the owning thread outlives the watch, and the
  // worker is kept until the component ends.
  bool Read() {
    ResetEvent(event_);
    overlapped_ = OVERLAPPED{};
    overlapped_.hEvent = event_;
    pending_ = ReadDirectoryChangesW(folder_.get(), buffer_.data(),
                                     static_cast<DWORD>(buffer_.size() * sizeof(DWORD)), FALSE,
                                     kNotifyFilter, nullptr, &overlapped_, nullptr) != FALSE;
    return pending_;
  }

  // On the worker, under the readers' lock, after the slot's event was
  // reset: reports a finished read and asks for the next. A read still
  // pending is left alone; its slot's event came from an older read.
  void Serve() {
    if (!pending_) return;
    DWORD bytes = 0;
    if (GetOverlappedResult(folder_.get(), &overlapped_, &bytes, FALSE)) {
      pending_ = false;
      // Nothing read means the platform dropped what did not fit.
      if (bytes > 0) {
        Parse(bytes);
      } else {
        Overflow();
      }
    } else {
      const DWORD error = GetLastError();
      if (error == ERROR_IO_INCOMPLETE) return;
      pending_ = false;
      if (error != ERROR_NOTIFY_ENUM_DIR) {
        Queue(Report::Kind::kEnded);
        return;
      }
      Overflow();
    }
    if (!Read()) Queue(Report::Kind::kEnded);
  }

 private:
  void Parse(DWORD bytes) {
    std::vector<TDirectoryChange> changes;
    std::vector<std::wstring> modified;
    const auto* base = reinterpret_cast<const BYTE*>(buffer_.data());
    constexpr DWORD kHeader = offsetof(FILE_NOTIFY_INFORMATION, FileName);
    for (DWORD offset = 0; offset + kHeader <= bytes;) {
      const auto* entry = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(base + offset);
      const DWORD length = std::min<DWORD>(entry->FileNameLength, bytes - offset - kHeader);
      std::wstring name(entry->FileName, length / sizeof(WCHAR));
      switch (entry->Action) {
        case FILE_ACTION_ADDED:
          changes.push_back({TDirectoryChange::Action::kAdded, std::move(name)});
          break;
        case FILE_ACTION_REMOVED:
          changes.push_back({TDirectoryChange::Action::kRemoved, std::move(name)});
          break;
        case FILE_ACTION_RENAMED_OLD_NAME:
          changes.push_back({TDirectoryChange::Action::kRenamedOld, std::move(name)});
          break;
        case FILE_ACTION_RENAMED_NEW_NAME:
          changes.push_back({TDirectoryChange::Action::kRenamedNew, std::move(name)});
          break;
        case FILE_ACTION_MODIFIED:
          if (std::find(modified.begin(), modified.end(), name) == modified.end())
            modified.push_back(std::move(name));
          break;
      }
      if (entry->NextEntryOffset == 0) break;
      offset += entry->NextEntryOffset;
    }
    if (!only_name_.empty()) {
      const bool gone =
          std::any_of(changes.begin(), changes.end(), [&](const TDirectoryChange& change) {
            return (change.action == TDirectoryChange::Action::kRemoved ||
                    change.action == TDirectoryChange::Action::kRenamedOld) &&
                   SameText(change.name, only_name_);
          });
      if (gone) Queue(Report::Kind::kEnded);
      return;
    }
    if (!changes.empty()) watch_.Queue({Report::Kind::kNames, generation_, std::move(changes), {}});
    for (auto& name : modified)
      watch_.Queue({Report::Kind::kModified, generation_, {}, std::move(name)});
  }

  void Overflow() {
    // A parent that overflowed may have hidden the folder's own renaming.
    if (!only_name_.empty()) {
      if (!DirectoryExists(watched_)) Queue(Report::Kind::kEnded);
      return;
    }
    Queue(Report::Kind::kOverflow);
  }

  void Queue(Report::Kind kind) { watch_.Queue({kind, generation_, {}, {}}); }

  TKivDirectoryWatch& watch_;
  const uint64_t generation_;
  UniqueFile folder_;
  const HANDLE event_;
  // DWORDs: the platform's entries are DWORD-aligned.
  std::vector<DWORD> buffer_;
  const std::wstring only_name_;
  const std::wstring watched_;
  OVERLAPPED overlapped_{};
  bool pending_ = false;
};

TKivDirectoryWatch::TKivDirectoryWatch(TComponent* owner)
    : TComponent(owner),
      window_(
          MessageWindow::Kind::kMessageOnly,
          [this](UINT msg, WPARAM wparam, LPARAM lparam) {
            return HandleMessage(msg, wparam, lparam);
          },
          this),
      readers_lock_(CreateMutexW(nullptr, FALSE, nullptr)),
      folder_event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      parent_event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

TKivDirectoryWatch::~TKivDirectoryWatch() {
  *alive_ = false;
  // The readers end while the worker still runs: under Wine a read it asked
  // for may finish, and its buffer be free to go, only once it next waits.
  Stop();
  worker_.reset();
}

bool TKivDirectoryWatch::Watch(const std::wstring& folder) {
  Stop();
  if (folder.empty() || !readers_lock_ || !folder_event_ || !parent_event_) return false;
  UniqueFile handle = OpenFolder(folder);
  if (!handle) return false;
  const HANDLE directory = handle.get();
  const uint64_t generation = generation_;
  if (!StartReading(folder_reader_, std::make_unique<Reader>(*this, generation, std::move(handle),
                                                             folder_event_.get(), buffer_size_,
                                                             std::wstring(), std::wstring()))) {
    return false;
  }
  if (!worker_) {
    try {
      worker_ = std::make_unique<WorkerThread>([this](HANDLE stop) { RunWorker(stop); });
    } catch (const Exception&) {
      EndReaders();
      return false;
    }
  }

  // The folder's own removal or renaming shows only in its parent. A
  // folder whose parent cannot be watched is still watched itself.
  const std::wstring path = ExcludeTrailingBackslash(folder);
  const std::wstring name = ExtractFileName(path);
  const std::wstring parent_path = ExtractFilePath(path);
  if (!name.empty() && !parent_path.empty()) {
    if (UniqueFile parent_handle = OpenFolder(parent_path)) {
      StartReading(parent_reader_,
                   std::make_unique<Reader>(*this, generation, std::move(parent_handle),
                                            parent_event_.get(), buffer_size_, name, path));
    }
  }

  // A drive that asks to be removed must find the folder let go.
  DEV_BROADCAST_HANDLE filter{};
  filter.dbch_size = sizeof(filter);
  filter.dbch_devicetype = DBT_DEVTYP_HANDLE;
  filter.dbch_handle = directory;
  device_notify_.reset(
      RegisterDeviceNotificationW(window_.Handle(), &filter, DEVICE_NOTIFY_WINDOW_HANDLE));
  folder_ = folder;
  return true;
}

bool TKivDirectoryWatch::StartReading(std::unique_ptr<Reader>& slot,
                                      std::unique_ptr<Reader> reader) {
  // The reader is in its slot before the worker can take the lock and look
  // at the slot's event, which a read finishing at once has already set.
  ReadersLock lock(readers_lock_.get());
  if (!reader->Read()) return false;
  slot = std::move(reader);
  return true;
}

void TKivDirectoryWatch::RunWorker(HANDLE stop) {
  const HANDLE waits[] = {stop, folder_event_.get(), parent_event_.get()};
  for (;;) {
    const DWORD woken =
        WaitForMultipleObjects(static_cast<DWORD>(std::size(waits)), waits, FALSE, INFINITE);
    if (woken != WAIT_OBJECT_0 + 1 && woken != WAIT_OBJECT_0 + 2) return;
    ReadersLock lock(readers_lock_.get());
    // Both slots on every wake: the wait favours the first event, and a
    // folder that changes without pause must not starve its parent's read.
    // Each event is reset before its read is looked at, so that a read
    // finishing in between signals it again.
    ResetEvent(folder_event_.get());
    if (folder_reader_) folder_reader_->Serve();
    ResetEvent(parent_event_.get());
    if (parent_reader_) parent_reader_->Serve();
  }
}

void TKivDirectoryWatch::Stop() {
  EndReaders();
  folder_.clear();
}

void TKivDirectoryWatch::EndReaders() {
  // Whatever the old readers queued, or still queue while they stop, is
  // from an older watch from here on.
  ++generation_;
  device_notify_.reset();
  ReadersLock lock(readers_lock_.get());
  folder_reader_.reset();
  parent_reader_.reset();
}

HANDLE TKivDirectoryWatch::DirectoryHandle() const {
  return folder_reader_ ? folder_reader_->Folder() : nullptr;
}

void TKivDirectoryWatch::SetBufferSize(DWORD bytes) {
  buffer_size_ = std::clamp(bytes, kMinBufferSize, kMaxBufferSize);
}

void TKivDirectoryWatch::Queue(Report report) {
  bool wake = false;
  {
    std::lock_guard lock(queue_mutex_);
    if (queue_.size() >= kMaxQueuedReports &&
        (report.kind == Report::Kind::kNames || report.kind == Report::Kind::kModified)) {
      if (queue_.back().kind == Report::Kind::kOverflow) return;
      report = Report{Report::Kind::kOverflow, report.generation, {}, {}};
    }
    wake = queue_.empty();
    queue_.push_back(std::move(report));
  }
  if (wake) window_.Post(kReportMessage);
}

std::optional<LRESULT> TKivDirectoryWatch::HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case kReportMessage:
      DeliverReports();
      return 0;
    case WM_DEVICECHANGE:
      return OnDeviceChange(wparam, lparam) ? TRUE : std::optional<LRESULT>();
  }
  return std::nullopt;
}

void TKivDirectoryWatch::DeliverReports() {
  std::vector<Report> reports;
  {
    std::lock_guard lock(queue_mutex_);
    reports.swap(queue_);
  }
  // An event may stop or replace the watch, which the generation check sees,
  // or free the component, which `alive` sees.
  const std::shared_ptr<bool> alive = alive_;
  for (auto& report : reports) {
    if (!*alive) return;
    if (report.generation != generation_) continue;
    // One failing handler shows its error and leaves the other reports due.
    Guarded(this, [&] {
      switch (report.kind) {
        case Report::Kind::kNames:
          Raise(OnNames, this, report.changes);
          break;
        case Report::Kind::kModified:
          Raise(OnModified, this, report.name);
          break;
        case Report::Kind::kOverflow:
          Raise(OnOverflow, this);
          break;
        case Report::Kind::kEnded:
          EndReaders();
          Raise(OnEnded, this);
          break;
      }
    });
  }
}

bool TKivDirectoryWatch::OnDeviceChange(WPARAM event, LPARAM data) {
  if (event != DBT_DEVICEQUERYREMOVE && event != DBT_DEVICEREMOVEPENDING &&
      event != DBT_DEVICEREMOVECOMPLETE) {
    return false;
  }
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
  if (!header || header->dbch_devicetype != DBT_DEVTYP_HANDLE || !Active()) return false;
  const auto* device = reinterpret_cast<const DEV_BROADCAST_HANDLE*>(data);
  const bool ours = (device_notify_ && device->dbch_hdevnotify == device_notify_.get()) ||
                    device->dbch_handle == folder_reader_->Folder();
  if (!ours) return false;
  // The drive is let go before the answer grants its removal.
  EndReaders();
  Raise(OnEnded, this);
  return true;
}

}  // namespace wf
