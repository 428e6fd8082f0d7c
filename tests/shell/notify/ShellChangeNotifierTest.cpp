#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "framework/Strings.h"
#include "shell/core/IdList.h"
#include "shell/core/ShellModule.h"
#include "shell/notify/ShellChangeNotifier.h"
#include "tests/framework/FrameworkTestHelpers.h"
#include "tests/support/TempFolder.h"

namespace wf {
namespace {

using namespace std::chrono_literals;
using test::PumpUntil;
using test::TempFolder;
using Log = std::vector<std::wstring>;

struct Registration {
  HWND window;
  int sources;
  LONG events;
  AbsoluteIdList list;
  BOOL recursive;
  ULONG id;
};

// Stands in for the platform's registration service and clock.
struct FakeShell {
  std::vector<Registration> registered;
  std::vector<ULONG> deregistered;
  DWORD now = 1'000'000;
  bool refuse = false;

  ChangeNotifyServices Services() {
    ChangeNotifyServices services;
    services.Register = [this](HWND window, int sources, LONG events, UINT message,
                               const SHChangeNotifyEntry& entry) {
      EXPECT_EQ(message, 2011u);
      const ULONG id = refuse ? 0 : static_cast<ULONG>(registered.size() + 1);
      registered.push_back(
          {window, sources, events, CloneIdList(entry.pidl), entry.fRecursive, id});
      return id;
    };
    services.Deregister = [this](ULONG id) { deregistered.push_back(id); };
    services.TickCount = [this] { return now; };
    return services;
  }
  // Ids registered and not yet removed.
  size_t Live() const {
    return std::count_if(registered.begin(), registered.end(), [&](const Registration& r) {
      return r.id != 0 && std::count(deregistered.begin(), deregistered.end(), r.id) == 0;
    });
  }
  const Registration& Last() const { return registered.back(); }
};

std::wstring FileName(const std::wstring& path) {
  return path.substr(path.find_last_of(L'\\') + 1);
}

// Logs "hook <kind>" at once and "<kind> <name1> <name2>" when OnChange runs.
void Record(TKivShellChangeNotifier& notifier, Log& log) {
  notifier.NotifyHook = [&log, &notifier](TObject* sender, TNotificationEvent event,
                                          PCIDLIST_ABSOLUTE, PCIDLIST_ABSOLUTE) {
    EXPECT_EQ(sender, &notifier);
    log.push_back(L"hook " + IntToStr(event));
  };
  notifier.OnChange = [&log, &notifier](TObject* sender, TNotificationEvent event,
                                        const std::wstring& path1, const std::wstring& path2) {
    EXPECT_EQ(sender, &notifier);
    log.push_back(IntToStr(event) + L" " + FileName(path1) + L" " + FileName(path2));
  };
}

// Sends what the platform sends for a change: the address of the two items'
// id lists and the event code.
void Deliver(TKivShellChangeNotifier& notifier, DWORD code, PCIDLIST_ABSOLUTE first,
             PCIDLIST_ABSOLUTE second = nullptr) {
  PCIDLIST_ABSOLUTE items[2] = {first, second};
  EXPECT_EQ(SendMessageW(notifier.Handle(), TKivShellChangeNotifier::kNotifyMessage,
                         reinterpret_cast<WPARAM>(items), static_cast<LPARAM>(code)),
            0);
}

bool SameObject(PCIDLIST_ABSOLUTE list, const std::wstring& path) {
  return IsSameObject(list, PathToIdList(path).get());
}

TEST(ShellChangeNotifierSetup, EmptyListWatchesTheComputerUntilFoldersAreGiven) {
  TempFolder temp;
  const std::wstring data = temp.MakeFolder(L"Data");
  FakeShell shell;
  TKivShellChangeNotifier notifier(nullptr, shell.Services());
  EXPECT_TRUE(notifier.Enabled());
  EXPECT_EQ(notifier.Directories().Items(), Log{L""});
  ASSERT_EQ(shell.registered.size(), 1u);
  EXPECT_EQ(shell.Last().window, notifier.Handle());
  EXPECT_EQ(shell.Last().sources, SHCNRF_InterruptLevel | SHCNRF_ShellLevel | 0x1000);
  EXPECT_EQ(shell.Last().events, 0x0807FFFF);
  EXPECT_TRUE(shell.Last().recursive);
  EXPECT_TRUE(SameObject(shell.Last().list.get(), L""));  // the computer folder
  EXPECT_EQ(notifier.Directories().Value(0), shell.Last().id);

  // The empty entry sorts first and gives way.
  notifier.SetDirectories({L"", data});
  notifier.Directories().Add(L"");
  EXPECT_EQ(notifier.Directories().Items(), Log{data});
  EXPECT_EQ(shell.Live(), 1u);
  EXPECT_TRUE(SameObject(shell.Last().list.get(), data));

  TKivShellChangeNotifier unable(nullptr, ChangeNotifyServices{});
  unable.SetEnabled(true);
  EXPECT_FALSE(unable.Enabled());
}

TEST(ShellChangeNotifierSetup, MaskFollowsTheFilterAndRecursiveWaitsForTheNextStart) {
  TempFolder temp;
  FakeShell shell;
  TKivShellChangeNotifier notifier(nullptr, shell.Services());
  notifier.SetDirectories({temp.Path()});
  notifier.SetEventFilter({neUnknown});
  EXPECT_EQ(shell.Last().events, 0x7FFFFFFF);
  notifier.SetEventFilter({neFileChange, neFileCreate, neFileDelete, neFileRename, neDriveAdd,
                           neDriveRemove, neShellDriveAdd, neMediaInsert, neMediaRemove,
                           neFolderCreate, neFolderDelete, neFolderRename, neFolderUpdate,
                           neNetShare, neNetUnShare});
  EXPECT_EQ(shell.Last().events, 0x000337FF);
  EXPECT_EQ(shell.Live(), 1u);

  notifier.SetEnabled(false);
  const size_t before = shell.registered.size();
  notifier.SetRecursive(false);
  EXPECT_EQ(shell.registered.size(), before);
  notifier.SetEnabled(true);
  ASSERT_EQ(shell.registered.size(), before + 1);
  EXPECT_EQ(shell.Last().sources, SHCNRF_InterruptLevel | SHCNRF_ShellLevel);
  EXPECT_FALSE(shell.Last().recursive);
}

TEST(ShellChangeNotifierRegistrations, EachIsMadeOnceAndRemovedOnce) {
  TempFolder temp;
  const std::wstring a = temp.MakeFolder(L"a");
  FakeShell shell;
  {
    TKivShellChangeNotifier notifier(nullptr, shell.Services());
    // As the shell list does after filling: disabled, watch the shown folder,
    // enabled again; then enabled once more by its owner.
    notifier.SetEnabled(false);
    notifier.WatchIdList(PathToIdList(a).get());
    notifier.SetEnabled(true);
    notifier.SetEnabled(true);
    EXPECT_EQ(shell.Live(), 1u);
    notifier.SetDirectories({a, temp.MakeFolder(L"b")});
    notifier.SetEnabled(true);
    EXPECT_EQ(shell.Live(), 2u);
  }
  EXPECT_EQ(shell.Live(), 0u);
  std::vector<ULONG> removed = shell.deregistered;
  std::sort(removed.begin(), removed.end());
  EXPECT_EQ(std::adjacent_find(removed.begin(), removed.end()), removed.end());
}

TEST(ShellChangeNotifierRegistrations, UnparsablePathAndRefusedRegistrationStayZero) {
  TempFolder temp;
  const std::wstring data = temp.MakeFolder(L"data");
  const std::wstring missing = temp / L"no such folder\\below";
  ASSERT_FALSE(PathToIdList(missing));
  FakeShell shell;
  TKivShellChangeNotifier notifier(nullptr, shell.Services());
  notifier.SetDirectories({missing, data});
  TStringList& dirs = notifier.Directories();
  EXPECT_EQ(dirs.Value(dirs.IndexOf(missing)), 0u);
  EXPECT_NE(dirs.Value(dirs.IndexOf(data)), 0u);
  for (const Registration& r : shell.registered) EXPECT_TRUE(r.list) << "registered everything";

  shell.refuse = true;
  notifier.SetRecursive(false);
  EXPECT_EQ(dirs.Value(dirs.IndexOf(data)), 0u);
  const size_t removed = shell.deregistered.size();
  notifier.StopWatching();
  EXPECT_EQ(shell.deregistered.size(), removed);
}

// The handler tests send the notifier's window what the platform sends.
TEST(ShellChangeNotifierHandler, RepeatsWithinTheIntervalAreDropped) {
  TempFolder temp;
  AbsoluteIdList file = PathToIdList(temp.MakeFile(L"file.txt"));
  FakeShell shell;
  TKivShellChangeNotifier notifier(nullptr, shell.Services());
  Log log;
  Record(notifier, log);
  const DWORD start = shell.now;
  Deliver(notifier, SHCNE_UPDATEITEM, file.get());
  shell.now = start + 1000;
  Deliver(notifier, SHCNE_UPDATEITEM, file.get());  // dropped
  shell.now = start + 3000;
  Deliver(notifier, SHCNE_UPDATEITEM, file.get());
  Deliver(notifier, SHCNE_ATTRIBUTES, file.get());
  Deliver(notifier, SHCNE_UPDATEITEM, file.get());
  // The desktop's events say that anything may have changed.
  Deliver(notifier, SHCNE_UPDATEDIR, ShellModule::EmptyIdList());
  Deliver(notifier, SHCNE_UPDATEDIR, ShellModule::EmptyIdList());
  EXPECT_EQ(log, (Log{L"hook 2", L"hook 2", L"hook 1", L"hook 2", L"hook 15", L"hook 15"}));
}

TEST(ShellChangeNotifierHandler, CodesBecomeKindsWithTheirPaths) {
  TempFolder temp;
  AbsoluteIdList one = PathToIdList(temp.MakeFile(L"one.txt"));
  AbsoluteIdList two = PathToIdList(temp.MakeFile(L"two.txt"));
  FakeShell shell;
  TKivShellChangeNotifier notifier(nullptr, shell.Services());
  Log log;
  Record(notifier, log);
  notifier.NotifyHook = nullptr;
  Deliver(notifier, SHCNE_CREATE | SHCNE_INTERRUPT, one.get());
  Deliver(notifier, SHCNE_RENAMEITEM, one.get(), two.get());
  Deliver(notifier, SHCNE_EXTENDED_EVENT, two.get(), one.get());
  // The image index travels as the second item pointer's low 32 bits on NT.
  const auto index = reinterpret_cast<PCIDLIST_ABSOLUTE>(uintptr_t{0x100000000} + 4000000000u);
  Deliver(notifier, SHCNE_UPDATEIMAGE, nullptr, index);
  Deliver(notifier, SHCNE_ASSOCCHANGED, nullptr);
  Deliver(notifier, SHCNE_ASSOCCHANGED, nullptr);
  notifier.SetEnabled(false);
  Deliver(notifier, SHCNE_CREATE, two.get());
  ASSERT_TRUE(PumpUntil([&] { return log.size() >= 6; }));
  EXPECT_EQ(log, (Log{L"3 one.txt ", L"5 one.txt two.txt", L"20 two.txt one.txt", L"19 4000000000 ",
                      L"0  ", L"0  "}));
}

TEST(ShellChangeNotifierDelivery, OnChangeFollowsTheHookInOrderWithItsHandlerOfTheMoment) {
  TempFolder temp;
  AbsoluteIdList one = PathToIdList(temp.MakeFile(L"one.txt"));
  FakeShell shell;
  TKivShellChangeNotifier notifier(nullptr, shell.Services());
  Log log;
  Record(notifier, log);
  Deliver(notifier, SHCNE_CREATE, one.get());
  EXPECT_EQ(log, Log{L"hook 3"});  // OnChange waits for the message's end
  notifier.OnChange = [&](TObject*, TNotificationEvent event, const std::wstring&,
                          const std::wstring&) { log.push_back(L"later " + IntToStr(event)); };
  Deliver(notifier, SHCNE_DELETE, one.get());
  ASSERT_TRUE(PumpUntil([&] { return log.size() >= 4; }));
  EXPECT_EQ(log, (Log{L"hook 3", L"hook 4", L"3 one.txt ", L"later 4"}));
}

TEST(ShellChangeNotifierDelivery, NothingRunsAfterTheNotifierIsFreed) {
  TempFolder temp;
  AbsoluteIdList file = PathToIdList(temp.MakeFile(L"file.txt"));
  FakeShell shell;
  auto notifier = std::make_unique<TKivShellChangeNotifier>(nullptr, shell.Services());
  Log log;
  Record(*notifier, log);
  notifier->NotifyHook = nullptr;
  Deliver(*notifier, SHCNE_CREATE, file.get());
  Deliver(*notifier, SHCNE_DELETE, file.get());
  notifier.reset();
  test::PumpFor(300ms);
  EXPECT_TRUE(log.empty());
}

// Under Wine a change reaches only registrations made in the process that
// reports it, and one that is not recursive hears only of the watched folder
// itself: the test reports the changes.
TEST(ShellChangeNotifierUnderWine, RegisteredFoldersHearOfShellChanges) {
  TempFolder temp;
  const std::wstring watched = temp.MakeFolder(L"watched");
  TKivShellChangeNotifier notifier(nullptr);
  ASSERT_TRUE(notifier.Enabled());
  notifier.SetDirectories({watched});
  Log log;
  Record(notifier, log);
  auto arrived = [&](const std::wstring& entry) {
    return PumpUntil([&] { return std::find(log.begin(), log.end(), entry) != log.end(); });
  };

  const std::wstring child = temp.MakeFolder(L"watched\\child");
  SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHW, child.c_str(), nullptr);
  EXPECT_TRUE(arrived(L"12 child "));
  EXPECT_NE(std::find(log.begin(), log.end(), L"hook 12"), log.end());

  notifier.SetRecursive(false);
  SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW, watched.c_str(), nullptr);
  EXPECT_TRUE(arrived(L"15 watched "));
}

}  // namespace
}  // namespace wf
