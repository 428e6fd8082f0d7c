#include "bench/SelectionTree.h"

#include <map>

#include "bench/BenchCore.h"
#include "framework/Handles.h"

namespace bench {
namespace {

// Folders per level below the top, 2,000 in all. Each level is at least as
// wide as the one above, so that every folder above the deepest level has a
// folder below it and the tree is 8 levels deep on every branch.
constexpr int kLevelWidths[kTreeLevels] = {4, 12, 36, 100, 200, 400, 600, 648};

// File g of the tree is 512 * (1 + g mod 13) bytes long: sizes that differ,
// in few enough lists that bench/run.sh makes them in a few calls.
constexpr int kSizeKinds = 13;
constexpr LONGLONG kSizeStep = 512;

std::wstring Padded(int number, int digits) {
  std::wstring text = std::to_wstring(number);
  if (static_cast<int>(text.size()) < digits)
    text.insert(0, static_cast<size_t>(digits) - text.size(), L'0');
  return text;
}

std::wstring FolderName(int level, int index) {
  return L"d" + std::to_wstring(level) + L"-" + Padded(index, 4);
}

TreeLayout MakeLayout() {
  TreeLayout layout;
  std::vector<std::wstring> above;
  for (int level = 0; level < kTreeLevels; ++level) {
    std::vector<std::wstring> here;
    const int width = kLevelWidths[level];
    for (int index = 0; index < width; ++index) {
      std::wstring path = FolderName(level + 1, index);
      if (level > 0) {
        // Spread evenly over the folders above.
        const int parent =
            static_cast<int>(static_cast<long long>(index) * kLevelWidths[level - 1] / width);
        path = above[static_cast<size_t>(parent)] + L"\\" + path;
      }
      here.push_back(path);
      layout.folders.push_back(std::move(path));
    }
    above = std::move(here);
  }
  layout.leaves = above;
  int ordinal = 0;
  for (const std::wstring& folder : layout.folders) {
    for (int i = 0; i < kTreeFilesPerFolder; ++i, ++ordinal) {
      const LONGLONG bytes = kSizeStep * (1 + ordinal % kSizeKinds);
      layout.files.push_back({folder + L"\\f" + std::to_wstring(i) + L".txt", bytes});
      layout.totals.bytes += bytes;
      ++layout.totals.files;
    }
  }
  return layout;
}

struct FoundTree {
  std::map<std::wstring, LONGLONG> files;
  int folders = 0;
};

// Everything below `top`, by paths relative to it.
void Gather(const std::wstring& top, const std::wstring& relative, FoundTree& found) {
  const std::wstring prefix = relative.empty() ? L"" : relative + L"\\";
  const std::wstring folder = relative.empty() ? top : top + L"\\" + relative;
  WIN32_FIND_DATAW data;
  wf::UniqueFindHandle find(FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data,
                                             FindExSearchNameMatch, nullptr, 0));
  if (!find) return;
  std::vector<std::wstring> below;
  do {
    if (IsDotEntry(data.cFileName)) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      below.push_back(prefix + data.cFileName);
      continue;
    }
    found.files[prefix + data.cFileName] =
        static_cast<LONGLONG>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
  } while (FindNextFileW(find.get(), &data));
  find.reset();
  for (const std::wstring& child : below) {
    ++found.folders;
    Gather(top, child, found);
  }
}

}  // namespace

std::wstring SelectionTreePath(const std::wstring& root) {
  return root + L"\\selection\\tree";
}

const TreeLayout& SelectionTreeLayout() {
  static const TreeLayout layout = MakeLayout();
  return layout;
}

std::string CheckSelectionTree(const std::wstring& top) {
  const DWORD attributes = GetFileAttributesW(top.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return ToUtf8(top) + " is missing";
  const TreeLayout& layout = SelectionTreeLayout();
  FoundTree found;
  Gather(top, L"", found);
  if (found.folders != static_cast<int>(layout.folders.size()))
    return ToUtf8(top) + " holds " + std::to_string(found.folders) + " folders, not " +
           std::to_string(layout.folders.size());
  if (found.files.size() != layout.files.size())
    return ToUtf8(top) + " holds " + std::to_string(found.files.size()) + " files, not " +
           std::to_string(layout.files.size());
  for (const BenchFile& file : layout.files) {
    auto it = found.files.find(file.name);
    if (it == found.files.end()) return ToUtf8(top) + " lacks " + ToUtf8(file.name);
    if (it->second != file.bytes)
      return ToUtf8(top + L"\\" + file.name) + " is " + std::to_string(it->second) +
             " bytes, not " + std::to_string(file.bytes);
  }
  return {};
}

int PrintMissingSelectionTree(std::FILE* out, const std::wstring& root) {
  const std::wstring top = SelectionTreePath(root);
  if (CheckSelectionTree(top).empty()) return 0;
  std::fprintf(out, "folder\t%s\ttree\n", ToUtf8(top).c_str());
  for (const BenchFile& file : SelectionTreeLayout().files)
    std::fprintf(out, "file\t%lld\t%s\n", static_cast<long long>(file.bytes),
                 ToUtf8(file.name).c_str());
  std::fflush(out);
  return 1;
}

}  // namespace bench
