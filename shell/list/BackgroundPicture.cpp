// The shell list's background picture.
#include "shell/list/BackgroundPicture.h"

#include <commctrl.h>

#include "framework/Strings.h"
#include "shell/core/ShellUtils.h"
#include "shell/list/ShellControls.h"

namespace wf {

namespace {
// Names a file that goes when the scope ends, however it is left.
struct RemovedAtEnd {
  std::wstring path;
  ~RemovedAtEnd() {
    if (!path.empty()) DeleteFileW(path.c_str());
  }
};
}  // namespace

BackgroundPicture::BackgroundPicture(TKivShellList& list) : list_(list) {
  bitmap_.OnChange = [this](TObject*) { Apply(); };
}

std::wstring BackgroundPicture::SaveToTemporaryFile() const {
  const std::wstring folder = IncludeTrailingBackslash(TempPath());
  const DWORD tick = GetTickCount();
  // Another list may have taken this tick's name: the next numbers are tried.
  for (DWORD n = 0; n < 100; ++n) {
    const std::wstring path =
        folder + L"TKivShellListBackgroundImage_Temp" + std::to_wstring(tick + n) + L".bmp";
    if (bitmap_.SaveToNewFile(path)) return path;
    if (GetLastError() != ERROR_FILE_EXISTS) break;
  }
  return {};
}

void BackgroundPicture::Apply() {
  if (!list_.HandleAllocated()) return;
  LVBKIMAGEW image{};
  image.ulFlags = LVBKIF_SOURCE_NONE;
  RemovedAtEnd file;
  if (bitmap_.Width() >= 1) file.path = SaveToTemporaryFile();
  if (!file.path.empty()) {
    list_.SetTextBackground(CLR_NONE);
    image.ulFlags = LVBKIF_SOURCE_URL | LVBKIF_STYLE_TILE;
    image.pszImage = file.path.data();
  }
  // The control answers 0 for no picture, as it does for one it refuses
  // (Wine refuses pictures by name): neither is an error of ours.
  list_.SetBackgroundPicture(image);
}

}  // namespace wf
