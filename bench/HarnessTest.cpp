// The benchmark harness's own behaviour: what it reads from its command
// line, the folders it accepts and lists for bench/run.sh, and how samples
// become figures. No timing is compared.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/BenchCore.h"
#include "bench/BenchFolders.h"
#include "bench/BenchOptions.h"
#include "bench/Hosting.h"
#include "bench/Memory.h"
#include "framework/Handles.h"
#include "shell/list/ShellControls.h"
#include "tests/support/TempFolder.h"

namespace bench {
namespace {

using wf::test::TempFolder;

std::optional<Options> Parse(std::vector<std::wstring> args) {
  return ParseOptions(args);
}

// The refresh creates files and takes minutes: it runs only when named.
TEST(BenchOptions, RefreshRunsOnlyWhenNamed) {
  auto defaults = Parse({});
  ASSERT_TRUE(defaults);
  EXPECT_FALSE(defaults->Runs(MeasureKind::kRefresh));
  auto named = Parse({L"--measures", L"refresh"});
  ASSERT_TRUE(named);
  EXPECT_EQ(named->measures, std::vector<MeasureKind>{MeasureKind::kRefresh});
}

// Each starts processes or folders of its own, and the whole-folder run is
// made for a million files: they run only when named. A process the memory
// measure starts is told which list it measures.
TEST(BenchOptions, MemoryAndWholeFolderRunOnlyWhenNamed) {
  auto defaults = Parse({});
  ASSERT_TRUE(defaults);
  EXPECT_FALSE(defaults->Runs(MeasureKind::kMemory));
  EXPECT_FALSE(defaults->Runs(MeasureKind::kWholeFolder));
  EXPECT_TRUE(defaults->memoryChild.empty());
  auto named = Parse({L"--measures", L"memory,wholefolder", L"--memory-child", L"shellview"});
  ASSERT_TRUE(named);
  EXPECT_EQ(named->measures,
            (std::vector<MeasureKind>{MeasureKind::kMemory, MeasureKind::kWholeFolder}));
  EXPECT_EQ(named->memoryChild, L"shellview");
  EXPECT_FALSE(Parse({L"--memory-child", L""}));
}

TEST(BenchOptions, DefaultsRunEveryMeasureOnBothSizes) {
  auto options = Parse({});
  ASSERT_TRUE(options);
  EXPECT_EQ(options->sizes, (std::vector<int>{10000, 50000}));
  EXPECT_EQ(options->runs, 5);
  EXPECT_EQ(options->rawRuns, 1);
  EXPECT_EQ(options->extraRuns, 3);
  EXPECT_EQ(options->root, L"C:\\wfbench");
  for (MeasureKind kind :
       {MeasureKind::kPopulation, MeasureKind::kFirstPage, MeasureKind::kSorts,
        MeasureKind::kQuestions, MeasureKind::kClipboard, MeasureKind::kDeleteReport})
    EXPECT_TRUE(options->Runs(kind));
  EXPECT_FALSE(options->listMissingFolders);
}

TEST(BenchOptions, ReadsEveryOption) {
  auto options = Parse({L"--sizes", L"2000,300", L"--runs", L"2", L"--raw-runs", L"0",
                        L"--extra-runs", L"1", L"--root", L"D:\\b", L"--view-timeout", L"30.5",
                        L"--measures", L"sorts,questions", L"--list-missing-folders"});
  ASSERT_TRUE(options);
  EXPECT_EQ(options->sizes, (std::vector<int>{2000, 300}));
  EXPECT_EQ(options->runs, 2);
  EXPECT_EQ(options->rawRuns, 0);
  EXPECT_EQ(options->extraRuns, 1);
  EXPECT_EQ(options->root, L"D:\\b");
  EXPECT_DOUBLE_EQ(options->viewTimeoutSeconds, 30.5);
  EXPECT_FALSE(options->Runs(MeasureKind::kPopulation));
  EXPECT_FALSE(options->Runs(MeasureKind::kFirstPage));
  EXPECT_TRUE(options->Runs(MeasureKind::kSorts));
  EXPECT_TRUE(options->Runs(MeasureKind::kQuestions));
  EXPECT_TRUE(options->listMissingFolders);
}

// bench/run.sh appends the flag to whatever the user passed.
TEST(BenchOptions, FolderListingFlagTakesNoValue) {
  auto options = Parse({L"--list-missing-folders", L"--sizes", L"7"});
  ASSERT_TRUE(options);
  EXPECT_TRUE(options->listMissingFolders);
  EXPECT_EQ(options->sizes, (std::vector<int>{7}));
}

TEST(BenchOptions, RunCountsAreRaisedToTheirLeast) {
  auto options = Parse({L"--runs", L"0", L"--raw-runs", L"-2", L"--extra-runs", L"-1"});
  ASSERT_TRUE(options);
  EXPECT_EQ(options->runs, 1);
  EXPECT_EQ(options->rawRuns, 0);
  EXPECT_EQ(options->extraRuns, 0);
}

TEST(BenchOptions, AMeasureNamedTwiceRunsOnce) {
  auto options = Parse({L"--measures", L"sorts,sorts"});
  ASSERT_TRUE(options);
  EXPECT_EQ(options->measures.size(), 1u);
}

// Anything not read whole is refused rather than measured otherwise than
// asked: "1e4" once benchmarked a folder of one file.
TEST(BenchOptions, RefusesWhatItCannotReadWhole) {
  const std::vector<std::vector<std::wstring>> refused = {
      {L"--help"},
      {L"-h"},
      {L"--sizes"},
      {L"--sizes", L"1e4"},
      {L"--sizes", L"10x"},
      {L"--sizes", L"10,"},
      {L"--sizes", L"0"},
      {L"--sizes", L"-5"},
      {L"--sizes", L"99999999999"},
      {L"--runs", L"3 runs"},
      {L"--extra-runs", L""},
      {L"--measures", L"population,speed"},
      {L"--measures", L""},
      {L"--view-timeout", L"nan"},
      {L"--view-timeout", L"0"},
      {L"--view-timeout", L"-1"},
      {L"--colour", L"red"},
  };
  for (const auto& args : refused) EXPECT_FALSE(Parse(args)) << ToUtf8(args.back());
}

// What PrintMissingFolders wrote, read back as bench/run.sh reads it.
struct ListedFolder {
  std::wstring path;
  std::map<std::wstring, long long> files;  // name and bytes
};

std::vector<ListedFolder> ListMissing(const std::wstring& root, const std::vector<int>& sizes,
                                      int* count = nullptr) {
  std::FILE* out = std::tmpfile();
  if (!out) throw std::runtime_error("no temporary file");
  const int missing = PrintMissingFolders(out, root, sizes);
  if (count) *count = missing;
  std::rewind(out);
  std::vector<ListedFolder> listed;
  char line[1024];
  while (std::fgets(line, sizeof line, out)) {
    char kind[16], first[512], second[512];
    if (std::sscanf(line, "%15[^\t]\t%511[^\t\n]\t%511[^\t\n]", kind, first, second) == 3 &&
        std::string(kind) == "file" && !listed.empty()) {
      std::wstring name(second, second + std::strlen(second));
      listed.back().files[name] = std::stoll(first);
    } else if (std::sscanf(line, "%15[^\t]\t%511[^\t\n]", kind, first) == 2 &&
               std::string(kind) == "folder") {
      listed.push_back({std::wstring(first, first + std::strlen(first)), {}});
    }
  }
  std::fclose(out);
  return listed;
}

// Made anew, or cut or grown to `bytes` when it exists.
void WriteFileOfSize(const std::wstring& path, long long bytes) {
  wf::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file) << ToUtf8(path);
  LARGE_INTEGER end{};
  end.QuadPart = bytes;
  ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(file.get()));
}

