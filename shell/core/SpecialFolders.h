#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "shell/core/IdList.h"

namespace wf {

// The shell's well-known folders, in their stored order (the ordinal is what a
// stored description keeps). SF_FILESYSTEMFOLDER stands for "no special
// folder"; as an input it means My Computer.
enum TKivShellFolder : uint8_t {
  SF_FILESYSTEMFOLDER,
  SF_BITBUCKET,
  SF_CONTROLS,
  SF_DESKTOP,
  SF_DESKTOPDIRECTORY,
  SF_DRIVES,
  SF_FONTS,
  SF_NETHOOD,
  SF_NETWORK,
  SF_PERSONAL,
  SF_PRINTERS,
  SF_PROGRAMS,
  SF_RECENT,
  SF_SENDTO,
  SF_STARTMENU,
  SF_STARTUP,
  SF_TEMPLATES,
  SF_FAVORITES,
  SF_COMMON_STARTMENU,
  SF_COMMON_STARTUP,
  SF_COMMON_DESKTOPDIRECTORY,
  SF_APPDATA,
  SF_PRINTHOOD,
  SF_COMMON_FAVORITES,
  SF_INTERNET_CACHE,
  SF_COOKIES,
  SF_HISTORY,
  SF_COMMON_PROGRAMS,
  SF_ALTSTARTUP,
  SF_COMMON_APPDATA,
  SF_COMMON_DOCUMENTS,
  SF_INTERNET,
  SF_LOCAL_APPDATA,
  SF_MYPICTURES,
  SF_PROGRAM_FILES,
  SF_SYSTEM,
  SF_PROGRAM_FILES_COMMON,
};

constexpr int kSpecialFolderCount = 37;

// The platform folder id (CSIDL) of each value, indexed by ordinal.
extern const int kSpecialFolderCsidl[kSpecialFolderCount];

// The folder's absolute id list, or none when it does not exist here.
// SF_DESKTOP is the empty list and asks nothing of the platform.
AbsoluteIdList SpecialFolderIdList(TKivShellFolder folder);

// The first special folder (ordinals 1 to 36, lowest first) that names the
// same object as the list; SF_FILESYSTEMFOLDER when none does or no list.
TKivShellFolder IdListToSpecialFolder(PCIDLIST_ABSOLUTE list);

// "SF_COMMON_DOCUMENTS" and back; the reverse ignores ASCII letter case and
// answers nothing for an unknown name.
std::wstring SpecialFolderName(TKivShellFolder folder);
std::optional<TKivShellFolder> SpecialFolderFromName(std::wstring_view name);

}  // namespace wf
