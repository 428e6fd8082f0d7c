#include "ui/PaxPanel.h"

#include <vssym32.h>
#include <windowsx.h>

#include <algorithm>

#include "framework/Application.h"
#include "framework/Handles.h"

namespace wf {
namespace {

constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;

// SC_MOVE with HTCAPTION: the platform's move loop, as a caption drag starts it.
constexpr WPARAM kMoveByCaption = SC_MOVE | HTCAPTION;
// The theme part of a bevel's edge, and of the status bar's gripper.
constexpr int kEdgePart = 32;
constexpr int kGripperPart = 3;

using UniqueRegion = Unique<HRGN, GdiObjectDeleter>;

int RectWidth(const RECT& r) {
  return r.right - r.left;
}
int RectHeight(const RECT& r) {
  return r.bottom - r.top;
}

bool NeedsImage(TPaxBkGndType type) {
  return type == bgtTileBitmap || type == bgtStretchBitmap || type == bgtCenterBitmap;
}

bool UsesCache(TPaxBkGndType type) {
  return type == bgtTileBitmap || type == bgtStretchBitmap;
}

void Fill(HDC dc, const RECT& r, TColor color) {
  FillColorRect(dc, r, ColorToRGB(color));
}

// A selection that a paint step makes and undoes, also when it throws.
class ObjectSelection {
 public:
  ObjectSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~ObjectSelection() { SelectObject(dc_, previous_); }
  ObjectSelection(const ObjectSelection&) = delete;
  ObjectSelection& operator=(const ObjectSelection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// The platform's edge test: which border of `r` (corner size c, band width w)
// the point is on.
LRESULT EdgeHit(const RECT& r, int c, int w, POINT p) {
  const int x = p.x, y = p.y;
  if (x < r.left || x >= r.right || y < r.top || y >= r.bottom) return HTNOWHERE;
  if (x >= r.left && x <= r.left + w - 1) {
    if (y <= r.top + c) return HTTOPLEFT;
    if (y >= r.bottom - c - 1) return HTBOTTOMLEFT;
    return HTLEFT;
  }
  if (y >= r.top && y <= r.top + w - 1) {
    if (x <= r.left + c) return HTTOPLEFT;
    if (x >= r.right - c - 1) return HTTOPRIGHT;
    return HTTOP;
  }
  if (y >= r.bottom - w - 1 && y <= r.bottom - 1) {
    if (x <= r.left + c) return HTBOTTOMLEFT;
    if (x >= r.right - c - 1) return HTBOTTOMRIGHT;
    return HTBOTTOM;
  }
  if (x >= r.right - w - 1 && x <= r.right - 1) {
    if (y <= r.top + c) return HTTOPRIGHT;
    if (y >= r.bottom - c - 1) return HTBOTTOMRIGHT;
    return HTRIGHT;
  }
  return HTCLIENT;
}

}  // namespace

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
  if (transparent_ && !(use_xp_themes_ && IsThemeActive()))
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
  if (!HandleAllocated() || !IsThemeActive()) return;
  theme_ = OpenThemeData(Handle(), GetThemedClassName().c_str());
}

void TCustomPaxPanel::FreeThemeHandle() {
  if (!theme_) return;
  CloseThemeData(theme_);
  theme_ = nullptr;
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
  if (IsThemeActive() && HandleAllocated()) {
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
  DoMouseEnter();
}

void TCustomPaxPanel::MouseLeave() {
  DoMouseLeave();
}

// ---- cache ----

void TCustomPaxPanel::RebuildCache() {
  if (!UsesCache(background_type_) || background_.Empty()) {
    cache_.SetSize(0, 0);
    return;
  }
  const RECT r = GetBackgroundClientRect();
  if (RectWidth(r) <= 0 || RectHeight(r) <= 0) return;
  // The client's own size: one pixel less would stretch every tile.
  cache_.SetSize(RectWidth(r), RectHeight(r));
  RECT update = r;
  OffsetRect(&update, r.left, r.top);
  PaintBackgroundArea(cache_.Dc(), r, r, background_type_, &background_, Color(), false, update, r);
}

// ---- painting ----

void TCustomPaxPanel::PaintWindow(HDC target) {
  RECT client;
  GetClientRect(Handle(), &client);
  if (RectWidth(client) <= 0 || RectHeight(client) <= 0) return;
  RECT box;
  if (GetClipBox(target, &box) == ERROR || IsRectEmpty(&box)) box = client;
  if (OnlyTheCache(client)) {
    // Nothing is drawn over the pre-rendered background, so nothing can
    // flicker: one copy straight to the target is the whole paint.
    BitBlt(target, box.left, box.top, RectWidth(box), RectHeight(box), cache_.Dc(), box.left,
           box.top, SRCCOPY);
    return;
  }
  UniqueDc memory(CreateCompatibleDC(target));
  UniqueBitmap bitmap(CreateCompatibleBitmap(target, RectWidth(client), RectHeight(client)));
  if (!memory || !bitmap) return;
  ObjectSelection selected(memory.get(), bitmap.get());
  UniqueRegion clip(CreateRectRgnIndirect(&box));
  SelectClipRgn(memory.get(), clip.get());
  Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory.get()), 0);
  struct CanvasScope {
    TCanvas& canvas;
    CanvasScope(TCanvas& c, HDC dc) : canvas(c) { canvas = TCanvas(dc); }
    ~CanvasScope() { canvas = TCanvas(); }
  } canvas(canvas_, memory.get());
  Paint(memory.get());
  PaintGraphicControls(memory.get());
  SelectClipRgn(memory.get(), nullptr);
  BitBlt(target, box.left, box.top, RectWidth(box), RectHeight(box), memory.get(), box.left,
         box.top, SRCCOPY);
}

bool TCustomPaxPanel::OnlyTheCache(const RECT& client) {
  if (!UsesCache(background_type_) || cache_.Width() != RectWidth(client) ||
      cache_.Height() != RectHeight(client))
    return false;
  if (Themed() || transparent_ || owner_draw_ || image_form_ || !GraphicControls().empty())
    return false;
  if (BevelOuter() != TBevelCut::bvNone || BevelInner() != TBevelCut::bvNone) return false;
  for (const auto* handle :
       {grab_left_.get(), grab_top_.get(), grab_right_.get(), grab_bottom_.get()})
    if (handle->Occupies() && handle->BevelKind() != TBevelCut::bvNone) return false;
  if (!Caption().empty() || (show_focus_ && Focused()) || (size_grip_ && resizable_)) return false;
  return true;
}

LRESULT TCustomPaxPanel::OnEraseBackground(HDC dc) {
  if (Themed()) {
    RECT client;
    GetClientRect(Handle(), &client);
    if (transparent_xp_themes_)
      DrawThemeParentBackground(Handle(), dc, &client);
    else
      Fill(dc, client, Color());
  }
  return 1;
}

void TCustomPaxPanel::Paint(HDC dc) {
  const RECT client{0, 0, ClientWidth(), ClientHeight()};
  const bool painted = PaintBackground(dc, client);
  RECT r = client;
  PaintBevel(dc, r, BevelOuter());
  if (Themed()) {
    InflateRect(&r, -BevelWidth(), -BevelWidth());
  } else if (!painted) {
    Frame3D(dc, r, Color(), Color(), BorderWidth());
  }
  PaintBevel(dc, r, BevelInner());
  PaintGrabHandles(dc, r);
  if (owner_draw_)
    DoPaint();
  else
    PaintCaption(dc, r);
  PaintSizeGrip(dc, client, r);
}

bool TCustomPaxPanel::PaintBackground(HDC dc, const RECT& r) {
  if (Themed()) {
    DrawThemedBackground(dc, r);
  } else if (transparent_) {
    PaintTransparentBackground(dc);
  }
  if (transparent_ || (owner_draw_ && !always_paint_background_)) return false;
  if (image_form_) {
    TWinControl* served = image_form_->Control();
    if (served && served->HandleAllocated()) {
      RECT there = r;
      MapWindowPoints(Handle(), served->Handle(), reinterpret_cast<POINT*>(&there), 2);
      image_form_->PaintBackground(dc, there, POINT{r.left - there.left, r.top - there.top});
    }
    if (alpha_level_ != 0) TintRect(canvas_, r, Color(), alpha_level_);
    return true;
  }
  switch (background_type_) {
    case bgtTileBitmap:
    case bgtStretchBitmap:
      if (cache_.Empty()) {
        Fill(dc, r, Color());
      } else if (cache_.Width() == RectWidth(r) && cache_.Height() == RectHeight(r)) {
        BitBlt(dc, r.left, r.top, RectWidth(r), RectHeight(r), cache_.Dc(), 0, 0, SRCCOPY);
      } else {
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, r.left, r.top, RectWidth(r), RectHeight(r), cache_.Dc(), 0, 0,
                   cache_.Width(), cache_.Height(), SRCCOPY);
      }
      break;
    case bgtColorFill:
      Fill(dc, r, Color());
      break;
    case bgtCenterBitmap: {
      Fill(dc, r, Color());
      if (background_.Empty()) break;
      RECT place =
          CenterInArea(background_.Width(), RectWidth(r), background_.Height(), RectHeight(r));
      OffsetRect(&place, r.left, r.top);
      if (RectWidth(place) == background_.Width() && RectHeight(place) == background_.Height()) {
        BitBlt(dc, place.left, place.top, RectWidth(place), RectHeight(place), background_.Dc(), 0,
               0, SRCCOPY);
      } else {
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, place.left, place.top, RectWidth(place), RectHeight(place), background_.Dc(),
                   0, 0, background_.Width(), background_.Height(), SRCCOPY);
      }
      break;
    }
    case bgtHorzGradient:
    case bgtVertGradient:
      PaintGradientBands(dc, r, gradient_start_, background_type_ == bgtVertGradient,
                         gradient_steps_, gradient_end_);
      break;
    case bgtTopLeftBitmap:
      if (background_.Empty()) {
        FillRect(dc, &r, static_cast<HBRUSH>(GetCurrentObject(dc, OBJ_BRUSH)));
      } else {
        const COLORREF corner =
            GetPixel(background_.Dc(), background_.Width() - 1, background_.Height() - 1);
        SetColor(static_cast<TColor>(corner));
        PaintBackgroundAt(dc, r, r, bgtTopLeftBitmap, &background_, Color(), POINT{0, 0});
      }
      break;
  }
  return true;
}