void MakeListedFiles(const ListedFolder& folder) {
  CreateDirectoryW(folder.path.c_str(), nullptr);
  for (const auto& [name, bytes] : folder.files) WriteFileOfSize(folder.path + L"\\" + name, bytes);
}

std::wstring RootOf(const TempFolder& temp) {
  std::wstring root = temp.Path();
  root.pop_back();  // no trailing backslash, as --root is given
  return root;
}

TEST(BenchFolders, MissingFoldersAreListedFileByFile) {
  TempFolder temp;
  const std::wstring root = RootOf(temp);
  int count = 0;
  auto listed = ListMissing(root, {3, 120}, &count);
  EXPECT_EQ(count, 2);
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].path, root + L"\\3");
  EXPECT_EQ(listed[0].files.size(), 3u);
  EXPECT_EQ(listed[1].path, root + L"\\120");
  ASSERT_EQ(listed[1].files.size(), 120u);
  // Sizes spread over whole kilobytes, so a sort by the size column has
  // texts to order; names keep their number order when sorted as text.
  EXPECT_EQ(listed[1].files.at(L"f00002.txt"), 2048);
  EXPECT_EQ(listed[1].files.at(L"f00097.txt"), 0);
  EXPECT_EQ(listed[1].files.at(L"f00120.txt"), 23 * 1024);
  EXPECT_NE(CheckBenchFolder(root + L"\\3", 3), "");
}

