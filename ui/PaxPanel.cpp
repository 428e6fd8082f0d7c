#include "ui/PaxPanel.h"

#include <algorithm>

#include "ui/PaxPanelDetail.h"

namespace wf {

using namespace panel_detail;

// ---- grab handles ----

void TPaxPanelGrabHandle::Changed(bool always) {
  if (always || panel_->HandleAllocated()) panel_->GrabHandleChanged(true);
}

void TPaxPanelGrabHandle::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  Changed(true);
}

void TPaxPanelGrabHandle::SetSize(int value) {
  if (value == size_) return;
  size_ = value;
  Changed(false);
}

void TPaxPanelGrabHandle::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  Changed(false);
}

void TPaxPanelGrabHandle::SetBevelKind(TBevelCut value) {
  if (value == bevel_kind_) return;
  bevel_kind_ = value;
  if (panel_->HandleAllocated()) panel_->Invalidate();
}

void TPaxPanelGrabHandle::Assign(const TPaxPanelGrabHandle& source) {
  enabled_ = source.enabled_;
  size_ = source.size_;
  kind_ = source.kind_;
  bevel_kind_ = source.bevel_kind_;
  visible_ = source.visible_;
  if (!panel_->IsLoading()) panel_->Invalidate();
}

// ---- image form ----

TPaxImageFormChangeLink::~TPaxImageFormChangeLink() {
  if (form_) form_->UnRegisterChanges(*this);
}

TPaxImageForm::~TPaxImageForm() {
  for (TPaxImageFormChangeLink* link : links_) link->form_ = nullptr;
}

void TPaxImageForm::RegisterChanges(TPaxImageFormChangeLink& link) {
  if (link.form_ == this) return;
  if (link.form_) link.form_->UnRegisterChanges(link);
  links_.push_back(&link);
  link.form_ = this;
}

void TPaxImageForm::UnRegisterChanges(TPaxImageFormChangeLink& link) {
  links_.erase(std::remove(links_.begin(), links_.end(), &link), links_.end());
  if (link.form_ == this) link.form_ = nullptr;
}

void TPaxImageForm::Changed() {
  for (TPaxImageFormChangeLink* link : std::vector<TPaxImageFormChangeLink*>(links_))
    link->Change();
  if (TWinControl* control = Control(); control && control->HandleAllocated())
    SendMessageW(control->Handle(), kPaxImageFormChanged, 0, 0);
}

// ---- the panel ----

TCustomPaxPanel::TCustomPaxPanel(TComponent* owner) : TCustomPanel(owner) {
  image_form_link_ = std::make_unique<TPaxImageFormChangeLink>([this] { Invalidate(); });
  style_link_ = std::make_unique<TPaxStyleMgrChangeLink>(
      this, [this](TObject*, TPaxStyleManager*) { ApplyStyle(); });
  grab_left_ = std::make_unique<TPaxPanelGrabHandle>(this);
  grab_top_ = std::make_unique<TPaxPanelGrabHandle>(this);
  grab_right_ = std::make_unique<TPaxPanelGrabHandle>(this);
  grab_bottom_ = std::make_unique<TPaxPanelGrabHandle>(this);
  SetOpaque(true);
  background_.OnChange = [this](TObject*) {
    if (!copying_background_) BackgroundChanged();
  };
  SetColor(clBtnFace);
  // Every panel follows the process's default styles unless told otherwise.
  SetStyleManager(DefaultStyleManager());
}

TCustomPaxPanel::~TCustomPaxPanel() {
  MarkDestroying();
  SetImageForm(nullptr);
  image_form_link_.reset();
  SetStyleManager(nullptr);
  style_link_.reset();
  // The window goes now, while the members its messages touch still live.
  if (HandleAllocated()) DestroyWindow(Handle());
}

void TCustomPaxPanel::CreateParams(TCreateParams& params) {
  TCustomPanel::CreateParams(params);
  params.class_name = L"TPaxPanel";
  params.class_style |= CS_HREDRAW | CS_VREDRAW;
  // The window is made before its theme is opened: what counts is whether
  // the panel will draw with visual styles.
  if (transparent_ && !(use_xp_themes_ && ThemeActive()))
    params.ex_style |= WS_EX_TRANSPARENT;
  else
    params.ex_style &= ~WS_EX_TRANSPARENT;
}

void TCustomPaxPanel::CreateWnd() {
  TCustomPanel::CreateWnd();
  if (use_xp_themes_) CreateThemeHandle();
}