void TCustomPaxPanel::PaintTransparentBackground(HDC dc) {
  RECT box;
  if (GetClipBox(dc, &box) == ERROR || IsRectEmpty(&box)) return;
  HWND hwnd = Handle();
  HDC window_dc = GetDC(hwnd);
  if (!window_dc) return;
  struct Release {
    HWND hwnd;
    HDC dc;
    ~Release() { ReleaseDC(hwnd, dc); }
  } release{hwnd, window_dc};
  if (Parent() && Parent()->HandleAllocated()) {
    RECT there = box;
    OffsetRect(&there, Left(), Top());
    RedrawWindow(Parent()->Handle(), &there, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_NOCHILDREN);
  }
  if (alpha_level_ == 0) {
    BitBlt(dc, box.left, box.top, RectWidth(box), RectHeight(box), window_dc, box.left, box.top,
           SRCCOPY);
    return;
  }
  TBitmap tinted;
  tinted.SetSize(RectWidth(box), RectHeight(box));
  BitBlt(tinted.Dc(), 0, 0, RectWidth(box), RectHeight(box), window_dc, box.left, box.top, SRCCOPY);
  TintRect(tinted.Canvas(), RECT{0, 0, RectWidth(box), RectHeight(box)}, Color(), alpha_level_);
  BitBlt(dc, box.left, box.top, RectWidth(box), RectHeight(box), tinted.Dc(), 0, 0, SRCCOPY);
}

