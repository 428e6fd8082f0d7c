#include "shell/list/OwnPaste.h"

#include "shell/core/ShellUtils.h"

namespace wf {

bool OwnPaste::Run(HWND window, const TStringList& files, const std::wstring& folder) {
  // Our own cut is known by its files: anyone's copy or cut since put other
  // files there.
  const bool move = (ClipboardPreferredEffect() & DROPEFFECT_MOVE) != 0 ||
                    (!cut_files_.empty() && files.Items() == cut_files_);
  if (!TransferFiles(window, files, folder, move)) return false;
  if (move) {
    // The cut files are gone from where the clipboard names them: a second
    // paste would find nothing.
    cut_files_.clear();
    if (const ClipboardScope clipboard(window); clipboard) EmptyClipboard();
  }
  return true;
}

}  // namespace wf
