// One row's picture, made off the user-interface thread.
#include "shell/list/ThumbnailThread.h"

#include <objbase.h>

#include <algorithm>

#include "framework/Graphics.h"
#include "shell/core/Dirwalker.h"
#include "shell/core/PictureDecoder.h"
#include "shell/core/ShellModule.h"

namespace wf {

ExtractionGate::ExtractionGate() {
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  const LONG places = std::max<LONG>(1, static_cast<LONG>(system.dwNumberOfProcessors));
  places_.reset(CreateSemaphoreW(nullptr, places, places, nullptr));
}

bool ExtractionGate::Enter(const std::function<bool()>& stop) {
  if (!places_) return true;
  while (!stop())
    if (WaitForSingleObject(places_.get(), 20) == WAIT_OBJECT_0) return true;
  return false;
}

void ExtractionGate::Leave() {
  if (places_) ReleaseSemaphore(places_.get(), 1, nullptr);
}

TKivThumbnailThread::TKivThumbnailThread(int target_index, uint32_t population_tick, int width,
                                         int height, PCIDLIST_ABSOLUTE item)
    : target_index_(target_index),
      population_tick_(population_tick),
      width_(width),
      height_(height),
      item_(CloneIdList(item)) {
  // Pictures wait; the window does not, where the platform applies a lower
  // priority (Wine does not).
  SetPriority(THREAD_PRIORITY_BELOW_NORMAL);
}

void TKivThumbnailThread::Execute() {
  const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  if (init != S_OK && init != S_FALSE) return;
  // Left however the extraction ends.
  struct Place {
    ExtractionGate* gate;
    ~Place() {
      if (gate) gate->Leave();
    }
  } place{gate_ && gate_->Enter([this] { return Terminated(); }) ? gate_.get() : nullptr};
  if (!Terminated() && item_ && (place.gate || !gate_)) {
    // Everything below binds through this thread's own desktop folder and
    // has no window to ask the user with.
    ShellModule::ThreadDesktop desktop;
    try {
      std::wstring path;
      {
        TDirwalker walker(nullptr, false);
        walker.SetFolderAndObject(item_.get());
        path = IdListToPath(item_.get());
        item_.reset();
        result_.reset(walker.ExtractThumbnail(width_, height_));
      }
      if (!result_ && !Terminated() && IsCommonPictureFile(path))
        result_.reset(DecodePicture(path, width_, height_, ColorToRGB(clWindow)));
    } catch (...) {
      result_.reset();
    }
  }
  CoUninitialize();
}

}  // namespace wf
