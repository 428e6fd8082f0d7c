#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "framework/MessageWindow.h"
#include "tests/framework/FrameworkTestHelpers.h"

namespace wf {
namespace {

using test::ErrorDisplayCapture;
using test::PumpUntil;

constexpr UINT kPing = WM_APP + 11;
constexpr UINT kThrow = WM_APP + 12;
constexpr UINT kFree = WM_APP + 13;

struct Received {
  UINT msg = 0;
  WPARAM wparam = 0;
  LPARAM lparam = 0;
  DWORD thread = 0;
};

TEST(MessageWindow, PostedMessageReachesTheHandlerOnTheWindowsThread) {
  std::vector<Received> received;
  MessageWindow window(MessageWindow::Kind::kMessageOnly,
                       [&](UINT msg, WPARAM wparam, LPARAM lparam) {
                         if (msg != kPing) return std::optional<LRESULT>();
                         received.push_back({msg, wparam, lparam, GetCurrentThreadId()});
                         return std::optional<LRESULT>(0);
                       });
  std::thread poster([&] { EXPECT_TRUE(window.Post(kPing, 7, -3)); });
  poster.join();
  EXPECT_TRUE(PumpUntil([&] { return !received.empty(); }));
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].wparam, 7u);
  EXPECT_EQ(received[0].lparam, -3);
  EXPECT_EQ(received[0].thread, GetCurrentThreadId());
}

TEST(MessageWindow, SendGivesTheHandlersAnswerAndUnhandledMessagesTheDefault) {
  MessageWindow window(MessageWindow::Kind::kMessageOnly, [](UINT msg, WPARAM wparam, LPARAM) {
    if (msg == kPing) return std::optional<LRESULT>(static_cast<LRESULT>(wparam) * 2);
    return std::optional<LRESULT>();
  });
  EXPECT_EQ(window.Send(kPing, 21), 42);
  // Left to the default handling, the window keeps a text like any other.
  window.Send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"\u03A9mega"));
  EXPECT_EQ(window.Send(WM_GETTEXTLENGTH), 5);
}

TEST(MessageWindow, HandlerErrorIsShownAndTheMessageGetsTheDefault) {
  TObject sender;
  ErrorDisplayCapture errors;
  int after = 0;
  MessageWindow window(
      MessageWindow::Kind::kHiddenPopup,
      [&](UINT msg, WPARAM, LPARAM) {
        if (msg == kThrow) throw Exception(L"hidden window failed");
        if (msg == kPing) ++after;
        return std::optional<LRESULT>();
      },
      &sender);
  EXPECT_EQ(window.Send(kThrow), 0);
  window.Post(kThrow);
  window.Post(kPing);
  EXPECT_TRUE(PumpUntil([&] { return after == 1; }));
  EXPECT_EQ(errors.messages,
            (std::vector<std::wstring>{L"hidden window failed", L"hidden window failed"}));
  EXPECT_EQ(errors.senders, (std::vector<TObject*>{&sender, &sender}));
}

TEST(MessageWindow, OwnerFreedInsideItsHandlerIsSafe) {
  // The owner holds the window and the handler's state; the handler frees it.
  struct Owner {
    std::unique_ptr<MessageWindow> window;
    int handled = 0;
  };
  auto owner = std::make_unique<Owner>();
  Owner* raw = owner.get();
  owner->window = std::make_unique<MessageWindow>(MessageWindow::Kind::kMessageOnly,
                                                  [&owner, raw](UINT msg, WPARAM, LPARAM) {
                                                    if (msg != kFree)
                                                      return std::optional<LRESULT>();
                                                    ++raw->handled;
                                                    owner.reset();
                                                    return std::optional<LRESULT>(99);
                                                  });
  const HWND hwnd = owner->window->Handle();
  EXPECT_EQ(SendMessageW(hwnd, kFree, 0, 0), 99);
  EXPECT_EQ(owner, nullptr);
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST(MessageWindow, HiddenPopupCanHoldAControlAndIsNeverShown) {
  MessageWindow popup(MessageWindow::Kind::kHiddenPopup,
                      [](UINT, WPARAM, LPARAM) { return std::nullopt; });
  MessageWindow message_only(MessageWindow::Kind::kMessageOnly,
                             [](UINT, WPARAM, LPARAM) { return std::nullopt; });
  EXPECT_EQ(GetAncestor(popup.Handle(), GA_PARENT), GetDesktopWindow());
  EXPECT_NE(GetAncestor(message_only.Handle(), GA_PARENT), GetDesktopWindow());
  EXPECT_FALSE(IsWindowVisible(popup.Handle()));
  UniqueWindow child(CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10,
                                     popup.Handle(), nullptr, GetModuleHandleW(nullptr), nullptr));
  ASSERT_TRUE(child);
  EXPECT_EQ(GetParent(child.get()), popup.Handle());
}

}  // namespace
}  // namespace wf
