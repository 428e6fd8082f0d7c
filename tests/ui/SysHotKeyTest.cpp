#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <set>
#include <string>
#include <utility>

#include "ui/PaxSysHotKey.h"
#include "framework/Exceptions.h"
#include "framework/Handles.h"
#include "tests/framework/FrameworkTestHelpers.h"

namespace wf {
namespace {

using test::ErrorDisplayCapture;
using test::PumpUntil;

constexpr TShortCut kAltZ = 32858;
constexpr TShortCut kAltX = scAlt | 'X';
constexpr int kOwnHotKeyId = 0xB000;

// What the platform answers when this test asks for a combination itself:
// 0 when it was free (it is let go again at once), else the error.
DWORD RegisterError(UINT modifiers, UINT vk) {
  if (!RegisterHotKey(nullptr, kOwnHotKeyId, modifiers, vk)) return GetLastError();
  UnregisterHotKey(nullptr, kOwnHotKeyId);
  return 0;
}

DWORD AltZError() {
  return RegisterError(MOD_ALT, 'Z');
}

std::unique_ptr<TPaxSysHotKey> EnabledHotKey(TShortCut shortcut) {
  auto hot_key = std::make_unique<TPaxSysHotKey>(nullptr);
  hot_key->SetShortcut(shortcut);
  hot_key->SetEnabled(true);
  return hot_key;
}

// The process-wide identifier list as a new run starts it, for the scope;
// what was handed out before comes back afterwards.
class FreshIdentifierRun {
 public:
  FreshIdentifierRun() : saved_(std::exchange(UsedHotKeyIds(), {})) {}
  ~FreshIdentifierRun() { UsedHotKeyIds() = saved_; }
  FreshIdentifierRun(const FreshIdentifierRun&) = delete;
  FreshIdentifierRun& operator=(const FreshIdentifierRun&) = delete;

 private:
  std::set<uint16_t> saved_;
};

std::wstring SenderPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  folder.erase(folder.find_last_of(L"\\/") + 1);
  return folder + L"hotkey_key_sender.exe";
}

TEST(SysHotKey, AltZTypedInAnotherProcessRaisesOnPressOnce) {
  auto hot_key = EnabledHotKey(kAltZ);
  ASSERT_TRUE(hot_key->Registered());
  int presses = 0;
  TObject* sender = nullptr;
  hot_key->OnPress = [&](TObject* s) {
    ++presses;
    sender = s;
  };

  const std::wstring exe = SenderPath();
  std::wstring command = L"\"" + exe + L"\"";
  STARTUPINFOW startup{sizeof(startup)};
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &process))
      << GetLastError();
  UniqueHandle process_handle(process.hProcess), thread_handle(process.hThread);
  EXPECT_TRUE(PumpUntil(
      [&] { return presses > 0 && WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; },
      std::chrono::milliseconds(20000)));
  DWORD exit_code = 1;
  GetExitCodeProcess(process.hProcess, &exit_code);
  EXPECT_EQ(exit_code, 0u);
  EXPECT_EQ(presses, 1);
  EXPECT_EQ(sender, hot_key.get());
}

TEST(SysHotKey, StoredOrderRegistersOnceAtTheEndOfLoading) {
  TComponent owner(nullptr);
  owner.BeginLoading();
  auto* hot_key = new TPaxSysHotKey(&owner);
  // As the main window stores them: Enabled, OnPress, Shortcut.
  hot_key->SetEnabled(true);
  hot_key->OnPress = [](TObject*) {};
  hot_key->SetShortcut(kAltZ);
  EXPECT_TRUE(hot_key->Enabled());
  EXPECT_EQ(hot_key->Handle(), nullptr);
  EXPECT_FALSE(hot_key->Registered());
  EXPECT_EQ(AltZError(), 0u);

  owner.EndLoading();
  EXPECT_TRUE(hot_key->Enabled());
  EXPECT_TRUE(hot_key->Registered());
  EXPECT_EQ(AltZError(), static_cast<DWORD>(ERROR_HOTKEY_ALREADY_REGISTERED));
}

TEST(SysHotKey, ShortcutChangesMoveTheRegistrationAndZeroSwitchesOff) {
  // Every modifier maps to its own flag and to nothing else.
  {
    auto hot_key = EnabledHotKey(scCtrl | scShift | VK_F7);
    EXPECT_TRUE(hot_key->Registered());
    EXPECT_EQ(RegisterError(MOD_CONTROL | MOD_SHIFT, VK_F7),
              static_cast<DWORD>(ERROR_HOTKEY_ALREADY_REGISTERED));
    EXPECT_EQ(RegisterError(MOD_CONTROL, VK_F7), 0u);
    EXPECT_EQ(RegisterError(MOD_CONTROL | MOD_SHIFT | MOD_ALT, VK_F7), 0u);
  }
  // Destroying an enabled component let the combination go.
  EXPECT_EQ(RegisterError(MOD_CONTROL | MOD_SHIFT, VK_F7), 0u);

  auto hot_key = EnabledHotKey(kAltZ);
  const HWND window = hot_key->Handle();
  ASSERT_NE(window, nullptr);
  hot_key->SetShortcut(kAltZ);
  EXPECT_EQ(hot_key->Handle(), window);
  EXPECT_TRUE(hot_key->Registered());

  hot_key->SetShortcut(kAltX);
  EXPECT_TRUE(hot_key->Enabled());
  EXPECT_TRUE(hot_key->Registered());
  EXPECT_EQ(AltZError(), 0u);
  EXPECT_EQ(RegisterError(MOD_ALT, 'X'), static_cast<DWORD>(ERROR_HOTKEY_ALREADY_REGISTERED));

  hot_key->SetShortcut(0);
  EXPECT_FALSE(hot_key->Enabled());
  EXPECT_FALSE(hot_key->Registered());
  EXPECT_EQ(hot_key->Handle(), nullptr);
  EXPECT_EQ(RegisterError(MOD_ALT, 'X'), 0u);

  // Switching on without a combination leaves no window and stays off.
  hot_key->SetEnabled(true);
  EXPECT_FALSE(hot_key->Enabled());
  EXPECT_EQ(hot_key->Handle(), nullptr);
}