// The round trip bench/run.sh relies on: what is listed, once made, is
// accepted and no longer listed.
TEST(BenchFolders, ListedFilesOnceMadeAreAccepted) {
  TempFolder temp;
  const std::wstring root = RootOf(temp);
  for (const ListedFolder& folder : ListMissing(root, {150})) MakeListedFiles(folder);
  EXPECT_EQ(CheckBenchFolder(root + L"\\150", 150), "");
  int count = -1;
  EXPECT_TRUE(ListMissing(root, {150}, &count).empty());
  EXPECT_EQ(count, 0);
}

TEST(BenchFolders, AnyDepartureFromTheListIsReported) {
  TempFolder temp;
  const std::wstring root = RootOf(temp);
  const std::wstring folder = root + L"\\100";
  const auto listed = ListMissing(root, {100});
  ASSERT_EQ(listed.size(), 1u);
  auto remake = [&] {
    if (GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) {
      ASSERT_TRUE(wf::test::RemoveFolderTree(folder));
    }
    MakeListedFiles(listed[0]);
    ASSERT_EQ(CheckBenchFolder(folder, 100), "");
  };

  remake();
  WriteFileOfSize(folder + L"\\f00050.txt", 1);  // a file in the middle resized
  EXPECT_NE(CheckBenchFolder(folder, 100).find("f00050.txt"), std::string::npos);
  EXPECT_EQ(ListMissing(root, {100}).size(), 1u);

  remake();
  ASSERT_TRUE(DeleteFileW((folder + L"\\f00042.txt").c_str()));
  temp.MakeFile(L"100\\g00042.txt");  // the right count under another name
  EXPECT_NE(CheckBenchFolder(folder, 100).find("f00042.txt"), std::string::npos);

  remake();
  temp.MakeFile(L"100\\extra.txt");
  EXPECT_NE(CheckBenchFolder(folder, 100), "");

  remake();
  // A subfolder is no file of the layout and leaves it whole.
  temp.MakeFolder(L"100\\sub");
  EXPECT_EQ(CheckBenchFolder(folder, 100), "");
}

// The delete report uses up a folder per repetition; each is listed, and
// made, like the folder of its size, and only when that measure runs.
TEST(BenchFolders, DeleteReportFoldersAreListedPerRepetition) {
  TempFolder temp;
  const std::wstring root = RootOf(temp);
  auto options = Parse({L"--sizes", L"4", L"--extra-runs", L"2", L"--root", root, L"--measures",
                        L"clipboard,deletereport"});
  ASSERT_TRUE(options);
  std::FILE* out = std::tmpfile();
  ASSERT_TRUE(out);
  EXPECT_EQ(PrintMissingFolders(out, FoldersNeeded(*options)), 3);
  std::fclose(out);
  std::vector<std::wstring> paths;
  for (const FolderOfSize& folder : FoldersNeeded(*options)) {
    EXPECT_EQ(folder.size, 4);
    paths.push_back(folder.path);
  }
  EXPECT_EQ(paths, (std::vector<std::wstring>{root + L"\\4", root + L"\\deletereport\\4-1",
                                              root + L"\\deletereport\\4-2"}));

  options = Parse({L"--sizes", L"4", L"--root", root, L"--measures", L"clipboard"});
  ASSERT_TRUE(options);
  EXPECT_EQ(FoldersNeeded(*options).size(), 1u);
}

// The per-item measures count what the shell lists: hidden files too.
TEST(BenchHosting, FolderItemsIncludeHiddenFiles) {
  TempFolder temp;
  temp.MakeFile(L"a.txt");
  temp.MakeFile(L"b.txt", 2048);
  temp.MakeHiddenFile(L"c.txt");
  temp.MakeFolder(L"sub");
  FolderItems items = LoadFolderItems(RootOf(temp));
  EXPECT_TRUE(items.folder);
  EXPECT_EQ(items.children.size(), 4u);
}

