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
using test::PumpFor;
using test::PumpUntil;
using test::TempFolder;

constexpr int kShellSources = SHCNRF_InterruptLevel | SHCNRF_ShellLevel;
constexpr int kRecursiveSources = kShellSources | SHCNRF_RecursiveInterrupt;

struct Registration {
  HWND window;
  int sources;
  LONG events;
  UINT message;
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
      const ULONG id = refuse ? 0 : static_cast<ULONG>(registered.size() + 1);
      registered.push_back(
          {window, sources, events, message, CloneIdList(entry.pidl), entry.fRecursive, id});
      return id;
    };
    services.Deregister = [this](ULONG id) { deregistered.push_back(id); };
    services.TickCount = [this] { return now; };
    return services;
  }

  // Ids registered and not yet removed.
  std::vector<ULONG> Live() const {
    std::vector<ULONG> live;
    for (const Registration& r : registered)
      if (r.id != 0 && std::count(deregistered.begin(), deregistered.end(), r.id) == 0)
        live.push_back(r.id);
    return live;
  }
  const Registration& Last() const { return registered.back(); }
};

struct Seen {
  TNotificationEvent event;
  std::wstring path1;
  std::wstring path2;
  friend bool operator==(const Seen&, const Seen&) = default;
};

// What reaches the hook at once and OnChange later, in order.
struct Recorder {
  explicit Recorder(TKivShellChangeNotifier& notifier) {
    notifier.NotifyHook = [this, &notifier](TObject* sender, TNotificationEvent event,
                                            PCIDLIST_ABSOLUTE, PCIDLIST_ABSOLUTE) {
      EXPECT_EQ(sender, &notifier);
      hooked.push_back(event);
    };
    notifier.OnChange = [this, &notifier](TObject* sender, TNotificationEvent event,
                                          const std::wstring& path1, const std::wstring& path2) {
      EXPECT_EQ(sender, &notifier);
      changes.push_back({event, path1, path2});
    };
  }
  bool Settled(size_t count) {
    return PumpUntil([&] { return changes.size() >= count; }) && changes.size() == count;
  }
  std::vector<TNotificationEvent> hooked;
  std::vector<Seen> changes;
};

// Sends what the platform sends for a change: the addresses of the two items'
// id lists and the event code.
void Deliver(TKivShellChangeNotifier& notifier, DWORD code, PCIDLIST_ABSOLUTE first,
             PCIDLIST_ABSOLUTE second = nullptr) {
  PCIDLIST_ABSOLUTE items[2] = {first, second};
  EXPECT_EQ(SendMessageW(notifier.Handle(), TKivShellChangeNotifier::kNotifyMessage,
                         reinterpret_cast<WPARAM>(items), static_cast<LPARAM>(code)),
            0);
}

bool SameObject(PCIDLIST_ABSOLUTE list, const std::wstring& path) {
  AbsoluteIdList expected = PathToIdList(path);
  return IsSameObject(list, expected.get());
}

TEST(ShellChangeNotifierSetup, EmptyListWatchesTheComputerRecursively) {
  FakeShell shell;
  TKivShellChangeNotifier notifier(nullptr, shell.Services());
  EXPECT_TRUE(notifier.Enabled());
  EXPECT_EQ(notifier.Directories().Items(), std::vector<std::wstring>{L""});
  EXPECT_TRUE(notifier.Recursive());
  ASSERT_EQ(shell.registered.size(), 1u);
  const Registration& r = shell.Last();
  EXPECT_EQ(r.window, notifier.Handle());
  EXPECT_EQ(r.sources, kRecursiveSources);
  EXPECT_EQ(r.events, 0x0807FFFF);
  EXPECT_EQ(r.message, 2011u);
  EXPECT_TRUE(r.recursive);
  EXPECT_TRUE(SameObject(r.list.get(), L""));  // the computer folder
  EXPECT_EQ(notifier.Directories().Value(0), r.id);

  // Without the platform's service nothing can be watched.
  TKivShellChangeNotifier unable(nullptr, ChangeNotifyServices{});
  EXPECT_FALSE(unable.Enabled());
  unable.SetEnabled(true);
  EXPECT_FALSE(unable.Enabled());
}

TEST(ShellChangeNotifierSetup, RealFoldersReplaceTheEmptyEntry) {
  TempFolder temp;
  const std::wstring data = temp.MakeFolder(L"Data");
  FakeShell shell;
  TKivShellChangeNotifier notifier(nullptr, shell.Services());
  notifier.SetDirectories({L"", data});
  EXPECT_EQ(notifier.Directories().Items(), std::vector<std::wstring>{data});
  notifier.Directories().Add(L"");
  notifier.Directories().Add(data);
  EXPECT_EQ(notifier.Directories().Items(), std::vector<std::wstring>{data});
  ASSERT_EQ(shell.Live().size(), 1u);
  EXPECT_TRUE(SameObject(shell.Last().list.get(), data));
  EXPECT_EQ(notifier.Directories().Value(0), shell.Last().id);
}

