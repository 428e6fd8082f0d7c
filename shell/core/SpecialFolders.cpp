#include "shell/core/SpecialFolders.h"

#include "framework/Strings.h"
#include "shell/core/ShellModule.h"

namespace wf {

// clang-format off
const int kSpecialFolderCsidl[kSpecialFolderCount] = {
    CSIDL_DRIVES,                   // SF_FILESYSTEMFOLDER
    CSIDL_BITBUCKET,                // SF_BITBUCKET
    CSIDL_CONTROLS,                 // SF_CONTROLS
    CSIDL_DESKTOP,                  // SF_DESKTOP
    CSIDL_DESKTOPDIRECTORY,         // SF_DESKTOPDIRECTORY
    CSIDL_DRIVES,                   // SF_DRIVES
    CSIDL_FONTS,                    // SF_FONTS
    CSIDL_NETHOOD,                  // SF_NETHOOD
    CSIDL_NETWORK,                  // SF_NETWORK
    CSIDL_PERSONAL,                 // SF_PERSONAL
    CSIDL_PRINTERS,                 // SF_PRINTERS
    CSIDL_PROGRAMS,                 // SF_PROGRAMS
    CSIDL_RECENT,                   // SF_RECENT
    CSIDL_SENDTO,                   // SF_SENDTO
    CSIDL_STARTMENU,                // SF_STARTMENU
    CSIDL_STARTUP,                  // SF_STARTUP
    CSIDL_TEMPLATES,                // SF_TEMPLATES
    CSIDL_FAVORITES,                // SF_FAVORITES
    CSIDL_COMMON_STARTMENU,         // SF_COMMON_STARTMENU
    CSIDL_COMMON_STARTUP,           // SF_COMMON_STARTUP
    CSIDL_COMMON_DESKTOPDIRECTORY,  // SF_COMMON_DESKTOPDIRECTORY
    CSIDL_APPDATA,                  // SF_APPDATA
    CSIDL_PRINTHOOD,                // SF_PRINTHOOD
    CSIDL_COMMON_FAVORITES,         // SF_COMMON_FAVORITES
    CSIDL_INTERNET_CACHE,           // SF_INTERNET_CACHE
    CSIDL_COOKIES,                  // SF_COOKIES
    CSIDL_HISTORY,                  // SF_HISTORY
    CSIDL_COMMON_PROGRAMS,          // SF_COMMON_PROGRAMS
    CSIDL_ALTSTARTUP,               // SF_ALTSTARTUP
    CSIDL_COMMON_APPDATA,           // SF_COMMON_APPDATA
    CSIDL_COMMON_DOCUMENTS,         // SF_COMMON_DOCUMENTS
    CSIDL_INTERNET,                 // SF_INTERNET
    CSIDL_LOCAL_APPDATA,            // SF_LOCAL_APPDATA
    CSIDL_MYPICTURES,               // SF_MYPICTURES
    CSIDL_PROGRAM_FILES,            // SF_PROGRAM_FILES
    CSIDL_SYSTEM,                   // SF_SYSTEM
    CSIDL_PROGRAM_FILES_COMMON,     // SF_PROGRAM_FILES_COMMON
};
// clang-format on

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
    if (FAILED(
            SHGetSpecialFolderLocation(nullptr, kSpecialFolderCsidl[ordinal], candidate.put())) ||
        !candidate)
      continue;
    if (IsSameObject(candidate.get(), list)) return static_cast<TKivShellFolder>(ordinal);
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
