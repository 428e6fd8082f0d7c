#pragma once

// Copying a whole folder to the clipboard: Ctrl+A and Ctrl+C in our list,
// through its own key handling, against the shell's context menu of every
// object asked for "copy" directly, each until the clipboard names every
// file.

#include <string>

#include "bench/BenchCore.h"

namespace bench {

// Our list may add this much to the shell's own copy.
inline constexpr double kClipboardTarget = 1.5;

struct ClipboardReport {
  Measure list{"shelllist_copy_all", "Ctrl+A, Ctrl+C in our list"};
  Measure select{"shelllist_copy_all_select", "  of which Ctrl+A"};
  Measure copy{"shelllist_copy_all_copy", "  of which Ctrl+C"};
  Measure read{"shelllist_copy_all_read", "  of which the clipboard read"};
  Measure selectBare{"select_all_bare_virtual", "  bare virtual list, select all (apart)"};
  Measure names{"shelllist_selected_names", "  SelectedNames after Ctrl+A (apart)"};
  Measure uiObject{"dirwalker_ui_object_by_name", "  the same names parsed back (apart)"};
  Measure raw{"copy_all_raw", "  raw context menu \"copy\", all objects"};
  Measure rawMenu{"copy_all_raw_menu", "  of which GetUIObjectOf"};
  Measure rawInvoke{"copy_all_raw_invoke", "  of which InvokeCommand"};
  Measure rawRead{"copy_all_raw_read", "  of which the clipboard read"};
  Measure rawQuery{"copy_all_raw_query_menu", "  raw QueryContextMenu first (apart)"};
  // The bare virtual list's select-all and the raw copy, run after each
  // other: the least any list that keeps its selection in the platform's
  // control can take.
  Measure floor{"copy_all_floor", "  bare select-all + raw copy"};
  size_t listFiles = 0;
  size_t rawFiles = 0;
};

// One fill of `folder` (which holds `size` files), and `runs` copies each way.
ClipboardReport MeasureClipboard(const std::wstring& folder, int size, int runs);
void PrintClipboard(int size, const ClipboardReport& report);

}  // namespace bench
