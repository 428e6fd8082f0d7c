// The list following its folder through the folder's directory watch: files
// are changed with plain file calls, which raise no shell notice, and the
// test pumps messages until the rows show the change.
#include <windows.h>

#include <atomic>
#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/Form.h"
#include "framework/Handles.h"
#include "tests/framework/FrameworkTestHelpers.h"
#include "tests/shell/list/ShellListTestSupport.h"
#include "tests/support/HostRemoval.h"
#include "tests/support/PostedMarker.h"

namespace wf::test {
namespace {

using namespace std::chrono_literals;

bool WriteFile(const std::wstring& path, size_t bytes) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  const std::string data(bytes, 'x');
  DWORD written = 0;
  return bytes == 0 || (::WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()),
                                    &written, nullptr) &&
                        written == data.size());
}

// Creates files in a folder, one every few milliseconds, until stopped.
class FileMaker {
 public:
  explicit FileMaker(std::wstring folder)
      : thread_([this, folder = std::move(folder)] {
          for (int i = 0; !stop_; ++i) {
            WriteFile(folder + L"\\made" + std::to_wstring(i) + L".txt", 0);
            Sleep(5);
          }
        }) {}
  ~FileMaker() {
    stop_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Pumps only `window`'s messages until `done` answers true or the time is
// up; answers `done()` at the end.
bool PumpWindowUntil(HWND window, const std::function<bool()>& done,
                     std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done() && std::chrono::steady_clock::now() < end) {
    MSG msg;
    if (PeekMessageW(&msg, window, 0, 0, PM_REMOVE)) {
      DispatchMessageW(&msg);
      continue;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_POSTMESSAGE);
  }
  return done();
}

class ShellListWatch : public ::testing::Test {
 protected:
  ~ShellListWatch() override { form_.reset(); }

  CountingList& Shown(const std::wstring& path) {
    form_ = std::make_unique<TForm>(nullptr);
    form_->SetBounds(10, 10, 420, 560);
    list_ = new CountingList(form_.get());
    list_->SetParent(form_.get());
    list_->SetAlign(TAlign::alClient);
    list_->SetPath(path);
    form_->Show();
    UpdateWindow(list_->Handle());
    return *list_;
  }

  bool Shows(const std::wstring& name) { return HasCaption(*list_, Name(name)); }
  std::wstring Name(const std::wstring& name) { return ShellDisplayName(folder_.Path(), name); }