void TCustomPaxPanel::PaintBevel(HDC dc, RECT& r, TBevelCut cut) {
  if (cut == TBevelCut::bvNone) return;
  if (Themed()) {
    if (cut == TBevelCut::bvSpace) return;
    const bool lowered = cut == TBevelCut::bvLowered;
    RECT content = r;
    DrawThemeEdge(theme_, dc, kEdgePart, lowered ? 3 : 2, &r,
                  lowered ? BDR_SUNKENOUTER : BDR_RAISEDOUTER, BF_RECT | BF_ADJUST, &content);
    r = content;
    return;
  }
  switch (cut) {
    case TBevelCut::bvLowered:
      Frame3D(dc, r, clBtnShadow, clBtnHighlight, BevelWidth());
      break;
    case TBevelCut::bvRaised:
      Frame3D(dc, r, clBtnHighlight, clBtnShadow, BevelWidth());
      break;
    default:
      Frame3D(dc, r, bevel_space_color_, bevel_space_color_, BevelWidth());
      break;
  }
}

void TCustomPaxPanel::PaintGrabHandles(HDC dc, RECT& r) {
  struct Side {
    TPaxPanelGrabHandle* handle;
    int side;
  };
  for (const Side& s : {Side{grab_left_.get(), HTLEFT}, Side{grab_right_.get(), HTRIGHT},
                        Side{grab_top_.get(), HTTOP}, Side{grab_bottom_.get(), HTBOTTOM}}) {
    TPaxPanelGrabHandle& h = *s.handle;
    if (!h.Occupies() || h.BevelKind() == TBevelCut::bvNone) continue;
    RECT strip = r;
    switch (s.side) {
      case HTLEFT:
        strip.right = r.left + h.Size();
        r.left = strip.right;
        break;
      case HTRIGHT:
        strip.left = r.right - h.Size();
        r.right = strip.left;
        break;
      case HTTOP:
        strip.bottom = r.top + h.Size();
        r.top = strip.bottom;
        break;
      default:
        strip.top = r.bottom - h.Size();
        r.bottom = strip.top;
        break;
    }
    Fill(dc, strip, Color());
    const bool raised = h.BevelKind() == TBevelCut::bvRaised;
    const COLORREF first = ColorToRGB(raised ? clBtnHighlight : clBtnShadow);
    const COLORREF second = ColorToRGB(raised ? clBtnShadow : clBtnHighlight);
    if (s.side == HTLEFT || s.side == HTRIGHT) {
      const int x = strip.left + RectWidth(strip) / 2 - 1;
      FillColorRect(dc, RECT{x, strip.top + 1, x + 1, strip.bottom - 1}, first);
      FillColorRect(dc, RECT{x + 1, strip.top + 1, x + 2, strip.bottom - 1}, second);
    } else {
      const int y = strip.top + RectHeight(strip) / 2 - 1;
      FillColorRect(dc, RECT{strip.left + 1, y, strip.right - 1, y + 1}, first);
      FillColorRect(dc, RECT{strip.left + 1, y + 1, strip.right - 1, y + 2}, second);
    }
  }
}

