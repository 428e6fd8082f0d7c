#include "shell/core/SpecialFolders.h"

#include "framework/Strings.h"
#include "shell/core/ShellModule.h"

namespace wf {

const int kSpecialFolderCsidl[kSpecialFolderCount] = {
    CSIDL_DRIVES,  // SF_FILESYSTEMFOLDER
    CSIDL_BITBUCKET,
    CSIDL_CONTROLS,
    CSIDL_DESKTOP,
    CSIDL_DESKTOPDIRECTORY,
    CSIDL_DRIVES,
    CSIDL_FONTS,
    CSIDL_NETHOOD,
    CSIDL_NETWORK,
    CSIDL_PERSONAL,
    CSIDL_PRINTERS,
    CSIDL_PROGRAMS,
    CSIDL_RECENT,
    CSIDL_SENDTO,
    CSIDL_STARTMENU,
    CSIDL_STARTUP,
    CSIDL_TEMPLATES,
    CSIDL_FAVORITES,
    CSIDL_COMMON_STARTMENU,
    CSIDL_COMMON_STARTUP,
    CSIDL_COMMON_DESKTOPDIRECTORY,
    CSIDL_APPDATA,
    CSIDL_PRINTHOOD,
    CSIDL_COMMON_FAVORITES,
    CSIDL_INTERNET_CACHE,
    CSIDL_COOKIES,
    CSIDL_HISTORY,
    CSIDL_COMMON_PROGRAMS,
    CSIDL_ALTSTARTUP,
    CSIDL_COMMON_APPDATA,
    CSIDL_COMMON_DOCUMENTS,
    CSIDL_INTERNET,
    CSIDL_LOCAL_APPDATA,
    CSIDL_MYPICTURES,
    CSIDL_PROGRAM_FILES,
    CSIDL_SYSTEM,
    CSIDL_PROGRAM_FILES_COMMON,
};

namespace {

const wchar_t* const kNames[kSpecialFolderCount] = {
    L"SF_FILESYSTEMFOLDER",
    L"SF_BITBUCKET",
    L"SF_CONTROLS",
    L"SF_DESKTOP",
    L"SF_DESKTOPDIRECTORY",
    L"SF_DRIVES",
    L"SF_FONTS",
    L"SF_NETHOOD",
    L"SF_NETWORK",
    L"SF_PERSONAL",
    L"SF_PRINTERS",
    L"SF_PROGRAMS",
    L"SF_RECENT",
    L"SF_SENDTO",
    L"SF_STARTMENU",
    L"SF_STARTUP",
    L"SF_TEMPLATES",
    L"SF_FAVORITES",
    L"SF_COMMON_STARTMENU",
    L"SF_COMMON_STARTUP",
    L"SF_COMMON_DESKTOPDIRECTORY",
    L"SF_APPDATA",
    L"SF_PRINTHOOD",
    L"SF_COMMON_FAVORITES",
    L"SF_INTERNET_CACHE",
    L"SF_COOKIES",
    L"SF_HISTORY",
    L"SF_COMMON_PROGRAMS",
    L"SF_ALTSTARTUP",
    L"SF_COMMON_APPDATA",
    L"SF_COMMON_DOCUMENTS",
    L"SF_INTERNET",
    L"SF_LOCAL_APPDATA",
    L"SF_MYPICTURES",
    L"SF_PROGRAM_FILES",
    L"SF_SYSTEM",
    L"SF_PROGRAM_FILES_COMMON",
};

}  // namespace

AbsoluteIdList SpecialFolderIdList(TKivShellFolder folder) {
  if (folder == SF_DESKTOP) return CloneIdList(ShellModule::EmptyIdList());
  if (folder >= kSpecialFolderCount) return {};
  AbsoluteIdList list;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, kSpecialFolderCsidl[folder], list.put())))
    return {};
  return list;
}

TKivShellFolder IdListToSpecialFolder(PCIDLIST_ABSOLUTE list) {
  IShellFolder* desktop = ShellModule::DesktopFolder();
  if (!list || !desktop) return SF_FILESYSTEMFOLDER;
  // Ordinal 0 is never tested, so My Computer answers SF_DRIVES.
  for (int ordinal = 1; ordinal < kSpecialFolderCount; ++ordinal) {
    AbsoluteIdList candidate;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, kSpecialFolderCsidl[ordinal], candidate.put())) ||
        !candidate)
      continue;
    if (desktop->CompareIDs(0, candidate.get(), list) == S_OK)
      return static_cast<TKivShellFolder>(ordinal);
  }
  return SF_FILESYSTEMFOLDER;
}

std::wstring SpecialFolderName(TKivShellFolder folder) {
  return folder < kSpecialFolderCount ? kNames[folder] : L"";
}

std::optional<TKivShellFolder> SpecialFolderFromName(std::wstring_view name) {
  for (int ordinal = 0; ordinal < kSpecialFolderCount; ++ordinal) {
    if (SameText(name, kNames[ordinal])) return static_cast<TKivShellFolder>(ordinal);
  }
  return std::nullopt;
}

}  // namespace wf
