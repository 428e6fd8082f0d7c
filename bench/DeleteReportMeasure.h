#pragma once

// Our list's report of a delete that took every other row's file: the rows
// of the files that are gone leave the list. Against the fastest plain
// removal of the same rows from a plain list view of the same size.

#include <string>

#include "bench/BenchCore.h"

namespace bench {

// Our list may add this much to the plain removal.
inline constexpr double kDeleteReportTarget = 1.3;

struct DeleteReportReport {
  Measure list{"shelllist_delete_report", "ReportOperation, every other file gone"};
  Measure findSelected{"delete_report_find_selected", "  its selected rows found (apart)"};
  Measure paths{"delete_report_paths", "  their paths asked (apart)"};
  Measure presence{"delete_report_presence", "  their files looked for (apart)"};
  Measure removal{"delete_report_removal", "  the rows removed (the rest)"};
  Measure raw{"delete_rows_raw", "  raw LVM_DELETEITEM, same rows"};
  Measure rawSelected{"delete_rows_raw_selected", "  raw LVM_DELETEITEM, those rows selected"};
  Measure captions{"delete_report_captions", "  every caption read (untimed above)"};
  Measure lookupGone{"path_exists_gone", "  PathExists of a gone file, per call"};
  Measure lookupKept{"path_exists_kept", "  PathExists of a kept file, per call"};
  Measure itemPathGone{"item_path_gone", "  ItemPath of a gone file's row, per call"};
  int rows = 0;
  int removed = 0;
};

// `runs` repetitions, each on a fresh fill of a folder of its own under
// `root` (bench/run.sh makes them), whose files it deletes.
DeleteReportReport MeasureDeleteReport(const std::wstring& root, int size, int runs);
void PrintDeleteReport(int size, const DeleteReportReport& report);

}  // namespace bench
