#pragma once

// The shell's answers a drawn row needs, asked directly and through our
// folder object, for the rows one paint of our list asked for.

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "bench/BenchCore.h"

namespace wf {
class TDirwalker;
}

namespace bench {

// Where the raw queries' time goes, summed over the rows.
struct RawQueryTimes {
  double total = kNotMeasured;
  double name = 0, icon = 0, attributes = 0;
  std::vector<double> details;  // one per shown detail column
};

// How the raw questions ask for the small icon: the common way, with the
// row's absolute id, or the cheapest documented one, the folder and its
// child id (which gives the same index).
enum class IconRoute { kFileInfo, kFolderAndChild };

// Its display name, small icon, overlay and hidden attribute, and one text
// per shown detail column. With no overlay interface the overlay is two
// attribute bits, asked with the hidden one.
RawQueryTimes TimeRawRowQueries(IShellFolder* folder, PCIDLIST_ABSOLUTE folderPidl,
                                const std::vector<PCUITEMID_CHILD>& ids,
                                const std::vector<UINT>& detailColumns,
                                IconRoute route = IconRoute::kFileInfo);

// The same rows' questions put through the list's folder object, as the
// row update and the caption ask them.
double TimeDirwalkerRowQueries(wf::TDirwalker& dirwalker, const std::vector<PCUITEMID_CHILD>& ids,
                               const std::vector<UINT>& detailColumns);

}  // namespace bench
