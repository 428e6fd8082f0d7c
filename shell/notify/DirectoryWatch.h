#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "framework/Component.h"
#include "framework/Handles.h"
#include "framework/MessageWindow.h"
#include "framework/WorkerThread.h"

namespace wf {

struct TDirectoryChange {
  enum class Action { kAdded, kRemoved, kRenamedOld, kRenamedNew };
  Action action;
  std::wstring name;  // relative to the watched folder
};

using TDirectoryNamesEvent =
    std::function<void(TObject* sender, const std::vector<TDirectoryChange>& changes)>;
using TDirectoryNameEvent = std::function<void(TObject* sender, const std::wstring& name)>;

// Watches one file-system folder (not its subfolders) for changes made by
// anyone, including plain file calls that raise no shell notification, and
// reports them on the thread that made the component. The folder and its
// parent are read on one worker thread, started by the first watch and kept
// until the component ends, that never waits for the component's thread;
// its reports carry the watch they belong to, so a stopped or replaced watch
// delivers nothing more. The events may stop, replace or free the watch.
class TKivDirectoryWatch : public TComponent {
 public:
  explicit TKivDirectoryWatch(TComponent* owner);
  ~TKivDirectoryWatch() override;

  // Stops the current watch and watches `folder`. False, with nothing
  // running, when the folder cannot be watched: no file-system path, no
  // folder, no access, or a file system that keeps no change journal.
  bool Watch(const std::wstring& folder);
  void Stop();
  // The folder of the last watch that started, until Stop or another Watch;
  // it stays after the watch ended by itself.
  const std::wstring& Folder() const { return folder_; }
  bool Active() const { return folder_reader_ != nullptr; }

  // The open folder and the window its device notices go to, as the
  // platform names them in WM_DEVICECHANGE; null when not active.
  HANDLE DirectoryHandle() const;
  HWND Handle() const { return window_.Handle(); }

  // Bytes read at once, for the watches that start afterwards; kept between
  // a few entries and the 64 KB that network folders allow.
  void SetBufferSize(DWORD bytes);

  // Something was added, removed or renamed: one call for each batch read.
  TDirectoryNamesEvent OnNames;
  // A file's content, size, time or attributes changed.
  TDirectoryNameEvent OnModified;
  // More changed than could be reported: everything may have changed.
  TNotifyEvent OnOverflow;
  // The watch ended by itself: the folder was removed or renamed, its drive
  // is going away, or reading it failed. Active() is false from then on.
  TNotifyEvent OnEnded;

  static constexpr DWORD kMaxBufferSize = 64 * 1024;

 private:
  struct Report {
    enum class Kind { kNames, kModified, kOverflow, kEnded };
    Kind kind;
    uint64_t generation;
    std::vector<TDirectoryChange> changes;
    std::wstring name;
  };
  class Reader;
  struct DeviceNotifyDeleter {
    void operator()(HDEVNOTIFY h) const { UnregisterDeviceNotification(h); }
  };

  // From the worker.
  void Queue(Report report);
  void RunWorker(HANDLE stop);
  bool StartReading(std::unique_ptr<Reader>& slot, std::unique_ptr<Reader> reader);
  std::optional<LRESULT> HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam);
  void DeliverReports();
  bool OnDeviceChange(WPARAM event, LPARAM data);
  void EndReaders();

  MessageWindow window_;
  std::wstring folder_;
  DWORD buffer_size_ = kMaxBufferSize;
  // The watch whose reports are delivered; only the owning thread changes it.
  uint64_t generation_ = 0;
  // The worker and what it waits on belong to the component, the readers to
  // one watch. The worker reaches the readers only under `readers_lock_`
  // (a mutex object); the owning thread replaces them only under it, and
  // reads the pointers without it since no other thread changes them.
  UniqueHandle readers_lock_;
  UniqueHandle folder_event_;
  UniqueHandle parent_event_;
  std::unique_ptr<Reader> folder_reader_;
  std::unique_ptr<Reader> parent_reader_;
  std::unique_ptr<WorkerThread> worker_;
  Unique<HDEVNOTIFY, DeviceNotifyDeleter> device_notify_;
  std::mutex queue_mutex_;
  std::vector<Report> queue_;
  // Cleared when the component ends, so that delivery knows to stop.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace wf
