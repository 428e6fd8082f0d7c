#pragma once

// The tree whose top folder the selection measure ticks: 20,000 files in
// 2,000 folders nested 8 levels below the top, defined here and nowhere
// else. bench/run.sh makes it from Linux with what
// PrintMissingSelectionTree prints, as it makes the folders of each size:
// made from inside Wine, 2,000 folders and 20,000 files would take many
// minutes.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchFolders.h"
#include "bench/FolderWalk.h"

namespace bench {

inline constexpr int kTreeLevels = 8;
inline constexpr int kTreeFilesPerFolder = 10;

struct TreeLayout {
  // Below the top, parents before their children; each a path relative to
  // the top ("d1-0000\d2-0001").
  std::vector<std::wstring> folders;
  // The folders of the deepest level, which hold no folder.
  std::vector<std::wstring> leaves;
  // Each file's path relative to the top, and its length.
  std::vector<BenchFile> files;
  FolderTotals totals;
};

std::wstring SelectionTreePath(const std::wstring& root);

// Made once.
const TreeLayout& SelectionTreeLayout();

// Empty when `top` holds exactly the layout's folders and files; otherwise
// what is wrong, in a few words.
std::string CheckSelectionTree(const std::wstring& top);

// When the tree is missing or wrong: a line "folder<TAB>path<TAB>tree" (the
// folder is made anew, whatever lies below it), then one
// "file<TAB>bytes<TAB>relative path" per file. Answers how many trees.
int PrintMissingSelectionTree(std::FILE* out, const std::wstring& root);

}  // namespace bench
