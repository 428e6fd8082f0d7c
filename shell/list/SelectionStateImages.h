#pragma once

#include "framework/ImageList.h"

namespace wf {

// The rows' check boxes, one 16 x 16 picture for each selection state, its
// index the state's: unused, none (dimmed), ticked, unticked, partly
// ticked (ticked and dimmed). Themed where visual styles draw them, the
// classic control elsewhere.
class TKivSelectionStateImageList : public TCustomImageList {
 public:
  // `themed` false draws the classic control even where a theme would draw.
  explicit TKivSelectionStateImageList(TComponent* owner, bool themed = true);

  static constexpr int kSize = 16;
};

}  // namespace wf
