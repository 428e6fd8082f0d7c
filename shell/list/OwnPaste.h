#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/StringList.h"

namespace wf {

// Pasting where the platform's shell pastes nothing (Wine): the files on
// the clipboard are copied by the platform's file operation, or moved when
// this list's own cut put them there, as the shell's paste would.
class OwnPaste {
 public:
  // The list's cut has just put these files on the clipboard.
  void NoteCut(std::vector<std::wstring> files) { cut_files_ = std::move(files); }
  // True when the operation ran to its end.
  bool Run(HWND window, const TStringList& files, const std::wstring& folder);

 private:
  // Known by the files, not by the clipboard's sequence number, which the
  // shell's delayed rendering moves on when the clipboard is only read.
  std::vector<std::wstring> cut_files_;
};

}  // namespace wf
