#pragma once

// The folders every measure reads, defined here and nowhere else: under the
// root, one folder per size named after it, holding that many files and
// nothing else. bench/run.sh makes them from Linux with what
// --list-missing-folders prints (from inside Wine, creating 50,000 files
// takes many minutes, as Wine looks each new name up by reading the whole
// folder).

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace bench {

struct Options;

struct BenchFile {
  std::wstring name;
  LONGLONG bytes = 0;
};

std::wstring BenchFolderPath(const std::wstring& root, int size);

// A folder the delete report measure uses up: each repetition deletes half
// of its files, so every repetition has one of its own, laid out as the
// folder of its size, and bench/run.sh makes them whole again before a run.
std::wstring DeleteReportFolderPath(const std::wstring& root, int size, int repetition);

struct FolderOfSize {
  std::wstring path;
  int size = 0;
};

// Every folder the chosen measures read, for each size.
std::vector<FolderOfSize> FoldersNeeded(const Options& options);

// The files of a folder of `size` files, in name order.
std::vector<BenchFile> BenchFolderFiles(int size);

// Empty when `folder` holds exactly the files of its size; otherwise what
// is wrong, in a few words.
std::string CheckBenchFolder(const std::wstring& folder, int size);

// For each folder that is missing or wrong: a line "folder<TAB>path", then
// one "file<TAB>bytes<TAB>name" per file. Answers how many folders.
int PrintMissingFolders(std::FILE* out, const std::vector<FolderOfSize>& folders);
// The same for the folder of each size.
int PrintMissingFolders(std::FILE* out, const std::wstring& root, const std::vector<int>& sizes);

}  // namespace bench
