// The list view's drawing notices: the control tells of the list and of
// each row before drawing them, and the handlers may change the colour of a
// row's text or draw it themselves.
#include "framework/ListView.h"

#include "framework/Application.h"

namespace wf {

bool TCustomListView::CustomDrawsItems() const {
  return OnCustomDrawItem || OnAdvancedCustomDrawItem;
}

bool TCustomListView::CustomDrawItem(TListItem* item, UINT state, TCustomDrawStage stage) {
  bool default_draw = true;
  if (stage == TCustomDrawStage::cdPrePaint)
    Raise(OnCustomDrawItem, this, item, state, default_draw);
  if (default_draw) Raise(OnAdvancedCustomDrawItem, this, item, state, stage, default_draw);
  return default_draw;
}

LRESULT TCustomListView::CustomDraw(NMLVCUSTOMDRAW& draw) {
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT: {
      bool default_draw = true;
      canvas_.SetHandle(draw.nmcd.hdc);
      Raise(OnCustomDraw, this, draw.nmcd.rc, default_draw);
      canvas_.SetHandle(nullptr);
      if (!default_draw) return CDRF_SKIPDEFAULT;
      return CustomDrawsItems() ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
    }
    case CDDS_ITEMPREPAINT: {
      TListItem* item = RowAt(static_cast<int>(draw.nmcd.dwItemSpec));
      if (!item) return CDRF_DODEFAULT;
      canvas_.SetHandle(draw.nmcd.hdc);
      const TColor text = draw.clrText;
      canvas_.Font().SetColor(text);
      const bool default_draw =
          CustomDrawItem(item, draw.nmcd.uItemState, TCustomDrawStage::cdPrePaint);
      const TColor chosen = canvas_.Font().Color();
      canvas_.SetHandle(nullptr);
      if (!default_draw) return CDRF_SKIPDEFAULT;
      if (chosen == text) return CDRF_DODEFAULT;
      draw.clrText = ColorToRGB(chosen);
      return CDRF_NEWFONT;
    }
  }
  return CDRF_DODEFAULT;
}

}  // namespace wf
