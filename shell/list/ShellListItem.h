#pragma once

#include <cstdint>
#include <functional>

#include "framework/ListView.h"
#include "framework/StringList.h"
#include "shell/core/IdList.h"

namespace wf {

// The shell list's yes-or-no listing options, kept as one set of bits, the
// record each of its rows carries, and the types of its own events.
enum ShellListOption : uint16_t {
  kShowNethood = 1 << 0,
  kShowRecycleBin = 1 << 1,
  kShowErrorMessages = 1 << 2,
  kShowHidden = 1 << 3,
  kShowFiles = 1 << 4,
  kShowContextMenuOnTop = 1 << 5,
  kColorCompressed = 1 << 6,
  kColorEncrypted = 1 << 7,
  kNoFillOnStartup = 1 << 8,
};
constexpr uint16_t kDefaultShellListOptions = kShowNethood | kShowRecycleBin | kShowFiles;

// The record every row of a shell list carries, owned by its row.
class TKivShellListItem {
 public:
  ChildIdList ItemId;  // none for the parent-folder entry
  int32_t Present = 1;
  bool IsParentEntry = false;
  // Set by the list's own cut command only: a row ghosted for being hidden is
  // not on its way elsewhere, so its object vanishing is no move.
  bool Cut = false;
  bool Hidden = false;  // known once the row is first drawn
  bool Compressed = false;
  bool Encrypted = false;
  // While thumbnails show: the row's own slot in their image list (-1 for
  // none yet), and the serial of the job whose picture it awaits (0: none).
  int32_t PictureSlot = -1;
  uint32_t PictureJob = 0;
};

using TOnCheckStateChanged =
    std::function<void(TObject* sender, int item_index, const std::wstring& path, int check_state)>;
using TOnAddItem = std::function<void(TListItem* item, bool& can_add)>;
// Before files dropped onto the list reach the shell: `drop_target` is the
// row they were dropped onto, or null for the list's own folder; clearing
// `execute` cancels the drop.
using TOnBeforeShellDropEvent = std::function<void(TObject* sender, TListItem* drop_target,
                                                   TStringList& dropped_files, bool& execute)>;

}  // namespace wf
