#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, whose types it uses.
#include <dbt.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "shell/notify/DirectoryWatch.h"
#include "tests/framework/FrameworkTestHelpers.h"
#include "tests/support/HostRemoval.h"
#include "tests/support/PostedMarker.h"
#include "tests/support/TempFolder.h"

namespace wf {
namespace {

using test::PumpPostedMessages;
using test::PumpUntil;
using test::TempFolder;

// What a watch reported, one text each: "+added", "-removed", "<old name",
// ">new name", "*modified", "overflow", "ended".
struct Reports {
  explicit Reports(TKivDirectoryWatch& watch) {
    watch.OnNames = [this](TObject*, const std::vector<TDirectoryChange>& changes) {
      ++batches;
      for (const auto& change : changes) {
        static constexpr wchar_t kMarks[] = L"+-<>";
        texts.push_back(std::wstring(1, kMarks[static_cast<int>(change.action)]) + change.name);
      }
    };
    watch.OnModified = [this](TObject*, const std::wstring& name) { texts.push_back(L"*" + name); };
    watch.OnOverflow = [this](TObject*) { texts.push_back(L"overflow"); };
    watch.OnEnded = [this](TObject*) { texts.push_back(L"ended"); };
  }
  bool Has(const std::wstring& text) const {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }
  bool Mentions(const std::wstring& part) const {
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::wstring& t) { return t.find(part) != t.npos; });
  }
  bool WaitFor(const std::wstring& text) {
    return PumpUntil([&] { return Has(text); });
  }

  std::vector<std::wstring> texts;
  int batches = 0;
};

// Waits, without pumping, until the watch's worker has queued a report and
// woken the watch's window: the report is then read but not handed out.
bool WaitUntilReportQueued(const TKivDirectoryWatch& watch) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  for (MSG msg; !PeekMessageW(&msg, watch.Handle(), 0, 0, PM_NOREMOVE); Sleep(5))
    if (std::chrono::steady_clock::now() > end) return false;
  return true;
}

void WriteBytes(const std::wstring& path, const char* bytes) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr));
  ASSERT_TRUE(file);
  SetFilePointer(file.get(), 0, nullptr, FILE_END);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file.get(), bytes, static_cast<DWORD>(strlen(bytes)), &written, nullptr));
}

void MakeEmptyFile(const std::wstring& path) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  ASSERT_TRUE(file);
}

TEST(DirectoryWatch, ReportsPlainFileChangesOfItsFolderOnly) {
  TempFolder temp;
  const std::wstring sub = temp.MakeFolder(L"sub");
  TKivDirectoryWatch watch(nullptr);
  Reports reports(watch);
  ASSERT_TRUE(watch.Watch(temp.Path()));
  EXPECT_TRUE(watch.Active());
  EXPECT_EQ(watch.Folder(), temp.Path());

  MakeEmptyFile(temp / L"a.txt");
  EXPECT_TRUE(reports.WaitFor(L"+a.txt"));
  WriteBytes(temp / L"a.txt", "some content");
  EXPECT_TRUE(reports.WaitFor(L"*a.txt"));

  // A change below a subfolder is not the folder's: at most the subfolder
  // itself shows as modified.
  MakeEmptyFile(sub + L"\\inner.txt");
  ASSERT_TRUE(MoveFileW((temp / L"a.txt").c_str(), (temp / L"b.txt").c_str()));
  EXPECT_TRUE(reports.WaitFor(L">b.txt"));
  EXPECT_TRUE(reports.Has(L"<a.txt"));
  ASSERT_TRUE(DeleteFileW((temp / L"b.txt").c_str()));
  EXPECT_TRUE(reports.WaitFor(L"-b.txt"));
  EXPECT_FALSE(reports.Mentions(L"inner.txt"));

  const std::wstring unicode = TempFolder::NonAnsiName();
  MakeEmptyFile(temp / unicode);
  EXPECT_TRUE(reports.WaitFor(L"+" + unicode));
  EXPECT_FALSE(reports.Has(L"ended"));
  EXPECT_TRUE(watch.Active());
}

