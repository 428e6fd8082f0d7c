#pragma once

#include <array>

#include "framework/ListView.h"

namespace wf {

class TDirwalker;

// The columns a shell list shows of its folder: which of the shell's
// columns each is, and the widths kept for them across folders and
// densities.
class ShellColumns {
 public:
  static constexpr int kMaxColumns = 256;

  // Replaces the columns with the folder object's folder's (its first one
  // alone without details). Widths the user gave the columns of a folder
  // with a path carry over to the next folder with a path; folders without
  // one keep the shell's, which are counts of characters at the design
  // density.
  void Create(TListColumns& columns, TDirwalker& walker, bool details, int dpi);
  // The columns' widths for the new density.
  void Rescale(TListColumns& columns, int before, int dpi);
  // The columns filled from the shell, the first ones of the list.
  int ShellCount() const { return shell_count_; }
  int ShellColumnOf(int column) const { return shell_column_[static_cast<size_t>(column)]; }

 private:
  int shell_count_ = 0;
  std::array<int, kMaxColumns> shell_column_{};
  std::array<int, kMaxColumns> remembered_width_{};
  // Each column's width at the design density, for as long as the column
  // shows it scaled: density changes back and forth then never drift.
  std::array<int, kMaxColumns> design_width_{};
  bool widths_remembered_ = false;
};

}  // namespace wf
