#include "bench/RowQueries.h"

#include <shellapi.h>
#include <shlobj.h>

#include "bench/Hosting.h"
#include "shell/core/Dirwalker.h"
#include "shell/core/IdList.h"

using Microsoft::WRL::ComPtr;

namespace bench {

RawQueryTimes TimeRawRowQueries(IShellFolder* folder, PCIDLIST_ABSOLUTE folderPidl,
                                const std::vector<PCUITEMID_CHILD>& ids,
                                const std::vector<UINT>& detailColumns, IconRoute route) {
  RawQueryTimes times;
  times.details.assign(detailColumns.size(), 0);
  auto start = Clock::now();
  auto lap = [last = start](double& into) mutable {
    auto now = Clock::now();
    into += std::chrono::duration<double>(now - last).count();
    last = now;
  };
  ComPtr<IShellFolder2> folder2 = DetailsFolder(folder);
  ComPtr<IShellIconOverlay> overlay;
  if (FAILED(folder->QueryInterface(IID_IShellIconOverlay,
                                    reinterpret_cast<void**>(overlay.GetAddressOf()))))
    overlay.Reset();
  double setup = 0;
  lap(setup);
  for (PCUITEMID_CHILD id : ids) {
    STRRET name{};
    Check(folder->GetDisplayNameOf(id, SHGDN_NORMAL, &name), "IShellFolder::GetDisplayNameOf");
    wf::StrRetToString(id, name);
    lap(times.name);
    if (route == IconRoute::kFolderAndChild) {
      SHMapPIDLToSystemImageListIndex(folder, id, nullptr);
    } else {
      wf::AbsoluteIdList absolute(ILCombine(folderPidl, id));
      SHFILEINFOW info{};
      SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absolute.get()), 0, &info, sizeof info,
                     SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    }
    lap(times.icon);
    SFGAOF attributes = SFGAO_HIDDEN | (overlay ? 0 : SFGAO_LINK | SFGAO_SHARE);
    folder->GetAttributesOf(1, &id, &attributes);
    if (overlay) {
      int index = 0;
      overlay->GetOverlayIndex(id, &index);
    }
    lap(times.attributes);
    for (size_t c = 0; c < detailColumns.size(); ++c) {
      SHELLDETAILS details{};
      if (SUCCEEDED(folder2->GetDetailsOf(id, detailColumns[c], &details)))
        wf::StrRetToString(id, details.str);
      lap(times.details[c]);
    }
  }
  times.total = SecondsSince(start);
  return times;
}

double TimeDirwalkerRowQueries(wf::TDirwalker& dirwalker, const std::vector<PCUITEMID_CHILD>& ids,
                               const std::vector<UINT>& detailColumns) {
  auto start = Clock::now();
  for (PCUITEMID_CHILD id : ids) {
    dirwalker.SetCurrentId(id);
    for (UINT column : detailColumns) dirwalker.DetailText(static_cast<int>(column), false);
    dirwalker.SmallIconIndex();
    dirwalker.OverlayIndex();
    dirwalker.Attributes(SFGAO_HIDDEN);
    auto saved = dirwalker.ObjectIdCopy();
    dirwalker.SetCurrentId(id);
    dirwalker.DisplayName();
    dirwalker.SetCurrentId(saved.get());
  }
  return SecondsSince(start);
}

}  // namespace bench