  TempFolder folder_;
  std::unique_ptr<TForm> form_;
  CountingList* list_ = nullptr;
};

TEST_F(ShellListWatch, PlainFileCallsShowInTheRows) {
  const std::wstring kept = folder_.MakeFile(L"kept.txt");
  const std::wstring doomed = folder_.MakeFile(L"doomed.txt");
  const std::wstring old_name = folder_.MakeFile(L"old.txt");
  CountingList& list = Shown(folder_.Path());
  ASSERT_EQ(list.Items().Count(), 3);
  EXPECT_TRUE(list.DirectoryWatch().Active());
  // Display names are asked of objects that exist.
  const std::wstring doomed_name = Name(L"doomed.txt");
  const std::wstring old_shown = Name(L"old.txt");

  ASSERT_TRUE(WriteFile(folder_ / L"created.txt", 0));
  EXPECT_TRUE(PumpUntil([&] { return Shows(L"created.txt"); }));

  ASSERT_TRUE(DeleteFileW(doomed.c_str()));
  EXPECT_TRUE(PumpUntil([&] { return !HasCaption(list, doomed_name); }));

  ASSERT_TRUE(MoveFileW(old_name.c_str(), (folder_ / L"new.txt").c_str()));
  EXPECT_TRUE(PumpUntil([&] { return Shows(L"new.txt") && !HasCaption(list, old_shown); }));

  EXPECT_TRUE(Shows(L"kept.txt"));
  EXPECT_EQ(list.Items().Count(), 3);
}

TEST_F(ShellListWatch, ChangedContentRefreshesItsRowWithoutAMerge) {
  folder_.MakeFile(L"a.txt");
  const std::wstring written = folder_.MakeFile(L"b.txt");
  folder_.MakeFolder(L"sub");
  CountingList& list = Shown(folder_.Path());
  const int row = IndexOfCaption(list, Name(L"b.txt"));
  ASSERT_GE(row, 0);
  const int other = IndexOfCaption(list, Name(L"a.txt"));
  const std::wstring size_before = ControlSubItemText(list, row, 1);
  const std::wstring other_size = ControlSubItemText(list, other, 1);

  ASSERT_TRUE(WriteFile(written, 100 * 1024));
  EXPECT_TRUE(PumpUntil([&] { return ControlSubItemText(list, row, 1) != size_before; }))
      << "the size stays " << std::string(size_before.begin(), size_before.end());
  EXPECT_EQ(ControlSubItemText(list, other, 1), other_size);

  // A change inside a subfolder is the subfolder's row's business at most.
  // The watch reports it before the next change of b.txt: once that shows,
  // whatever the subfolder's change asked for has been asked.
  ASSERT_TRUE(WriteFile(folder_ / L"sub\\inner.txt", 10));
  const std::wstring size_between = ControlSubItemText(list, row, 1);
  ASSERT_TRUE(WriteFile(written, 200 * 1024));
  EXPECT_TRUE(PumpUntil([&] { return ControlSubItemText(list, row, 1) != size_between; }));
  EXPECT_FALSE(RefreshTimerOf(list)->Enabled()) << "a merge is due";
  EXPECT_EQ(list.merges, 0);
  EXPECT_EQ(list.Items().Count(), 3);
}

TEST_F(ShellListWatch, ShownFolderRemovedFromLinuxShowsMyComputer) {
  const std::wstring shown = folder_.MakeFolder(L"gone");
  CountingList& list = Shown(shown + L"\\");
  ErrorDisplayCapture errors;
  ASSERT_TRUE(StartRemovingFolder(shown));

  EXPECT_TRUE(PumpUntil([&] { return list.SpecialFolder() == SF_DRIVES; }));
  EXPECT_TRUE(errors.messages.empty());
}

// Whether the shown folder is a special one is kept between merges, so it
// must be asked again for each folder shown: a plain folder shown after the
// desktop is still looked for when it goes.
TEST_F(ShellListWatch, FolderShownAfterTheDesktopIsLookedForWhenItGoes) {
  const std::wstring shown = folder_.MakeFolder(L"gone");
  CountingList& list = Shown(folder_.Path());
  list.SetSpecialFolder(SF_DESKTOP);
  list.RestartRefreshTimer();
  ASSERT_TRUE(PumpUntil([&] { return list.merges > 0; }));

  list.SetPath(shown + L"\\");
  ErrorDisplayCapture errors;
  ASSERT_TRUE(StartRemovingFolder(shown));

  EXPECT_TRUE(PumpUntil([&] { return list.SpecialFolder() == SF_DRIVES; }));
  EXPECT_TRUE(errors.messages.empty());
}

TEST_F(ShellListWatch, SwitchedOffACreatedFileWaitsForF5AndOnAgainFollows) {
  CountingList& list = Shown(folder_.Path());
  list.SetAutomaticRefresh(false);
  EXPECT_FALSE(list.DirectoryWatch().Active());

  ASSERT_TRUE(WriteFile(folder_ / L"a.txt", 0));
  // Neither the watch nor the notices follow the folder now: with what was
  // posted handled, no merge is due that could show the file.
  ASSERT_TRUE(PumpPostedMessages());
  EXPECT_FALSE(RefreshTimerOf(list)->Enabled()) << "a merge is due";
  EXPECT_FALSE(Shows(L"a.txt"));
  SendMessageW(list.Handle(), WM_KEYDOWN, VK_F5, 1);
  EXPECT_TRUE(Shows(L"a.txt"));
  EXPECT_FALSE(list.DirectoryWatch().Active()) << "a fill does not start it";

  list.SetAutomaticRefresh(true);
  EXPECT_TRUE(list.DirectoryWatch().Active());
  ASSERT_TRUE(WriteFile(folder_ / L"b.txt", 0));
  EXPECT_TRUE(PumpUntil([&] { return Shows(L"b.txt"); }));
}

// The watch merges soon after its last report, yet a burst whose reports
// are handled between its files, as they come, is still one merge. Only the
// watch's messages are handled during the burst: how long "soon" is, is the
// clock's business, and the timer is fired by the test once the burst is
// over.
TEST_F(ShellListWatch, BurstOfPlainCreationsHandledAsTheyComeIsOneMerge) {
  folder_.MakeFile(L"old.txt");
  CountingList& list = Shown(folder_.Path());
  TKivDirectoryWatch& watch = list.DirectoryWatch();
  const TDirectoryNamesEvent list_handler = watch.OnNames;
  std::vector<std::wstring> reported;
  watch.OnNames = [&](TObject* sender, const std::vector<TDirectoryChange>& changes) {
    for (const TDirectoryChange& change : changes) reported.push_back(change.name);
    list_handler(sender, changes);
  };
  for (int i = 0; i < 40; ++i) {
    const std::wstring name = L"b" + std::to_wstring(i) + L".txt";
    ASSERT_TRUE(WriteFile(folder_ / name, 0));
    EXPECT_TRUE(PumpWindowUntil(
        watch.Handle(),
        [&] { return std::find(reported.begin(), reported.end(), name) != reported.end(); }))
        << "no report of " << ToUtf8(name);
  }
  watch.OnNames = list_handler;
  EXPECT_EQ(list.merges, 0);
  ASSERT_TRUE(FireRefreshTimer(list)) << "no merge is due after the burst";
  EXPECT_EQ(list.merges, 1);
  EXPECT_EQ(list.Items().Count(), 41);
}

// Counts merges, not times: a timer restarted by every report of a steady
// stream would never fire.
TEST_F(ShellListWatch, SteadyStreamOfChangesStillMerges) {
  CountingList& list = Shown(folder_.Path());
  for (int i = 0; i < 30; ++i) {
    ASSERT_TRUE(WriteFile(folder_ / (L"f" + std::to_wstring(i) + L".txt"), 0));
    PumpFor(100ms);
  }
  EXPECT_GE(list.merges, 2);
  EXPECT_TRUE(PumpUntil([&] { return list.Items().Count() == 30; }));
}

TEST_F(ShellListWatch, LeavingOrFreeingTheListWhileFilesComeIsClean) {
  const std::wstring busy = folder_.MakeFolder(L"busy");
  const std::wstring quiet = folder_.MakeFolder(L"quiet");
  folder_.MakeFile(L"quiet\\q.txt");
  ErrorDisplayCapture errors;
  {
    FileMaker maker(busy);
    CountingList& list = Shown(busy + L"\\");
    EXPECT_TRUE(PumpUntil([&] { return list.merges > 0; }));

    list.SetPath(quiet + L"\\");
    const int merges = list.merges;
    // The busy folder's reports were queued before its watch ended: with
    // what was posted handled, none of them left a merge due.
    ASSERT_TRUE(PumpPostedMessages());
    EXPECT_FALSE(RefreshTimerOf(list)->Enabled()) << "a merge is due";
    EXPECT_EQ(list.merges, merges) << "nothing changed in the folder shown";
    EXPECT_EQ(list.Items().Count(), 1);

    list.SetPath(busy + L"\\");
    const int quiet_merges = list.merges;
    EXPECT_TRUE(PumpUntil([&] { return list.merges > quiet_merges; }));
    form_.reset();
    list_ = nullptr;
    // Freed with reports queued: they are handled, or dropped, by now.
    EXPECT_TRUE(PumpPostedMessages());
  }
  EXPECT_TRUE(errors.messages.empty());
}

}  // namespace
}  // namespace wf::test
