#pragma once

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/Strings.h"
#include "shell/core/Dirwalker.h"
#include "shell/core/IdList.h"
#include "shell/core/ShellModule.h"

namespace wf::test {

// Whether the desktop takes both lists for the same object.
inline bool SameObject(PCIDLIST_ABSOLUTE a, PCIDLIST_ABSOLUTE b) {
  return ShellModule::DesktopFolder()->CompareIDs(0, a, b) == S_OK;
}

inline AbsoluteIdList CsidlIdList(int csidl) {
  AbsoluteIdList list;
  SHGetSpecialFolderLocation(nullptr, csidl, list.put());
  return list;
}

// ObjectName of every object the enumeration yields, from its beginning.
inline std::vector<std::wstring> EnumerateNames(TDirwalker& walker) {
  std::vector<std::wstring> names;
  while (walker.NextObject()) names.push_back(walker.ObjectName());
  return names;
}

inline bool Contains(const std::vector<std::wstring>& names, const std::wstring& name) {
  return std::any_of(names.begin(), names.end(),
                     [&](const std::wstring& n) { return SameText(n, name); });
}

inline bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A walker that lets the shell show nothing of its own during tests.
inline void Quiet(TDirwalker& walker) {
  walker.SetShowErrorMessages(false);
}

}  // namespace wf::test
