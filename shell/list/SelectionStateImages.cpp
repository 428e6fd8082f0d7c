// Check box pictures for the selection states.
#include "shell/list/SelectionStateImages.h"

#include <vsstyle.h>

#include <algorithm>

#include "framework/Graphics.h"
#include "framework/Themes.h"

namespace wf {

namespace {

constexpr COLORREF kUnusedFill = RGB(255, 255, 255);
// A colour no check box is drawn in: it shows through.
constexpr COLORREF kFill = RGB(255, 0, 0);

struct Glyph {
  bool ticked;
  bool dimmed;
  COLORREF fill;
};
// By selection state: unused, none, ticked, unticked, partly ticked.
constexpr Glyph kGlyphs[] = {
    {false, false, kUnusedFill}, {false, true, kFill}, {true, false, kFill},
    {false, false, kFill},       {true, true, kFill},
};

uint32_t AsPixel(COLORREF color) {
  return (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
}

bool Untouched(TBitmap& picture, COLORREF fill) {
  for (int y = 0; y < picture.Height(); ++y) {
    const uint32_t* row = picture.ScanLine(y);
    if (!std::all_of(row, row + picture.Width(),
                     [&](uint32_t pixel) { return (pixel & 0xFFFFFF) == AsPixel(fill); }))
      return false;
  }
  return true;
}

void DrawGlyph(TBitmap& picture, const Glyph& glyph, HTHEME theme) {
  const RECT all{0, 0, TKivSelectionStateImageList::kSize, TKivSelectionStateImageList::kSize};
  UniqueBrush brush(CreateSolidBrush(glyph.fill));
  FillRect(picture.Dc(), &all, brush.get());
  if (theme) {
    const int state = glyph.ticked ? (glyph.dimmed ? CBS_CHECKEDDISABLED : CBS_CHECKEDNORMAL)
                                   : (glyph.dimmed ? CBS_UNCHECKEDDISABLED : CBS_UNCHECKEDNORMAL);
    if (DrawThemePart(theme, picture.Dc(), BP_CHECKBOX, state, all) &&
        !Untouched(picture, glyph.fill))
      return;
  }
  RECT box{all.left + 2, all.top + 2, all.right - 1, all.bottom - 1};
  const UINT state =
      (glyph.ticked ? DFCS_CHECKED : DFCS_BUTTONCHECK) | (glyph.dimmed ? DFCS_INACTIVE : 0);
  DrawFrameControl(picture.Dc(), &box, DFC_BUTTON, state);
}

}  // namespace

TKivSelectionStateImageList::TKivSelectionStateImageList(TComponent* owner, bool themed)
    : TCustomImageList(owner) {
  CreateSize(kSize, kSize);
  const UniqueTheme theme = themed && ThemeActive() ? OpenTheme(nullptr, L"BUTTON") : UniqueTheme();
  for (const Glyph& glyph : kGlyphs) {
    TBitmap picture;
    picture.SetSize(kSize, kSize);
    DrawGlyph(picture, glyph, theme.get());
    UniqueBitmap handle(picture.ReleaseHandle());
    AddMasked(handle.get(), glyph.fill);
  }
}

}  // namespace wf