TEST(DirectoryWatch, StoppedOrReplacedWatchDeliversNothingMore) {
  TempFolder first;
  TempFolder second;
  TKivDirectoryWatch watch(nullptr);
  Reports reports(watch);
  ASSERT_TRUE(watch.Watch(first.Path()));
  // Changed without pumping: the old watch's reports are read and queued
  // before the new watch starts, and must be dropped.
  for (int i = 0; i < 20; ++i) MakeEmptyFile(first / (L"old" + std::to_wstring(i) + L".txt"));
  ASSERT_TRUE(WaitUntilReportQueued(watch));
  ASSERT_TRUE(watch.Watch(second.Path()));
  EXPECT_EQ(watch.Folder(), second.Path());
  MakeEmptyFile(second / L"new.txt");
  EXPECT_TRUE(reports.WaitFor(L"+new.txt"));
  EXPECT_FALSE(reports.Mentions(L"old"));

  // Stopped with a report read but not handed out: the report is dropped,
  // and once all that was posted before is handled, nothing came of it.
  ASSERT_TRUE(PumpPostedMessages());
  MakeEmptyFile(second / L"after.txt");
  ASSERT_TRUE(WaitUntilReportQueued(watch));
  watch.Stop();
  EXPECT_FALSE(watch.Active());
  EXPECT_TRUE(watch.Folder().empty());
  EXPECT_TRUE(PumpPostedMessages());
  EXPECT_FALSE(reports.Mentions(L"after"));
}

size_t ThreadsOfThisProcess() {
  UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) return 0;
  size_t count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Thread32First(snapshot.get(), &entry); more;
       more = Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  }
  return count;
}

// Each folder the user enters is a new watch of the same component: they
// all share the one thread that the component's first watch started.
TEST(DirectoryWatch, WatchesOfOneComponentShareOneThread) {
  TempFolder temp;
  std::vector<std::wstring> folders;
  for (int i = 0; i < 6; ++i) folders.push_back(temp.MakeFolder(L"folder" + std::to_wstring(i)));
  TKivDirectoryWatch watch(nullptr);
  Reports reports(watch);
  ASSERT_TRUE(watch.Watch(folders[0]));
  const size_t watching = ThreadsOfThisProcess();
  ASSERT_GT(watching, 0u);
  // Asserted: a failure's output may itself start a thread under Wine.
  for (size_t round = 0; round < 3; ++round) {
    for (const std::wstring& folder : folders) {
      ASSERT_TRUE(watch.Watch(folder));
      ASSERT_EQ(ThreadsOfThisProcess(), watching) << folder;
    }
    watch.Stop();
    ASSERT_EQ(ThreadsOfThisProcess(), watching) << "stopped";
  }

  const std::wstring& last = folders.back();
  ASSERT_TRUE(watch.Watch(last));
  MakeEmptyFile(last + L"\\made.txt");
  EXPECT_TRUE(reports.WaitFor(L"+made.txt"));
  ASSERT_TRUE(MoveFileW(last.c_str(), (temp / L"moved").c_str()));
  EXPECT_TRUE(reports.WaitFor(L"ended"));
  EXPECT_FALSE(watch.Active());
  ASSERT_EQ(ThreadsOfThisProcess(), watching) << "ended";

  // Counted on a second component: Wine starts a thread of its own for
  // device notices at the process's first watch.
  {
    TKivDirectoryWatch other(nullptr);
    ASSERT_TRUE(other.Watch(folders[0]));
    ASSERT_EQ(ThreadsOfThisProcess(), watching + 1) << "another component";
  }
  EXPECT_EQ(ThreadsOfThisProcess(), watching) << "that component freed";
}