void TCustomPaxPanel::CreateThemeHandle() {
  FreeThemeHandle();
  if (!HandleAllocated() || !ThemeActive()) return;
  theme_ = OpenTheme(Handle(), GetThemedClassName().c_str());
}

void TCustomPaxPanel::FreeThemeHandle() {
  theme_.reset();
}

RECT TCustomPaxPanel::GetBackgroundClientRect() {
  return {0, 0, ClientWidth(), ClientHeight()};
}

void TCustomPaxPanel::Loaded() {
  TCustomPanel::Loaded();
  ApplyStyle();
  if (owner_draw_) Invalidate();
}

void TCustomPaxPanel::Notification(TComponent* component, TOperation operation) {
  TCustomPanel::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == image_form_) {
    image_form_ = nullptr;
    Invalidate();
  }
  if (component == style_manager_) style_manager_ = nullptr;
}

// ---- properties ----

void TCustomPaxPanel::SetAlphaLevel(uint8_t value) {
  if (value == alpha_level_) return;
  alpha_level_ = value;
  if (transparent_) Invalidate();
}

void TCustomPaxPanel::SetAlwaysPaintBackground(bool value) {
  if (value == always_paint_background_) return;
  always_paint_background_ = value;
  if (owner_draw_) Invalidate();
}

void TCustomPaxPanel::SetBackground(const TBitmap& image) {
  if (&image != &background_) {
    // One change for the whole copy: the size alone would rebuild the
    // cache from pixels not yet copied.
    copying_background_ = true;
    try {
      background_.SetSize(image.Width(), image.Height());
      if (!image.Empty())
        BitBlt(background_.Dc(), 0, 0, image.Width(), image.Height(), image.Dc(), 0, 0, SRCCOPY);
    } catch (...) {
      copying_background_ = false;
      throw;
    }
    copying_background_ = false;
  }
  BackgroundChanged();
}

void TCustomPaxPanel::BackgroundChanged() {
  scaled_background_.SetSize(0, 0);
  if (!background_.Empty()) {
    if (UsesCache(background_type_)) RebuildCache();
    Invalidate();
  } else if (NeedsImage(background_type_)) {
    SetBackgroundType(bgtColorFill);
  }
}

void TCustomPaxPanel::SetBackgroundType(TPaxBkGndType value) {
  if (value == background_type_) return;
  background_type_ = background_.Empty() && NeedsImage(value) ? bgtColorFill : value;
  RebuildCache();
  Invalidate();
}

void TCustomPaxPanel::SetGradientStartColor(TColor value) {
  if (value == gradient_start_) return;
  gradient_start_ = value;
  if (background_type_ == bgtHorzGradient || background_type_ == bgtVertGradient) Invalidate();
}

void TCustomPaxPanel::SetGradientEndColor(TColor value) {
  if (value == gradient_end_) return;
  gradient_end_ = value;
  if (background_type_ == bgtHorzGradient || background_type_ == bgtVertGradient) Invalidate();
}

void TCustomPaxPanel::SetGradientSteps(int value) {
  if (value <= 0 || value == gradient_steps_) return;
  gradient_steps_ = value;
  if (background_type_ == bgtHorzGradient || background_type_ == bgtVertGradient) Invalidate();
}

void TCustomPaxPanel::SetLayout(TTextLayout value) {
  if (value == layout_) return;
  layout_ = value;
  if (!Caption().empty()) Invalidate();
}

void TCustomPaxPanel::SetOwnerDraw(bool value) {
  if (value == owner_draw_) return;
  owner_draw_ = value;
  if (!(Owner() && Owner()->IsLoading())) Invalidate();
}

void TCustomPaxPanel::SetImageForm(TPaxImageForm* value) {
  if (value == image_form_) return;
  if (image_form_) {
    image_form_->UnRegisterChanges(*image_form_link_);
    RemoveFreeNotification(image_form_);
  }
  image_form_ = value;
  if (image_form_) {
    image_form_->RegisterChanges(*image_form_link_);
    FreeNotification(image_form_);
  }
  Invalidate();
}

void TCustomPaxPanel::SetResizable(bool value) {
  if (value == resizable_) return;
  resizable_ = value;
  if (size_grip_) Invalidate();
}

void TCustomPaxPanel::SetMovable(bool value) {
  movable_ = value;
}

