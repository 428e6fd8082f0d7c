#pragma once

#include <cstdint>
#include <string>

#include "framework/Hints.h"

namespace wf {

class TKivShellList;
class TListItem;

// What the shell list's hint says over a row: the shell's info tip of the
// row's object (several lines for many kinds of file), or where there is
// none the row's whole caption when its column cuts it.
class RowHints {
 public:
  explicit RowHints(TKivShellList& list) : list_(list) {}
  // Takes the request over for a row; leaves it to the framework elsewhere.
  void Answer(THintInfo& hint);

 private:
  // The shell's tip of the row's object, asked once while the pointer stays
  // on the row: the framework asks at every move.
  const std::wstring& InfoTip(TListItem* row);
  bool CaptionCut(TListItem* row, RECT& label);

  TKivShellList& list_;
  TListItem* tip_row_ = nullptr;
  uint64_t tip_rows_deleted_ = 0;
  std::wstring tip_;
};

}  // namespace wf