TEST(ShellChangeNotifierSetup, MaskFollowsTheFilterAndSourcesFollowRecursive) {
  TempFolder temp;
  FakeShell shell;
  TKivShellChangeNotifier notifier(nullptr, shell.Services());
  notifier.SetDirectories({temp.Path()});
  EXPECT_EQ(shell.Last().events, 0x0807FFFF);
  notifier.SetEventFilter({neUnknown});
  EXPECT_EQ(shell.Last().events, 0x7FFFFFFF);
  notifier.SetEventFilter({neFileChange, neFileCreate, neFileDelete, neFileRename, neDriveAdd,
                           neDriveRemove, neShellDriveAdd, neMediaInsert, neMediaRemove,
                           neFolderCreate, neFolderDelete, neFolderRename, neFolderUpdate,
                           neNetShare, neNetUnShare});
  EXPECT_EQ(shell.Last().events, 0x000337FF);
  EXPECT_EQ(shell.Live().size(), 1u);

  // While inactive a change waits for the next start.
  notifier.SetEnabled(false);
  const size_t before = shell.registered.size();
  notifier.SetRecursive(false);
  EXPECT_EQ(shell.registered.size(), before);
  EXPECT_TRUE(shell.Live().empty());
  notifier.SetEnabled(true);
  ASSERT_EQ(shell.registered.size(), before + 1);
  EXPECT_EQ(shell.Last().sources, kShellSources);
  EXPECT_FALSE(shell.Last().recursive);
}

TEST(ShellChangeNotifierRegistrations, EachIsMadeOnceAndRemovedOnce) {
  TempFolder temp;
  const std::wstring a = temp.MakeFolder(L"a");
  const std::wstring b = temp.MakeFolder(L"b");
  FakeShell shell;
  {
    TKivShellChangeNotifier notifier(nullptr, shell.Services());
    // As the shell list does after filling: disabled, watch the shown
    // folder, enabled again; then enabled once more by its owner.
    notifier.SetEnabled(false);
    AbsoluteIdList shown = PathToIdList(a);
    notifier.WatchIdList(shown.get());
    notifier.SetEnabled(true);
    notifier.SetEnabled(true);
    ASSERT_EQ(shell.Live().size(), 1u);
    EXPECT_TRUE(SameObject(shell.Last().list.get(), a));

    notifier.SetDirectories({a, b});
    notifier.SetEnabled(true);
    EXPECT_EQ(shell.Live().size(), 2u);
  }
  EXPECT_TRUE(shell.Live().empty());
  std::vector<ULONG> removed = shell.deregistered;
  std::sort(removed.begin(), removed.end());
  EXPECT_EQ(std::adjacent_find(removed.begin(), removed.end()), removed.end());
  EXPECT_EQ(std::count(removed.begin(), removed.end(), 0u), 0);
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
  ASSERT_EQ(dirs.Count(), 2);
  EXPECT_EQ(dirs.Value(dirs.IndexOf(missing)), 0u);
  EXPECT_NE(dirs.Value(dirs.IndexOf(data)), 0u);
  for (const Registration& r : shell.registered)
    EXPECT_TRUE(r.list) << "a registration for everything";

  shell.refuse = true;
  notifier.SetRecursive(false);
  EXPECT_EQ(dirs.Value(0), 0u);
  EXPECT_EQ(dirs.Value(1), 0u);
  const size_t removed = shell.deregistered.size();
  notifier.StopWatching();
  EXPECT_EQ(shell.deregistered.size(), removed);
}

TEST(ShellChangeNotifierHandler, RepeatsWithinTheIntervalAreDropped) {
  // Notifications are sent to the notifier's window as the platform sends them.
  TempFolder temp;
  AbsoluteIdList file = PathToIdList(temp.MakeFile(L"file.txt"));
  FakeShell shell;
  TKivShellChangeNotifier notifier(nullptr, shell.Services());
  Recorder seen(notifier);
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
  EXPECT_EQ(seen.hooked,
            (std::vector<TNotificationEvent>{neFileChange, neFileChange, neAttributesChange,
                                             neFileChange, neFolderUpdate, neFolderUpdate}));
  EXPECT_TRUE(seen.Settled(6));
}

TEST(ShellChangeNotifierHandler, CodesBecomeKindsWithTheirPaths) {
  TempFolder temp;
  const std::wstring first_path = temp.MakeFile(L"first.txt");
  const std::wstring second_path = temp.MakeFile(L"second.txt");
  AbsoluteIdList first = PathToIdList(first_path);
  AbsoluteIdList second = PathToIdList(second_path);
  FakeShell shell;
  TKivShellChangeNotifier notifier(nullptr, shell.Services());
  Recorder seen(notifier);
  Deliver(notifier, SHCNE_CREATE | SHCNE_INTERRUPT, first.get());
  Deliver(notifier, SHCNE_RENAMEITEM, first.get(), second.get());
  Deliver(notifier, SHCNE_EXTENDED_EVENT, second.get(), first.get());
  // The image index travels as the second item pointer itself on NT.
  const auto index = reinterpret_cast<PCIDLIST_ABSOLUTE>(uintptr_t{0x100000000} + 4000000000u);
  Deliver(notifier, SHCNE_UPDATEIMAGE, nullptr, index);
  Deliver(notifier, SHCNE_ASSOCCHANGED, nullptr);
  Deliver(notifier, SHCNE_ASSOCCHANGED, nullptr);
  ASSERT_TRUE(seen.Settled(6));
  auto same = [](const Seen& a, const Seen& b) {
    return a.event == b.event && SameText(a.path1, b.path1) && SameText(a.path2, b.path2);
  };
  const std::vector<Seen> expected{
      {neFileCreate, first_path, L""},      {neFileRename, first_path, second_path},
      {neUnknown, second_path, first_path}, {neImageListChange, L"4000000000", L""},
      {neAssociationChange, L"", L""},      {neAssociationChange, L"", L""}};
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_TRUE(same(seen.changes[i], expected[i])) << i << ": " << seen.changes[i].path1.size();

  notifier.SetEnabled(false);
  Deliver(notifier, SHCNE_CREATE, second.get());
  EXPECT_EQ(seen.hooked.size(), 6u);
}

