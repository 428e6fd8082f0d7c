#pragma once

// Drags as the platform's mouse makes them, and drop targets of a test's
// own that stand for the shell's or another program's.
#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "framework/ComObject.h"
#include "framework/Handles.h"
#include "shell/core/ShellUtils.h"
#include "framework/Application.h"
#include "tests/support/RealMouse.h"

namespace wf::test {

// A shell drop target that notes each call as "<name> <call>" and answers
// `effect` (within what it is offered).
class RecordingTarget final : public ComObject<IDropTarget> {
 public:
  RecordingTarget(std::wstring name, std::vector<std::wstring>& log, DWORD effect)
      : name_(std::move(name)), log_(log), effect_(effect) {}
  STDMETHODIMP DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
    offered = *effect;
    return Answer(L"enter", effect);
  }
  STDMETHODIMP DragOver(DWORD, POINTL, DWORD* effect) override { return Answer(L"over", effect); }
  STDMETHODIMP DragLeave() override {
    log_.push_back(name_ + L" leave");
    return S_OK;
  }
  STDMETHODIMP Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    dropped = DataObjectFiles(data)->Items();
    log_.push_back(name_ + L" drop " + std::to_wstring(*effect));
    // A target that moves the files and says so only by their absence.
    if (moves_silently)
      for (const std::wstring& file : dropped) DeleteFileW(file.c_str());
    *effect &= effect_;
    return S_OK;
  }

  // A fresh drag, answered with `effect`.
  void Answer(DWORD effect) {
    effect_ = effect;
    offered = 0;
    dropped.clear();
  }
  DWORD offered = 0;
  std::vector<std::wstring> dropped;
  bool moves_silently = false;

 private:
  HRESULT Answer(const wchar_t* call, DWORD* effect) {
    log_.push_back(name_ + L" " + call);
    *effect &= effect_;
    return S_OK;
  }
  std::wstring name_;
  std::vector<std::wstring>& log_;
  DWORD effect_;
};

// A window of its own that takes drops, at `centre`. Not a static control's
// class: those let the pointer through to what is under them.
struct DropWindow {
  explicit DropWindow(DWORD answer) {
    target.Attach(new RecordingTarget(L"window", log, answer));
    RegisterDragDrop(window.get(), target.Get());
  }
  ~DropWindow() { RevokeDragDrop(window.get()); }
  UniqueWindow window{CreateWindowExW(WS_EX_TOPMOST, L"LISTBOX", nullptr, WS_POPUP | WS_VISIBLE,
                                      600, 100, 200, 200, nullptr, nullptr, nullptr, nullptr)};
  std::vector<std::wstring> log;
  Microsoft::WRL::ComPtr<RecordingTarget> target;
  const POINT centre{700, 200};
};

// A real drag by the platform's mouse from `from` to `to`, ended as asked:
// released, Escape, a second button, or the whole drag by the right button.
// The moves come from a thread while this one runs the drag.
enum class Ending { kRelease, kEscape, kRightButton, kRightDrag };
inline void RealDrag(POINT from, POINT to, Ending ending) {
  std::atomic<bool> done{false};
  const bool right = ending == Ending::kRightDrag;
  std::thread mover([&] {
    PressAt(from, {right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN});
    Sleep(100);
    for (int step = 1; step <= 10; ++step) {
      const POINT at{from.x + step * (to.x - from.x) / 10, from.y + step * (to.y - from.y) / 10};
      INPUT move = MouseEventAt(at, 0, GetTickCount());
      SendInput(1, &move, sizeof(move));
      Sleep(60);
    }
    if (ending == Ending::kEscape) {
      INPUT keys[2] = {};
      keys[0].type = keys[1].type = INPUT_KEYBOARD;
      keys[0].ki.wVk = keys[1].ki.wVk = VK_ESCAPE;
      keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
      SendInput(2, keys, sizeof(INPUT));
      Sleep(200);
    } else if (ending == Ending::kRightButton) {
      PressAt(to, {MOUSEEVENTF_RIGHTDOWN});
      Sleep(200);
    }
    PressAt(to, {right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP});
    if (ending == Ending::kRightButton) PressAt(to, {MOUSEEVENTF_RIGHTUP});
    Sleep(200);
    done = true;
  });
  // This thread runs the drag (the platform's loop inside the list) meanwhile.
  const DWORD start = GetTickCount();
  while (!done && GetTickCount() - start < 10000) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    Application->ProcessMessages();
  }
  mover.join();
}

}  // namespace wf::test
