#pragma once

#include <string>

#include "framework/Graphics.h"

namespace wf {

class TKivShellList;

// The picture tiled behind a shell list's rows. The control loads it from a
// file, so each time it is applied it goes through a temporary .bmp of its
// own, deleted as soon as the control has been asked.
class BackgroundPicture {
 public:
  explicit BackgroundPicture(TKivShellList& list);
  BackgroundPicture(const BackgroundPicture&) = delete;
  BackgroundPicture& operator=(const BackgroundPicture&) = delete;

  TBitmap& Bitmap() { return bitmap_; }
  // Hands the picture (or its absence) to the window, if there is one.
  void Apply();

 private:
  // A new file in the temporary folder holding the picture; empty when none
  // could be written. Never another's file.
  std::wstring SaveToTemporaryFile() const;

  TKivShellList& list_;
  TBitmap bitmap_;
};

}  // namespace wf