TEST(DirectoryWatch, FolderThatCannotBeWatchedStartsNothing) {
  TempFolder temp;
  const std::wstring file = temp.MakeFile(L"plain.txt");
  TKivDirectoryWatch watch(nullptr);
  ASSERT_TRUE(watch.Watch(temp.Path()));
  for (const std::wstring& folder : {std::wstring(), temp / L"missing", file,
                                     std::wstring(L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}")}) {
    EXPECT_FALSE(watch.Watch(folder)) << folder;
    EXPECT_FALSE(watch.Active());
    EXPECT_TRUE(watch.Folder().empty());
    EXPECT_EQ(watch.DirectoryHandle(), nullptr);
  }
}

TEST(DirectoryWatch, FolderRemovedOrRenamedEndsTheWatch) {
  TempFolder temp;
  const std::wstring removed = temp.MakeFolder(L"removed");
  const std::wstring renamed = temp.MakeFolder(L"renamed");
  {
    TKivDirectoryWatch watch(nullptr);
    Reports reports(watch);
    ASSERT_TRUE(watch.Watch(removed));
    ASSERT_TRUE(test::StartRemovingFolder(removed));
    EXPECT_TRUE(reports.WaitFor(L"ended"));
    EXPECT_FALSE(watch.Active());
    EXPECT_EQ(watch.Folder(), removed);
  }
  {
    TKivDirectoryWatch watch(nullptr);
    Reports reports(watch);
    ASSERT_TRUE(watch.Watch(renamed));
    ASSERT_TRUE(MoveFileW(renamed.c_str(), (temp / L"moved").c_str()));
    EXPECT_TRUE(reports.WaitFor(L"ended"));
    EXPECT_FALSE(watch.Active());
    // Ended once: the folder's and its parent's reports are one watch's.
    // The end lets the readers go before it is raised, so whatever they
    // queued was posted before the marker.
    EXPECT_TRUE(PumpPostedMessages());
    EXPECT_EQ(std::count(reports.texts.begin(), reports.texts.end(), L"ended"), 1);
  }
}

// The folder's and its parent's reads share a thread: the folder's renaming
// is seen at once while the folder goes on changing without a pause.
TEST(DirectoryWatch, BusyFolderRenamedEndsTheWatch) {
  TempFolder temp;
  const std::wstring folder = temp.MakeFolder(L"busy");
  const std::wstring moved = temp / L"moved";
  TKivDirectoryWatch watch(nullptr);
  Reports reports(watch);
  ASSERT_TRUE(watch.Watch(folder));
  std::atomic<bool> busy = true;
  std::thread writer([&] {
    for (int i = 0; busy; ++i) {
      const std::wstring name = L"\\busy" + std::to_wstring(i % 50) + L".txt";
      for (const std::wstring& where : {folder, moved}) {
        UniqueFile file(CreateFileW((where + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, 0, nullptr));
        if (!file) continue;
        file.reset();
        DeleteFileW((where + name).c_str());
        break;
      }
    }
  });
  EXPECT_TRUE(reports.WaitFor(L"+busy1.txt"));
  const int before = reports.batches;
  EXPECT_TRUE(MoveFileW(folder.c_str(), moved.c_str()));
  EXPECT_TRUE(reports.WaitFor(L"ended"));
  // Served in turn, the two reads let a few of the folder's batches come
  // before the end; a folder's read that starves its parent's, thousands.
  EXPECT_LT(reports.batches - before, 20);
  busy = false;
  writer.join();
}

// Wine sends no device notices: the test delivers the one the platform sends
// when the folder's drive asks to be removed.
TEST(DirectoryWatch, DriveAskingToBeRemovedFindsTheFolderLetGo) {
  TempFolder temp;
  const std::wstring folder = temp.MakeFolder(L"on drive");
  TKivDirectoryWatch watch(nullptr);
  Reports reports(watch);
  ASSERT_TRUE(watch.Watch(folder));
  DEV_BROADCAST_HANDLE notice{};
  notice.dbch_size = sizeof(notice);
  notice.dbch_devicetype = DBT_DEVTYP_HANDLE;
  notice.dbch_handle = reinterpret_cast<HANDLE>(0x1234);
  // Another handle's notice is not the watch's.
  SendMessageW(watch.Handle(), WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE,
               reinterpret_cast<LPARAM>(&notice));
  EXPECT_TRUE(watch.Active());

  notice.dbch_handle = watch.DirectoryHandle();
  EXPECT_EQ(SendMessageW(watch.Handle(), WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE,
                         reinterpret_cast<LPARAM>(&notice)),
            TRUE);
  EXPECT_TRUE(reports.Has(L"ended"));
  EXPECT_FALSE(watch.Active());
  // Nothing holds the folder any more: it can go, at once.
  ASSERT_TRUE(RemoveDirectoryW(folder.c_str()));
  EXPECT_EQ(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(DirectoryWatch, FreedWhileFilesChangeDeliversNothingAfterwards) {
  TempFolder temp;
  std::atomic<bool> busy = true;
  std::thread writer([&] {
    for (int i = 0; busy; ++i) {
      const std::wstring path = temp / (L"busy" + std::to_wstring(i % 50) + L".txt");
      UniqueFile file(
          CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
      file.reset();
      DeleteFileW(path.c_str());
    }
  });
  int delivered = 0;
  for (int round = 0; round < 5; ++round) {
    auto watch = std::make_unique<TKivDirectoryWatch>(nullptr);
    watch->SetBufferSize(round % 2 ? 64 : TKivDirectoryWatch::kMaxBufferSize);
    auto count = [&delivered](TObject*) { ++delivered; };
    watch->OnNames = [&](TObject* sender, const std::vector<TDirectoryChange>&) { count(sender); };
    watch->OnModified = [&](TObject* sender, const std::wstring&) { count(sender); };
    watch->OnOverflow = count;
    ASSERT_TRUE(watch->Watch(temp.Path()));
    const int before = delivered;
    EXPECT_TRUE(PumpUntil([&] { return delivered > before; }));
    // Reports read but not yet handed out are left in the queue.
    EXPECT_TRUE(WaitUntilReportQueued(*watch));
    watch.reset();
    const int at_free = delivered;
    // The worker is gone with the watch: all it queued was posted before
    // the marker.
    EXPECT_TRUE(PumpPostedMessages());
    EXPECT_EQ(delivered, at_free);
  }
  busy = false;
  writer.join();
}

TEST(DirectoryWatch, FreedByItsOwnEventDeliversNothingMore) {
  TempFolder temp;
  auto* watch = new TKivDirectoryWatch(nullptr);
  int calls = 0;
  watch->OnNames = [&](TObject*, const std::vector<TDirectoryChange>&) {
    ++calls;
    delete watch;
  };
  watch->OnModified = [&](TObject*, const std::wstring&) { ++calls; };
  ASSERT_TRUE(watch->Watch(temp.Path()));
  // Several batches wait to be handed out together when the first is: the
  // files after the first are made once its report is queued, so they are
  // read by later reads.
  MakeEmptyFile(temp / L"file0.txt");
  EXPECT_TRUE(WaitUntilReportQueued(*watch));
  for (int i = 1; i < 20; ++i) MakeEmptyFile(temp / (L"file" + std::to_wstring(i) + L".txt"));
  EXPECT_TRUE(PumpUntil([&] { return calls > 0; }));
  // The worker went with the watch: all it queued was posted before the
  // marker.
  EXPECT_TRUE(PumpPostedMessages());
  EXPECT_EQ(calls, 1);
}

TEST(DirectoryWatch, TooSmallBufferReportsOverflowAndGoesOn) {
  TempFolder temp;
  TKivDirectoryWatch watch(nullptr);
  Reports reports(watch);
  watch.SetBufferSize(64);
  ASSERT_TRUE(watch.Watch(temp.Path()));
  // No entry of so long a name fits in 64 bytes.
  MakeEmptyFile(temp / L"a name far too long for the smallest buffer.txt");
  EXPECT_TRUE(reports.WaitFor(L"overflow"));
  EXPECT_TRUE(watch.Active());
  MakeEmptyFile(temp / L"b.txt");
  EXPECT_TRUE(reports.WaitFor(L"+b.txt"));
}

}  // namespace
}  // namespace wf
