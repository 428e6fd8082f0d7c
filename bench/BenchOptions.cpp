#include "bench/BenchOptions.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>

namespace bench {
namespace {

struct LocalMemDeleter {
  void operator()(void* p) const { LocalFree(p); }
};

constexpr struct {
  const wchar_t* name;
  MeasureKind kind;
} kMeasureNames[] = {
    {L"population", MeasureKind::kPopulation},
    {L"firstpage", MeasureKind::kFirstPage},
    {L"sorts", MeasureKind::kSorts},
    {L"questions", MeasureKind::kQuestions},
    {L"clipboard", MeasureKind::kClipboard},
    {L"deletereport", MeasureKind::kDeleteReport},
    {L"refresh", MeasureKind::kRefresh},
    {L"memory", MeasureKind::kMemory},
    {L"wholefolder", MeasureKind::kWholeFolder},
    {L"paint", MeasureKind::kPaint},
    {L"window", MeasureKind::kWindow},
    {L"background", MeasureKind::kBackground},
    {L"selection", MeasureKind::kSelection},
};

// A comma-separated list, each item read by `read`; false when any is not.
template <class Read>
bool ReadList(const std::wstring& value, Read&& read) {
  size_t pos = 0;
  while (pos <= value.size()) {
    size_t comma = value.find(L',', pos);
    if (comma == std::wstring::npos) comma = value.size();
    if (!read(value.substr(pos, comma - pos))) return false;
    pos = comma + 1;
  }
  return true;
}

// The whole text must be the number: "1e4" is no 1.
template <class Number, class Convert>
std::optional<Number> ReadNumber(const std::wstring& text, Convert&& convert) {
  try {
    size_t used = 0;
    Number number = convert(text, &used);
    if (used == text.size()) return number;
  } catch (const std::exception&) {
  }
  return std::nullopt;
}

std::optional<int> ReadInt(const std::wstring& text) {
  return ReadNumber<int>(text,
                         [](const std::wstring& t, size_t* used) { return std::stoi(t, used); });
}

std::optional<double> ReadDouble(const std::wstring& text) {
  return ReadNumber<double>(text,
                            [](const std::wstring& t, size_t* used) { return std::stod(t, used); });
}

bool ReadSizes(const std::wstring& value, Options& options) {
  options.sizes.clear();
  return ReadList(value, [&](const std::wstring& item) {
    std::optional<int> size = ReadInt(item);
    if (!size || *size <= 0) return false;
    options.sizes.push_back(*size);
    return true;
  });
}

// A count of runs, no lower than `least`.
bool ReadRuns(const std::wstring& value, int least, int& runs) {
  std::optional<int> number = ReadInt(value);
  if (!number) return false;
  runs = std::max(least, *number);
  return true;
}

bool ReadMeasures(const std::wstring& value, Options& options) {
  options.measures.clear();
  return ReadList(value, [&](const std::wstring& item) {
    for (const auto& known : kMeasureNames) {
      if (item != known.name) continue;
      if (!options.Runs(known.kind)) options.measures.push_back(known.kind);
      return true;
    }
    return false;
  });
}

}  // namespace

bool Options::Runs(MeasureKind kind) const {
  return std::find(measures.begin(), measures.end(), kind) != measures.end();
}

std::optional<Options> ParseOptions(const std::vector<std::wstring>& args) {
  Options options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::wstring& name = args[i];
    if (name == L"--list-missing-folders") {
      options.listMissingFolders = true;
      continue;
    }
    if (name == L"--help" || name == L"-h" || i + 1 >= args.size()) return std::nullopt;
    const std::wstring& value = args[++i];
    bool read = false;
    if (name == L"--sizes") {
      read = ReadSizes(value, options);
    } else if (name == L"--measures") {
      read = ReadMeasures(value, options);
    } else if (name == L"--runs") {
      read = ReadRuns(value, 1, options.runs);
    } else if (name == L"--raw-runs") {
      read = ReadRuns(value, 0, options.rawRuns);
    } else if (name == L"--extra-runs") {
      read = ReadRuns(value, 0, options.extraRuns);
    } else if (name == L"--memory-child") {
      options.memoryChild = value;
      read = !value.empty();
    } else if (name == L"--root") {
      options.root = value;
      read = true;
    } else if (name == L"--view-timeout") {
      // NaN would make the wait for the view endless: no time exceeds it.
      std::optional<double> seconds = ReadDouble(value);
      read = seconds && *seconds > 0;
      if (read) options.viewTimeoutSeconds = *seconds;
    }
    if (!read) return std::nullopt;
  }
  if (options.sizes.empty() || options.measures.empty()) return std::nullopt;
  return options;
}

std::optional<Options> ParseCommandLine() {
  int argc = 0;
  std::unique_ptr<LPWSTR, LocalMemDeleter> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
  if (!argv) return std::nullopt;
  std::vector<std::wstring> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv.get()[i]);
  return ParseOptions(args);
}

void PrintUsage() {
  std::printf(
      "usage: population_bench [--sizes 10000,50000] [--runs 5] [--raw-runs 1]\n"
      "                        [--extra-runs 3] [--root C:\\wfbench] [--view-timeout 120]\n"
      "                        [--measures population,firstpage,sorts,questions,clipboard,\n"
      "                                    deletereport,refresh,paint,memory,wholefolder,\n"
      "                                    window,background,selection]\n"
      "                        [--list-missing-folders]\n"
      "  --raw-runs 0 skips the raw enumeration with display names.\n"
      "  --measures picks measures (all but refresh, paint, memory, wholefolder,\n"
      "  window, background and selection by default). memory measures each list\n"
      "  in a fresh process of its own; wholefolder lists, scrolls and sorts a folder\n"
      "  of every size asked for; window measures Wayfold's form around the list;\n"
      "  background measures the thread pool and pages through 2,000 pictures as\n"
      "  thumbnails (in <root>\\pictures, made on its first run); selection ticks\n"
      "  a tree of 20,000 files (<root>\\selection\\tree), draws a page of 40 rows\n"
      "  with check boxes and clicks a box in one of two linked lists.\n"
      "  --list-missing-folders prints the files each missing or wrong folder\n"
      "  should hold and measures nothing; bench/run.sh makes them from it.\n");
}

}  // namespace bench
