#include "bench/BenchFolders.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "bench/BenchCore.h"
#include "bench/BenchOptions.h"
#include "framework/Handles.h"

namespace bench {
namespace {

// File i is (i mod 97) KB long, so that a sort by the size column has
// texts to order ("0 KB" to "96 KB").
constexpr int kSizeSpread = 97;

std::wstring ItemName(int index, int digits) {
  std::wstring number = std::to_wstring(index);
  if (static_cast<int>(number.size()) < digits)
    number.insert(0, static_cast<size_t>(digits) - number.size(), L'0');
  return L"f" + number + L".txt";
}

// Files only: subfolders are no items of the layout, and "." and ".." are
// no items at all.
std::map<std::wstring, LONGLONG> FilesIn(const std::wstring& folder) {
  std::map<std::wstring, LONGLONG> files;
  WIN32_FIND_DATAW data;
  wf::UniqueFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find) return files;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    files[data.cFileName] = static_cast<LONGLONG>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
  } while (FindNextFileW(find.get(), &data));
  return files;
}

}  // namespace

std::wstring BenchFolderPath(const std::wstring& root, int size) {
  return root + L"\\" + std::to_wstring(size);
}

std::wstring DeleteReportFolderPath(const std::wstring& root, int size, int repetition) {
  return root + L"\\deletereport\\" + std::to_wstring(size) + L"-" +
         std::to_wstring(repetition + 1);
}

std::vector<FolderOfSize> FoldersNeeded(const Options& options) {
  std::vector<FolderOfSize> folders;
  for (int size : options.sizes) {
    folders.push_back({BenchFolderPath(options.root, size), size});
    if (!options.Runs(MeasureKind::kDeleteReport)) continue;
    for (int repetition = 0; repetition < options.extraRuns; ++repetition)
      folders.push_back({DeleteReportFolderPath(options.root, size, repetition), size});
  }
  return folders;
}

std::vector<BenchFile> BenchFolderFiles(int size) {
  const int digits = std::max(5, static_cast<int>(std::to_wstring(size).size()));
  std::vector<BenchFile> files;
  files.reserve(static_cast<size_t>(size));
  for (int i = 1; i <= size; ++i)
    files.push_back({ItemName(i, digits), static_cast<LONGLONG>(i % kSizeSpread) * 1024});
  return files;
}

std::string CheckBenchFolder(const std::wstring& folder, int size) {
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return ToUtf8(folder) + " is missing";
  const std::map<std::wstring, LONGLONG> found = FilesIn(folder);
  if (found.size() != static_cast<size_t>(size))
    return ToUtf8(folder) + " holds " + std::to_string(found.size()) + " files, not " +
           std::to_string(size);
  for (const BenchFile& file : BenchFolderFiles(size)) {
    auto it = found.find(file.name);
    if (it == found.end()) return ToUtf8(folder) + " lacks " + ToUtf8(file.name);
    if (it->second != file.bytes)
      return ToUtf8(folder + L"\\" + file.name) + " is " + std::to_string(it->second) +
             " bytes, not " + std::to_string(file.bytes);
  }
  return {};
}

int PrintMissingFolders(std::FILE* out, const std::vector<FolderOfSize>& folders) {
  int missing = 0;
  for (const auto& [folder, size] : folders) {
    if (CheckBenchFolder(folder, size).empty()) continue;
    ++missing;
    std::fprintf(out, "folder\t%s\n", ToUtf8(folder).c_str());
    for (const BenchFile& file : BenchFolderFiles(size))
      std::fprintf(out, "file\t%lld\t%s\n", static_cast<long long>(file.bytes),
                   ToUtf8(file.name).c_str());
  }
  std::fflush(out);
  return missing;
}

int PrintMissingFolders(std::FILE* out, const std::wstring& root, const std::vector<int>& sizes) {
  std::vector<FolderOfSize> folders;
  for (int size : sizes) folders.push_back({BenchFolderPath(root, size), size});
  return PrintMissingFolders(out, folders);
}

}  // namespace bench
