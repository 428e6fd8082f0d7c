#pragma once

#include <string>

#include "shell/core/IdList.h"

namespace wf {

class TDirwalker;

// A name as MultiObjects holds it, parsed by the shell: a drive or share
// path, or a name below the walker's bound folder.
struct ParsedObjectName {
  // The name as it was given to the shell: without a trailing backslash
  // (a drive root keeps its own), and a bare drive ("C:") as its root, which
  // names the drive, as ObjectName does, not the current directory on it.
  std::wstring path;
  // None when the shell could not parse the name.
  AbsoluteIdList id;
};

ParsedObjectName ParseObjectName(TDirwalker& walker, const std::wstring& name);

}  // namespace wf
