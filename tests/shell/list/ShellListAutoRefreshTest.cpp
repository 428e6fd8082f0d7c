// The list following its folder through shell change notices. Under Wine a
// notice reaches only registrations in the process that raised it, and a
// watch of one folder only notices that name the folder itself; most cases
// therefore send the notifier's window the message the platform would send
// it (the addresses of the two id lists, and the event code), which is what
// the shell delivers on Windows.
#include <windows.h>
#include <shlobj.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/Form.h"
#include "shell/core/IdList.h"
#include "tests/framework/FrameworkTestHelpers.h"
#include "tests/shell/list/ShellListTestSupport.h"
#include "tests/support/PostedMarker.h"

namespace wf::test {
namespace {

class ShellListAutoRefresh : public ::testing::Test {
 protected:
  ~ShellListAutoRefresh() override {
    if (list_) {
      list_->OnPopulated = nullptr;
      list_->OnCreateColumns = nullptr;
    }
    form_.reset();
  }

  CountingList& Shown(const std::wstring& path) {
    form_ = std::make_unique<TForm>(nullptr);
    form_->SetBounds(10, 10, 420, 560);
    list_ = new CountingList(form_.get());
    list_->SetParent(form_.get());
    list_->SetAlign(TAlign::alClient);
    list_->OnPopulated = [this](TObject*) { ++fills_; };
    list_->SetPath(path);
    form_->Show();
    UpdateWindow(list_->Handle());
    return *list_;
  }

  // As the shell delivers a change to the notifier's window.
  void Notify(LONG code, PCIDLIST_ABSOLUTE first, PCIDLIST_ABSOLUTE second = nullptr) {
    PCIDLIST_ABSOLUTE items[2] = {first, second};
    SendMessageW(list_->ChangeNotifier().Handle(), TKivShellChangeNotifier::kNotifyMessage,
                 reinterpret_cast<WPARAM>(items), code);
  }

  AbsoluteIdList IdOf(const std::wstring& path) {
    AbsoluteIdList id = PathToIdList(path);
    EXPECT_TRUE(id) << "no id list for " << std::string(path.begin(), path.end());
    return id;
  }

  std::wstring Name(const std::wstring& folder, const std::wstring& name) {
    return ShellDisplayName(folder, name);
  }

