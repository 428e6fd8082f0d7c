#pragma once

namespace wf {

// Whether the file-system folders' CompareIDs ignore the column they are
// asked to compare by and order every column by name, folders first (Wine's
// do). Found once for the process, by comparing two made-up files of the
// temporary folder whose names and sizes order opposite ways; false when it
// cannot be told, so that the shell's own comparison stands. A ShellModule
// must be running when it is first asked.
bool ShellCompareIgnoresColumn();

}  // namespace wf