void TCustomPaxPanel::PaintCaption(HDC dc, const RECT& r) {
  const std::wstring& text = Caption();
  if (text.empty() && !(show_focus_ && Focused())) return;
  SavedDcScope saved(dc);
  SetBkMode(dc, TRANSPARENT);
  SelectObject(dc, Font().Handle());
  SetTextColor(dc, ColorToRGB(Font().Color()));
  const UINT format = CaptionFormat();
  RECT t = r;
  if (layout_ != TTextLayout::tlTop) {
    RECT measured = r;
    AdjustClientRect(measured);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured, format | DT_CALCRECT);
    const int free = RectHeight(r) - RectHeight(measured);
    const int shift = layout_ == TTextLayout::tlBottom ? free : free / 2;
    OffsetRect(&t, 0, shift);
  }
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &t, format);
  if (show_focus_ && Focused()) DrawFocusRect(dc, &t);
}

void TCustomPaxPanel::PaintSizeGrip(HDC dc, const RECT& client, const RECT& r) {
  if (!size_grip_ || !resizable_) return;
  const int grip_width = GetSystemMetrics(SM_CXVSCROLL);
  const int grip_height = GetSystemMetrics(SM_CYHSCROLL);
  if (Themed()) {
    RECT strip{client.right - grip_width, client.top, client.right, client.bottom};
    if (IsRectEmpty(&strip)) return;
    if (HTHEME status = OpenThemeData(Handle(), L"STATUS")) {
      DrawThemeBackground(status, dc, kGripperPart, 0, &strip, nullptr);
      CloseThemeData(status);
    }
    size_grip_rect_ = {strip.left, strip.bottom - grip_height, strip.right, strip.bottom};
    return;
  }
  size_grip_rect_ = {r.right - grip_width, r.bottom - grip_height, r.right, r.bottom};
  const int side = RectHeight(size_grip_rect_) + 1;
  RECT square{size_grip_rect_.right - side, size_grip_rect_.bottom - side, size_grip_rect_.right,
              size_grip_rect_.bottom};
  DrawFrameControl(dc, &square, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
}

// ---- mouse ----

TCustomPaxPanel::HandleHit TCustomPaxPanel::GrabHandleAt(const RECT& area, POINT p) {
  struct Side {
    TPaxPanelGrabHandle* handle;
    int side;
  };
  for (const Side& s : {Side{grab_left_.get(), HTLEFT}, Side{grab_right_.get(), HTRIGHT},
                        Side{grab_top_.get(), HTTOP}, Side{grab_bottom_.get(), HTBOTTOM}}) {
    // Visible is not consulted: a hidden handle still reacts to the mouse.
    if (!s.handle->Enabled()) continue;
    RECT strip = area;
    const int size = s.handle->Size();
    switch (s.side) {
      case HTLEFT:
        strip.right = area.left + size;
        break;
      case HTRIGHT:
        strip.left = area.right - size;
        break;
      case HTTOP:
        strip.bottom = area.top + size;
        break;
      default:
        strip.top = area.bottom - size;
        break;
    }
    if (PtInRect(&strip, p)) return {s.handle, s.side};
  }
  return {};
}

int TCustomPaxPanel::EdgeWidth() const {
  int width = BorderWidth();
  if (BevelOuter() != TBevelCut::bvNone) width += BevelWidth();
  if (BevelInner() != TBevelCut::bvNone) width += BevelWidth();
  return width;
}

void TCustomPaxPanel::StartDrag(HWND window) {
  POINT at{};
  GetCursorPos(&at);
  BringWindowToTop(window);
  PostMessageW(window, WM_SYSCOMMAND, kMoveByCaption, MAKELPARAM(at.x, at.y));
  // The platform's move loop waits for a key or a mouse move before it
  // follows the mouse: a space starts it at once.
  PostMessageW(window, WM_KEYDOWN, VK_SPACE, 0);
}

LRESULT TCustomPaxPanel::OnMouseMoveMessage(WPARAM wparam, LPARAM lparam) {
  if (!mouse_inside_) DoMouseEnter();
  const LRESULT result = TCustomPanel::WndProc(WM_MOUSEMOVE, wparam, lparam);
  if (!mouse_down_ || !HandleAllocated()) return result;
  RECT inner{0, 0, ClientWidth(), ClientHeight()};
  InflateRect(&inner, -EdgeWidth(), -EdgeWidth());
  const HandleHit hit = GrabHandleAt(inner, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
  if (hit.handle && hit.handle->Kind() == ghkMoveParent) {
    mouse_down_ = false;
    ReleaseCapture();
    if (Parent() && Parent()->HandleAllocated()) StartDrag(Parent()->Handle());
    return result;
  }
  if (movable_) {
    mouse_down_ = false;
    ReleaseCapture();
    DoMouseLeave();
    StartDrag(Handle());
  }
  return result;
}

LRESULT TCustomPaxPanel::OnLeftButtonDown(WPARAM wparam, LPARAM lparam) {
  const LRESULT result = TCustomPanel::WndProc(WM_LBUTTONDOWN, wparam, lparam);
  if (!HandleAllocated()) return result;
  mouse_down_ = true;
  if (movable_) {
    saved_capture_ = GetCapture();
    SetCapture(Handle());
  }
  return result;
}

LRESULT TCustomPaxPanel::OnLeftButtonUp(WPARAM wparam, LPARAM lparam) {
  if (mouse_down_) {
    mouse_down_ = false;
    if (saved_capture_ && IsWindow(saved_capture_))
      SetCapture(saved_capture_);
    else if (GetCapture() == Handle())
      ReleaseCapture();
    saved_capture_ = nullptr;
  }
  return TCustomPanel::WndProc(WM_LBUTTONUP, wparam, lparam);
}

LRESULT TCustomPaxPanel::OnHitTest(WPARAM wparam, LPARAM lparam) {
  const LRESULT framework = TCustomPanel::WndProc(WM_NCHITTEST, wparam, lparam);
  int b = EdgeWidth();
  if (b == 0) b = 1;
  POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  ScreenToClient(Handle(), &p);
  RECT bounds{0, 0, Width(), Height()};
  if (!resizable_) {
    InflateRect(&bounds, -b, -b);
    const HandleHit hit = GrabHandleAt(bounds, p);
    if (!hit.handle) return framework;
    if (hit.handle->Kind() == ghkMove) {
      BringWindowToTop(Handle());
      return HTCAPTION;
    }
    if (hit.handle->Kind() == ghkResize) return hit.side;
    return framework;
  }
  const LRESULT edge = EdgeHit(bounds, Height() / 8, BevelWidth(), p);
  if (edge == HTCLIENT && size_grip_ && PtInRect(&size_grip_rect_, p)) return HTBOTTOMRIGHT;
  return edge;
}

LRESULT TCustomPaxPanel::OnExitSizeMove(WPARAM wparam, LPARAM lparam) {
  const LRESULT result = TCustomPanel::WndProc(WM_EXITSIZEMOVE, wparam, lparam);
  if (!HandleAllocated()) return result;
  if (OnMove) {
    RECT now;
    GetWindowRect(Handle(), &now);
    const bool sized = RectWidth(now) != RectWidth(size_move_start_) ||
                       RectHeight(now) != RectHeight(size_move_start_);
    const bool corner_stayed = now.left == size_move_start_.left && now.top == size_move_start_.top;
    if (!(sized && corner_stayed)) DoMove();
  }
  if (Parent()) Parent()->AlignControls();
  for (TWinControl* child : Controls()) child->Invalidate();
  return result;
}

LRESULT TCustomPaxPanel::WndProc(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_ERASEBKGND:
      return OnEraseBackground(reinterpret_cast<HDC>(wparam));
    case WM_MOUSEMOVE:
      return OnMouseMoveMessage(wparam, lparam);
    case WM_LBUTTONDOWN:
      return OnLeftButtonDown(wparam, lparam);
    case WM_LBUTTONUP:
      return OnLeftButtonUp(wparam, lparam);
    case WM_NCHITTEST:
      return OnHitTest(wparam, lparam);
    case WM_ENTERSIZEMOVE:
      GetWindowRect(Handle(), &size_move_start_);
      break;
    case WM_EXITSIZEMOVE:
      return OnExitSizeMove(wparam, lparam);
    case WM_MOVE: {
      const LRESULT result = TCustomPanel::WndProc(msg, wparam, lparam);
      Invalidate();
      return result;
    }
    case WM_SIZE:
      if (UsesCache(background_type_)) RebuildCache();
      Invalidate();
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      const LRESULT result = TCustomPanel::WndProc(msg, wparam, lparam);
      if (show_focus_) Invalidate();
      return result;
    }
    case WM_THEMECHANGED:
      FreeThemeHandle();
      if (use_xp_themes_) CreateThemeHandle();
      break;
    case WM_DESTROY:
      if (use_xp_themes_) FreeThemeHandle();
      break;
    case WM_WINDOWPOSCHANGED:
      if (image_form_) {
        const LRESULT result = TCustomPanel::WndProc(msg, wparam, lparam);
        SendMessageW(Handle(), kPaxImageFormChanged, 0, 0);
        return result;
      }
      break;
    case kPaxGetThemeHandle:
      return reinterpret_cast<LRESULT>(theme_);
    case kPaxImageFormChanged: {
      const LRESULT result = TCustomPanel::WndProc(msg, wparam, lparam);
      if (image_form_) Invalidate();
      for (TWinControl* child : Controls())
        if (child->HandleAllocated()) SendMessageW(child->Handle(), msg, wparam, lparam);
      return result;
    }
  }
  return TCustomPanel::WndProc(msg, wparam, lparam);
}

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