  TempFolder folder_;
  std::unique_ptr<TForm> form_;
  CountingList* list_ = nullptr;
  int fills_ = 0;
};

TEST_F(ShellListAutoRefresh, BurstOfChangesIsMergedOnceAfterTheLast) {
  folder_.MakeFile(L"old.txt");
  CountingList& list = Shown(folder_.Path());
  EXPECT_TRUE(list.ChangeNotifier().Enabled());
  EXPECT_FALSE(list.ChangeNotifier().Recursive());
  for (int i = 0; i < 50; ++i) {
    const std::wstring path = folder_.MakeFile(L"new" + std::to_wstring(i) + L".txt");
    Notify(SHCNE_CREATE, IdOf(path).get());
  }
  // The notices reach the list through posted messages, all handled here,
  // before the timer can fire.
  ASSERT_TRUE(PumpPostedMessages());
  EXPECT_EQ(list.merges, 0) << "a burst is gathered by the timer";

  // Fired here rather than waited for: the directory watch, which sees the
  // files too, starts the timer again whenever its reports come, so how
  // many merges a wait sees depends on the clock.
  ASSERT_TRUE(FireRefreshTimer(list)) << "no merge is due after the burst";
  EXPECT_EQ(list.merges, 1);
  EXPECT_EQ(list.Items().Count(), 51);
  EXPECT_EQ(fills_, 1);
}

TEST_F(ShellListAutoRefresh, DeleteNoticeRemovesThatRowAtOnceAndNothingElse) {
  folder_.MakeFile(L"a.txt");
  const std::wstring doomed = folder_.MakeFile(L"b.txt");
  folder_.MakeFile(L"c.txt");
  CountingList& list = Shown(folder_.Path());
  const AbsoluteIdList id = IdOf(doomed);
  ASSERT_TRUE(DeleteFileW(doomed.c_str()));

  Notify(SHCNE_DELETE, id.get());

  const std::vector<std::wstring> left{Name(folder_.Path(), L"a.txt"),
                                       Name(folder_.Path(), L"c.txt")};
  EXPECT_EQ(Captions(list), left);
  // The directory watch, which saw the file go too, merges: that changes
  // no row.
  EXPECT_TRUE(PumpUntil([&] { return list.merges > 0; }));
  EXPECT_EQ(Captions(list), left);
  EXPECT_EQ(fills_, 1);
}

// The shown folder "same" holds a folder "same": the notice of the shown
// folder's removal names an object whose last id matches that row's.
TEST_F(ShellListAutoRefresh, ShownFolderDeletedKeepsItsRowsAndMovesToMyComputer) {
  const std::wstring shown = folder_.MakeFolder(L"same");
  folder_.MakeFolder(L"same\\same");
  folder_.MakeFile(L"same\\a.txt");
  CountingList& list = Shown(shown + L"\\");
  const AbsoluteIdList id = IdOf(shown);
  ASSERT_EQ(list.Items().Count(), 2);
  ErrorDisplayCapture errors;
  ASSERT_TRUE(RemoveFolderTree(shown));

  Notify(SHCNE_RMDIR, id.get());

  EXPECT_EQ(list.Items().Count(), 2) << "no row is the shown folder";
  EXPECT_TRUE(PumpUntil([&] { return list.SpecialFolder() == SF_DRIVES; }));
  EXPECT_TRUE(errors.messages.empty());
}

TEST_F(ShellListAutoRefresh, ShareNoticeRefillsAtOnce) {
  CountingList& list = Shown(folder_.Path());
  folder_.MakeFile(L"a.txt");

  Notify(SHCNE_NETSHARE, IdOf(folder_.Path()).get());

  EXPECT_EQ(fills_, 2);
  EXPECT_EQ(Captions(list), std::vector<std::wstring>{Name(folder_.Path(), L"a.txt")});
}

TEST_F(ShellListAutoRefresh, SwitchedOffNothingReachesTheListButF5StillRefreshes) {
  const std::wstring file = folder_.MakeFile(L"a.txt");
  CountingList& list = Shown(folder_.Path());
  list.SetAutomaticRefresh(false);
  EXPECT_FALSE(list.ChangeNotifier().Enabled());
  const AbsoluteIdList id = IdOf(file);
  const std::wstring a = Name(folder_.Path(), L"a.txt");
  ASSERT_TRUE(DeleteFileW(file.c_str()));
  folder_.MakeFile(L"b.txt");

  Notify(SHCNE_DELETE, id.get());
  Notify(SHCNE_CREATE, IdOf(folder_ / L"b.txt").get());
  // A notice let through would be handed on by a posted message, and start
  // the timer.
  ASSERT_TRUE(PumpPostedMessages());
  EXPECT_FALSE(RefreshTimerOf(list)->Enabled()) << "a merge is due";
  EXPECT_EQ(list.merges, 0);
  EXPECT_EQ(Captions(list), std::vector<std::wstring>{a});

  SendMessageW(list.Handle(), WM_KEYDOWN, VK_F5, 1);
  EXPECT_EQ(Captions(list), std::vector<std::wstring>{Name(folder_.Path(), L"b.txt")});
  EXPECT_FALSE(list.ChangeNotifier().Enabled()) << "a fill does not switch it on again";

  list.SetAutomaticRefresh(true);
  EXPECT_TRUE(list.ChangeNotifier().Enabled());
}

TEST_F(ShellListAutoRefresh, FailedFillLeavesTheListFollowingItsFolder) {
  CountingList& list = Shown(folder_.Path());
  list.OnCreateColumns = [](TObject*) { throw Exception(L"columns failed"); };
  EXPECT_THROW(list.Populate(), Exception);
  list.OnCreateColumns = nullptr;
  EXPECT_TRUE(list.ChangeNotifier().Enabled());
  folder_.MakeFile(L"a.txt");

  list.MergeRefresh();

  EXPECT_EQ(Captions(list), std::vector<std::wstring>{Name(folder_.Path(), L"a.txt")});
}

// The one notice Wine delivers to a watch of a single folder: the folder's
// own update.
TEST_F(ShellListAutoRefresh, ShellNoticeOfTheShownFolderMergesItsChanges) {
  CountingList& list = Shown(folder_.Path());
  folder_.MakeFile(L"a.txt");
  const std::wstring path = folder_.Path();

  SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW, path.c_str(), nullptr);

  EXPECT_TRUE(PumpUntil([&] { return list.Items().Count() == 1; }));
  EXPECT_EQ(list.merges, 1);
}

}  // namespace
}  // namespace wf::test
