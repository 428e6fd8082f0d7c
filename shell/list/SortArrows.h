#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "framework/Control.h"
#include "framework/Handles.h"

namespace wf {

// The marks a list's header shows on its sorted column: pictures made for
// the density and the tool bar's colour, and a watch on the header that
// puts them back when the user's dragging of a divider or pressing of an
// item has replaced them.
class SortArrows {
 public:
  // `restore` is called when the header may have lost the marks.
  explicit SortArrows(std::function<void()> restore);

  // Makes the pictures for the density; those shown stay valid until the
  // next Show.
  void Load(int dpi);
  void WatchHeader(HWND header);
  void StopWatching() { header_hook_.reset(); }
  // Marks `column` (ascending or descending) and no other.
  void Show(HWND header, int column, bool descending);

 private:
  std::function<void()> restore_;
  UniqueBitmap up_, down_;
  // The pictures replaced by the last Load, still in the header's items.
  UniqueBitmap old_up_, old_down_;
  std::unique_ptr<WindowSubclass> header_hook_;
};

}  // namespace wf