TEST(ShellChangeNotifierDelivery, OnChangeFollowsTheHookInOrderWithItsHandlerOfTheMoment) {
  TempFolder temp;
  const std::wstring one = temp.MakeFile(L"one.txt");
  const std::wstring two = temp.MakeFile(L"two.txt");
  FakeShell shell;
  TKivShellChangeNotifier notifier(nullptr, shell.Services());
  std::vector<std::wstring> log;
  notifier.NotifyHook = [&](TObject*, TNotificationEvent event, PCIDLIST_ABSOLUTE,
                            PCIDLIST_ABSOLUTE) { log.push_back(L"hook " + IntToStr(event)); };
  auto change = [&](const wchar_t* name) {
    return [&log, name](TObject*, TNotificationEvent event, const std::wstring& path1,
                        const std::wstring&) {
      log.push_back(name + IntToStr(event) + L" " + path1.substr(path1.find_last_of(L'\\') + 1));
    };
  };
  notifier.OnChange = change(L"first ");
  Deliver(notifier, SHCNE_CREATE, PathToIdList(one).get());
  EXPECT_EQ(log, std::vector<std::wstring>{L"hook 3"});  // OnChange waits for the message's end
  notifier.OnChange = change(L"second ");
  Deliver(notifier, SHCNE_DELETE, PathToIdList(two).get());
  ASSERT_TRUE(PumpUntil([&] { return log.size() >= 4; }));
  EXPECT_EQ(log, (std::vector<std::wstring>{L"hook 3", L"hook 4", L"first 3 one.txt",
                                            L"second 4 two.txt"}));
}

TEST(ShellChangeNotifierDelivery, NothingRunsAfterTheNotifierIsFreed) {
  TempFolder temp;
  AbsoluteIdList file = PathToIdList(temp.MakeFile(L"file.txt"));
  FakeShell shell;
  int calls = 0;
  auto notifier = std::make_unique<TKivShellChangeNotifier>(nullptr, shell.Services());
  notifier->OnChange = [&](TObject*, TNotificationEvent, const std::wstring&, const std::wstring&) {
    ++calls;
  };
  Deliver(*notifier, SHCNE_CREATE, file.get());
  Deliver(*notifier, SHCNE_DELETE, file.get());
  notifier.reset();
  PumpFor(300ms);
  EXPECT_EQ(calls, 0);
}

// Under Wine a change reaches only registrations made in the process that
// reports it, and a registration that is not recursive hears only of the
// watched folder itself: the test reports the changes itself.
TEST(ShellChangeNotifierUnderWine, RegisteredFoldersHearOfShellChanges) {
  TempFolder temp;
  const std::wstring watched = temp.MakeFolder(L"watched");
  TKivShellChangeNotifier notifier(nullptr);
  ASSERT_TRUE(notifier.Enabled());
  notifier.SetDirectories({watched});
  std::vector<TNotificationEvent> hooked;
  std::vector<Seen> changes;
  notifier.NotifyHook = [&](TObject*, TNotificationEvent event, PCIDLIST_ABSOLUTE,
                            PCIDLIST_ABSOLUTE) { hooked.push_back(event); };
  notifier.OnChange = [&](TObject*, TNotificationEvent event, const std::wstring& path1,
                          const std::wstring& path2) {
    changes.push_back({event, path1, path2});
  };
  auto arrived = [&](TNotificationEvent event, const std::wstring& path) {
    return PumpUntil([&] {
      return std::any_of(changes.begin(), changes.end(), [&](const Seen& seen) {
        return seen.event == event && SameText(seen.path1, path);
      });
    });
  };

  const std::wstring child = temp.MakeFolder(L"watched\\child");
  SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHW, child.c_str(), nullptr);
  EXPECT_TRUE(arrived(neFolderCreate, child));
  EXPECT_NE(std::find(hooked.begin(), hooked.end(), neFolderCreate), hooked.end());

  notifier.SetRecursive(false);
  SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW, watched.c_str(), nullptr);
  EXPECT_TRUE(arrived(neFolderUpdate, watched));
}

}  // namespace
}  // namespace wf
