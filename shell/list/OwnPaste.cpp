#include "shell/list/OwnPaste.h"

#include <ole2.h>
#include <shlobj.h>

#include "shell/core/ShellUtils.h"

namespace wf {

namespace {

// What the clipboard's own "Preferred DropEffect" says a paste should do,
// as a cut in any program's shell window sets it; none when it says nothing.
DWORD PreferredEffect(HWND window) {
  const UINT format = RegisterClipboardFormatW(CFSTR_PREFERREDDROPEFFECT);
  if (!format || !IsClipboardFormatAvailable(format) || !OpenClipboard(window)) return 0;
  DWORD effect = 0;
  if (HANDLE data = GetClipboardData(format)) {
    if (GlobalSize(data) >= sizeof(DWORD))
      if (const void* bytes = GlobalLock(data)) {
        effect = *static_cast<const DWORD*>(bytes);
        GlobalUnlock(data);
      }
  }
  CloseClipboard();
  return effect;
}

}  // namespace

bool OwnPaste::Run(HWND window, const TStringList& files, const std::wstring& folder) {
  // Our own cut is known by its files: anyone's copy or cut since put other
  // files there.
  const bool move = (PreferredEffect(window) & DROPEFFECT_MOVE) != 0 ||
                    (!cut_files_.empty() && files.Items() == cut_files_);
  if (!TransferFiles(window, files, folder, move)) return false;
  if (move) {
    // The cut files are gone from where the clipboard names them: a second
    // paste would find nothing.
    cut_files_.clear();
    if (OpenClipboard(window)) {
      EmptyClipboard();
      CloseClipboard();
    }
  }
  return true;
}

}  // namespace wf
