#include "ui/PaxPanel.h"

namespace wf {

// ---- published properties ----

namespace {

TCustomPaxPanel* Self(TObject* o) {
  return static_cast<TCustomPaxPanel*>(o);
}

TPropInfo Boolean(const wchar_t* name, void (TCustomPaxPanel::*set)(bool)) {
  return {.name = name,
          .kind = TPropKind::Enumeration,
          .type_name = L"Boolean",
          .elements = {L"False", L"True"},
          .set_ordinal = [set](TObject* o, int64_t v) { (Self(o)->*set)(v != 0); }};
}

TPropInfo ControlColor(const wchar_t* name, void (TWinControl::*set)(TColor)) {
  return {.name = name,
          .kind = TPropKind::Integer,
          .type_name = L"TColor",
          .set_ordinal = [set](TObject* o, int64_t v) { (Self(o)->*set)(static_cast<TColor>(v)); }};
}

TPropInfo PanelColor(const wchar_t* name, void (TCustomPaxPanel::*set)(TColor)) {
  return {.name = name,
          .kind = TPropKind::Integer,
          .type_name = L"TColor",
          .set_ordinal = [set](TObject* o, int64_t v) { (Self(o)->*set)(static_cast<TColor>(v)); }};
}

TPropInfo Bevel(const wchar_t* name, void (TCustomPaxPanel::*set)(TBevelCut)) {
  return {
      .name = name,
      .kind = TPropKind::Enumeration,
      .type_name = L"TBevelCut",
      .elements = {L"bvNone", L"bvLowered", L"bvRaised", L"bvSpace"},
      .set_ordinal = [set](TObject* o, int64_t v) { (Self(o)->*set)(static_cast<TBevelCut>(v)); }};
}

}  // namespace

const TPropertyTable& TCustomPaxPanel::PublishedProperties() const {
  static const TPropertyTable table(
      L"TPaxPanel", nullptr,
      {
          {.name = L"AlphaLevel",
           .kind = TPropKind::Integer,
           .type_name = L"Byte",
           .set_ordinal = [](TObject* o,
                             int64_t v) { Self(o)->SetAlphaLevel(static_cast<uint8_t>(v)); }},
          Boolean(L"AlwaysPaintBackground", &TCustomPaxPanel::SetAlwaysPaintBackground),
          {.name = L"Background",
           .kind = TPropKind::Class,
           .type_name = L"TBitmap",
           .get_object = [](TObject* o) -> TObject* { return &Self(o)->Background(); }},
          {.name = L"BackgroundType",
           .kind = TPropKind::Enumeration,
           .type_name = L"TPaxBkGndType",
           .elements = {L"bgtTileBitmap", L"bgtStretchBitmap", L"bgtColorFill", L"bgtCenterBitmap",
                        L"bgtHorzGradient", L"bgtVertGradient", L"bgtTopLeftBitmap"},
           .set_ordinal =
               [](TObject* o, int64_t v) {
                 Self(o)->SetBackgroundType(static_cast<TPaxBkGndType>(v));
               }},
          PanelColor(L"GradientEndColor", &TCustomPaxPanel::SetGradientEndColor),
          PanelColor(L"GradientStartColor", &TCustomPaxPanel::SetGradientStartColor),
          {.name = L"GradientSteps",
           .kind = TPropKind::Integer,
           .type_name = L"Integer",
           .set_ordinal = [](TObject* o,
                             int64_t v) { Self(o)->SetGradientSteps(static_cast<int>(v)); }},
          {.name = L"Alignment",
           .kind = TPropKind::Enumeration,
           .type_name = L"TAlignment",
           .elements = {L"taLeftJustify", L"taRightJustify", L"taCenter"},
           .set_ordinal = [](TObject* o,
                             int64_t v) { Self(o)->SetAlignment(static_cast<TAlignment>(v)); }},
          {.name = L"Layout",
           .kind = TPropKind::Enumeration,
           .type_name = L"TTextLayout",
           .elements = {L"tlTop", L"tlCenter", L"tlBottom"},
           .set_ordinal = [](TObject* o,
                             int64_t v) { Self(o)->SetLayout(static_cast<TTextLayout>(v)); }},
          Boolean(L"OwnerDraw", &TCustomPaxPanel::SetOwnerDraw),
          Boolean(L"Resizable", &TCustomPaxPanel::SetResizable),
          Boolean(L"Movable", &TCustomPaxPanel::SetMovable),
          Boolean(L"SizeGrip", &TCustomPaxPanel::SetSizeGrip),
          Bevel(L"BevelInner", &TCustomPaxPanel::SetBevelInner),
          Bevel(L"BevelOuter", &TCustomPaxPanel::SetBevelOuter),
          PanelColor(L"BevelSpaceColor", &TCustomPaxPanel::SetBevelSpaceColor),
          {.name = L"BevelWidth",
           .kind = TPropKind::Integer,
           .type_name = L"TBevelWidth",
           .set_ordinal = [](TObject* o,
                             int64_t v) { Self(o)->SetBevelWidth(static_cast<int>(v)); }},
          {.name = L"BorderWidth",
           .kind = TPropKind::Integer,
           .type_name = L"TBorderWidth",
           .set_ordinal = [](TObject* o,
                             int64_t v) { Self(o)->SetBorderWidth(static_cast<int>(v)); }},
          Boolean(L"TransparentXPThemes", &TCustomPaxPanel::SetTransparentXPThemes),
          Boolean(L"UseXPThemes", &TCustomPaxPanel::SetUseXPThemes),
          ControlColor(L"Color", &TWinControl::SetColor),
          Boolean(L"ShowFocus", &TCustomPaxPanel::SetShowFocus),
          Boolean(L"Transparent", &TCustomPaxPanel::SetTransparent),
          Boolean(L"ShowAccelChar", &TCustomPaxPanel::SetShowAccelChar),
          {.name = L"Caption",
           .kind = TPropKind::String,
           .type_name = L"TPaxFString",
           .set_text = [](TObject* o, const std::wstring& v) { Self(o)->SetCaption(v); }},
          {.name = L"Hint",
           .kind = TPropKind::String,
           .type_name = L"TPaxFString",
           .set_text = [](TObject* o, const std::wstring& v) { Self(o)->SetHint(v); }},
          {.name = L"Font",
           .kind = TPropKind::Class,
           .type_name = L"TFont",
           .get_object = [](TObject* o) -> TObject* { return &Self(o)->Font(); },
           .object_properties = &FontProperties()},
      });
  return table;
}

}  // namespace wf
