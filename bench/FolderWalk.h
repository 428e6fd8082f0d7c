#pragma once

// What the totals of a ticked folder are held against: one thread walking
// the folder itself with the platform's cheapest listing, as a program
// that wanted only the sizes would.

#include <windows.h>

#include <string>

namespace bench {

// What a walk of a folder adds up.
struct FolderTotals {
  LONGLONG bytes = 0;
  int files = 0;
  bool operator==(const FolderTotals&) const = default;
};

// "." and "..", which every listing of a folder but a drive's root holds.
bool IsDotEntry(const wchar_t* name);

// The files at or below `folder`, on the calling thread, by recursion:
// FindFirstFileExW with FindExInfoBasic (no short names) and
// FIND_FIRST_EX_LARGE_FETCH. Directories that are reparse points are not
// entered, as the list's own walk does not enter them.
FolderTotals WalkFolder(const std::wstring& folder);

}  // namespace bench
