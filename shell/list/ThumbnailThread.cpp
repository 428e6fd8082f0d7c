// One row's picture, made off the user-interface thread.
#include "shell/list/ThumbnailThread.h"

#include <objbase.h>

#include "framework/Graphics.h"
#include "shell/core/Dirwalker.h"
#include "shell/core/PictureDecoder.h"
#include "shell/core/ShellModule.h"

namespace wf {

TKivThumbnailThread::TKivThumbnailThread(int target_index, uint32_t population_tick, int width,
                                         int height, PCIDLIST_ABSOLUTE item)
    : target_index_(target_index),
      population_tick_(population_tick),
      width_(width),
      height_(height),
      item_(CloneIdList(item)) {
  // Pictures wait; the window does not. Two cores shared with everything
  // else must go to the user-interface thread first.
  SetPriority(THREAD_PRIORITY_BELOW_NORMAL);
}

void TKivThumbnailThread::Execute() {
  const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  if (init != S_OK && init != S_FALSE) return;
  if (!Terminated() && item_) {
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