void TCustomPaxPanel::SetSizeGrip(bool value) {
  if (value == size_grip_) return;
  size_grip_ = value;
  Invalidate();
}

void TCustomPaxPanel::SetBevelInner(TBevelCut value) {
  TCustomPanel::SetBevelInner(value);
  InteriorChanged();
}

void TCustomPaxPanel::SetBevelOuter(TBevelCut value) {
  TCustomPanel::SetBevelOuter(value);
  InteriorChanged();
}

void TCustomPaxPanel::SetBevelWidth(int value) {
  TCustomPanel::SetBevelWidth(value);
  InteriorChanged();
}

void TCustomPaxPanel::SetBevelSpaceColor(TColor value) {
  if (value == bevel_space_color_) return;
  bevel_space_color_ = value;
  if (BevelInner() == TBevelCut::bvSpace || BevelOuter() == TBevelCut::bvSpace) Invalidate();
}

void TCustomPaxPanel::SetUseXPThemes(bool value) {
  if (value == use_xp_themes_) return;
  use_xp_themes_ = value;
  if (ThemeActive() && HandleAllocated()) {
    if (use_xp_themes_)
      CreateThemeHandle();
    else
      FreeThemeHandle();
    RecreateWnd();
  }
}

void TCustomPaxPanel::SetTransparentXPThemes(bool value) {
  if (value == transparent_xp_themes_) return;
  transparent_xp_themes_ = value;
  Invalidate();
}

void TCustomPaxPanel::SetShowFocus(bool value) {
  if (value == show_focus_) return;
  show_focus_ = value;
  if (Focused()) Invalidate();
}

void TCustomPaxPanel::SetTransparent(bool value) {
  if (value == transparent_) return;
  transparent_ = value;
  SetOpaque(!transparent_);
  RecreateWnd();
}

void TCustomPaxPanel::SetCaption(std::wstring caption) {
  TCustomPanel::SetCaption(std::move(caption));
}

void TCustomPaxPanel::SetStyleManager(TPaxStyleManager* value) {
  if (value == style_manager_) return;
  if (style_manager_) {
    style_manager_->UnRegisterChanges(*style_link_);
    RemoveFreeNotification(style_manager_);
  }
  style_manager_ = value;
  if (style_manager_) {
    style_manager_->RegisterChanges(*style_link_);
    FreeNotification(style_manager_);
    ApplyStyle();
  }
}

void TCustomPaxPanel::SetStyleName(std::wstring value) {
  if (value == style_name_) return;
  style_name_ = std::move(value);
  ApplyStyle();
}

void TCustomPaxPanel::ApplyStyle() {
  if (!style_manager_ || IsLoading() || IsDestroying() || (Owner() && Owner()->IsLoading())) return;
  const bool quiet = HandleAllocated() && Visible() && IsWindowVisible(Handle());
  if (!quiet) {
    style_manager_->ApplyStyle(this, style_name_);
    return;
  }
  HWND hwnd = Handle();
  SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0);
  try {
    style_manager_->ApplyStyle(this, style_name_);
  } catch (...) {
    SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
    throw;
  }
  SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void TCustomPaxPanel::GrabHandleChanged(bool realign) {
  if (realign) AlignControls();
  InteriorChanged();
  Invalidate();
}

void TCustomPaxPanel::AdjustClientRect(RECT& rect) {
  TCustomPanel::AdjustClientRect(rect);
  if (grab_left_->Occupies()) rect.left += grab_left_->Size();
  if (grab_right_->Occupies()) rect.right -= grab_right_->Size();
  if (grab_top_->Occupies()) rect.top += grab_top_->Size();
  if (grab_bottom_->Occupies()) rect.bottom -= grab_bottom_->Size();
}

// ---- virtual notices ----

void TCustomPaxPanel::DoMove() {
  Raise(OnMove, this);
}

void TCustomPaxPanel::DoPaint() {
  Raise(OnPaint, this);
}

void TCustomPaxPanel::DoMouseEnter() {
  mouse_inside_ = true;
  Raise(OnMouseEnter, this);
}

void TCustomPaxPanel::DoMouseLeave() {
  mouse_inside_ = false;
  Raise(OnMouseLeave, this);
}

void TCustomPaxPanel::MouseEnter() {
  // A mouse move may have reported the entry already.
  if (!mouse_inside_) DoMouseEnter();
}

void TCustomPaxPanel::MouseLeave() {
  DoMouseLeave();
}

}  // namespace wf
