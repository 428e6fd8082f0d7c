#pragma once

#include <shobjidl.h>

namespace wf {

// Whether the folder's CompareIDs ignores the column it is asked to compare
// by and orders every column by name, folders first (Wine's file-system
// folders do). Two made-up files of the folder, whose names and sizes order
// opposite ways, are compared by its size column; nothing on disk is
// touched. False when that cannot be told (no size column, no made-up
// files), so that the folder's own comparison stands.
bool CompareIgnoresColumn(IShellFolder* folder);

}  // namespace wf