TEST(SysHotKey, CombinationHeldElsewhereLeavesItEnabledButNotRegistered) {
  ASSERT_TRUE(RegisterHotKey(nullptr, kOwnHotKeyId, MOD_ALT, 'Z'));
  auto hot_key = EnabledHotKey(kAltZ);
  EXPECT_TRUE(hot_key->Enabled());
  EXPECT_NE(hot_key->Handle(), nullptr);
  EXPECT_FALSE(hot_key->Registered());

  UnregisterHotKey(nullptr, kOwnHotKeyId);
  hot_key->SetEnabled(false);
  hot_key->SetEnabled(true);
  EXPECT_TRUE(hot_key->Registered());
}

TEST(SysHotKey, HiddenWindowAnswersTheEndOfSessionAndShowsAPressError) {
  auto hot_key = EnabledHotKey(kAltZ);
  const HWND window = hot_key->Handle();
  EXPECT_EQ(GetAncestor(window, GA_PARENT), GetDesktopWindow());
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), 1);
  // The default processing would keep the text and answer TRUE.
  EXPECT_EQ(SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"text")), 0);
  EXPECT_EQ(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0), 0);

  int presses = 0;
  hot_key->OnPress = [&](TObject*) {
    if (++presses == 1) throw Exception(L"the press failed");
  };
  ErrorDisplayCapture errors;
  // WM_HOTKEY as the platform posts it for Alt+Z.
  const WPARAM id = *hot_key->HotKeyId();
  PostMessageW(window, WM_HOTKEY, id, MAKELPARAM(MOD_ALT, 'Z'));
  EXPECT_TRUE(PumpUntil([&] { return presses == 1; }));
  EXPECT_EQ(errors.messages, std::vector<std::wstring>{L"the press failed"});
  EXPECT_EQ(errors.senders, std::vector<TObject*>{hot_key.get()});
  EXPECT_TRUE(hot_key->Enabled());
  EXPECT_TRUE(hot_key->Registered());
  EXPECT_EQ(SendMessageW(window, WM_HOTKEY, id, MAKELPARAM(MOD_ALT, 'Z')), 0);
  EXPECT_EQ(presses, 2);
}

TEST(SysHotKeyIds, FirstOfARunIsZeroAndEachInstanceHasItsOwn) {
  FreshIdentifierRun run;
  TComponent owner(nullptr);
  std::set<uint16_t> ids;
  for (int i = 0; i < 5; ++i) {
    auto* hot_key = new TPaxSysHotKey(&owner);
    ASSERT_TRUE(hot_key->HotKeyId());
    if (i == 0) {
      EXPECT_EQ(*hot_key->HotKeyId(), 0);
    }
    EXPECT_LT(*hot_key->HotKeyId(), 0xBFFF);
    ids.insert(*hot_key->HotKeyId());
  }
  EXPECT_EQ(ids.size(), 5u);
  // Identifiers stay taken after their components are gone.
  while (owner.ComponentCount() > 0) delete owner.Components(0);
  TPaxSysHotKey next(nullptr);
  EXPECT_EQ(ids.count(*next.HotKeyId()), 0u);
}

TEST(SysHotKeyIds, ExhaustedIdentifiersEndTheSearchAndEnablingSaysWhy) {
  FreshIdentifierRun run;
  constexpr uint16_t kLastFree = 0x1234;
  for (uint32_t id = 0; id < 0xBFFF; ++id)
    if (id != kLastFree) UsedHotKeyIds().insert(static_cast<uint16_t>(id));
  TPaxSysHotKey last(nullptr);
  EXPECT_EQ(last.HotKeyId(), kLastFree);

  TPaxSysHotKey none(nullptr);
  EXPECT_FALSE(none.HotKeyId());
  none.SetShortcut(kAltZ);
  try {
    none.SetEnabled(true);
    ADD_FAILURE() << "enabling without an identifier did not raise";
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find(L"identifiers"), std::wstring::npos) << e.what();
  }
  EXPECT_FALSE(none.Enabled());
  EXPECT_EQ(none.Handle(), nullptr);
  EXPECT_EQ(AltZError(), 0u);
}

}  // namespace
}  // namespace wf