TEST(BenchHosting, AMissingFolderFailsTheMeasureWithTheCall) {
  TempFolder temp;
  try {
    OpenFolder(temp / L"absent");
    FAIL() << "no error";
  } catch (const BenchError& e) {
    EXPECT_NE(std::string(e.what()).find("ParseDisplayName"), std::string::npos) << e.what();
  }
}

// The row measures ask the shell for the columns the list shows; they find
// them by the list's column titles.
TEST(BenchHosting, ListColumnsMapToShellColumns) {
  TempFolder temp;
  temp.MakeFile(L"a.txt", 10);
  ListHost host;
  host.List().SetPath(RootOf(temp));
  const std::vector<UINT> columns = ShownDetailColumns(host.List());
  ASSERT_EQ(static_cast<int>(columns.size()), host.List().ShellColumnCount() - 1);
  ASSERT_FALSE(columns.empty());
  for (size_t i = 1; i < columns.size(); ++i) EXPECT_LT(columns[i - 1], columns[i]);
  EXPECT_GE(columns.front(), 1u);  // shell column 0 is the name, the list's own first column
}

// Wine keeps no private-usage counter: that figure is not made up from
// the other.
TEST(BenchMemory, AMissingCounterIsNotMeasured) {
  MemorySample before, after;
  before.committedPrivate = 1000;
  after.committedPrivate = 5000;
  const MemoryGrowth growth = GrowthBetween(before, after);
  EXPECT_FALSE(growth.privateUsage);
  EXPECT_EQ(BytesPerRow(growth, true, 10), "n/a");
  EXPECT_EQ(BytesPerRow(growth, false, 10), "400.0");
  EXPECT_EQ(BytesPerRow(std::nullopt, false, 10), "n/a");
  before.privateUsage = 300;
  after.privateUsage = 100;
  EXPECT_EQ(BytesPerRow(GrowthBetween(before, after), true, 10), "-20.0");
}

// The bytes in use follow a block held and let go, whatever the heaps keep
// committed.
TEST(BenchMemory, HeapBytesInUseFollowABlockHeldAndFreed) {
  constexpr SIZE_T kBlock = 4 << 20;
  const SIZE_T before = HeapBytesInUse();
  void* block = HeapAlloc(GetProcessHeap(), 0, kBlock);
  ASSERT_NE(block, nullptr);
  const SIZE_T held = HeapBytesInUse();
  HeapFree(GetProcessHeap(), 0, block);
  const SIZE_T after = HeapBytesInUse();
  EXPECT_GE(held, before + kBlock);
  EXPECT_LT(after, held - kBlock / 2);
}

TEST(BenchFigures, MedianLeavesOutWhatWasNotMeasured) {
  EXPECT_DOUBLE_EQ(Median({3, 1, 2}), 2);
  EXPECT_DOUBLE_EQ(Median({4, 1, 3, 2}), 2.5);
  EXPECT_DOUBLE_EQ(Median({kNotMeasured, 5, kNotMeasured}), 5);
  EXPECT_TRUE(std::isnan(Median({})));
  EXPECT_TRUE(std::isnan(Median({kNotMeasured})));
  EXPECT_EQ(Format(kNotMeasured, "%.3f"), "n/a");
}

// One failure stops a measure and stands in its note; the runs before it
// still count.
TEST(BenchFigures, SampleStopsAtTheFirstFailure) {
  Measure measure{"key", "label"};
  int calls = 0;
  Sample(measure, 5, [&](int run) {
    ++calls;
    if (run == 2) throw BenchError("no folder");
    return run + 1.0;
  });
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(measure.samples, (std::vector<double>{1, 2}));
  EXPECT_DOUBLE_EQ(measure.median(), 1.5);
  EXPECT_EQ(NoteOf(measure, "3 rows"), "no folder; 3 rows");
  measure.failure.clear();
  measure.note = "slow";
  EXPECT_EQ(NoteOf(measure, ""), "slow");
}

TEST(BenchFigures, FailedShellCallsNameTheCallAndCode) {
  EXPECT_NO_THROW(Check(S_OK, "Call"));
  try {
    Check(E_ACCESSDENIED, "IShellFolder::BindToObject");
    FAIL() << "no error";
  } catch (const BenchError& e) {
    EXPECT_STREQ(e.what(), "IShellFolder::BindToObject failed: HRESULT 0x80070005");
  }
}

}  // namespace
}  // namespace bench
