#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Graphics.h"
#include "framework/Panel.h"
#include "framework/Themes.h"
#include "ui/PaxBkgnd.h"
#include "ui/PaxStyleMgr.h"

namespace wf {

class TCustomPaxPanel;

// Messages the decoration components exchange: the theme handle of a panel,
// and the notice that a shared background changed.
constexpr UINT kPaxGetThemeHandle = 3422;
constexpr UINT kPaxImageFormChanged = 7413;

enum TPaxPanelGrabHandleKind : uint8_t { ghkNone, ghkMove, ghkResize, ghkMoveParent };

// One side's strip that the mouse can move or resize the panel by.
class TPaxPanelGrabHandle : public TObject {
 public:
  explicit TPaxPanelGrabHandle(TCustomPaxPanel* panel) : panel_(panel) {}

  // The handle exists for hit testing.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  // Thickness of the strip in pixels.
  int Size() const { return size_; }
  void SetSize(int value);
  TPaxPanelGrabHandleKind Kind() const { return kind_; }
  void SetKind(TPaxPanelGrabHandleKind value) { kind_ = value; }
  // How the strip is drawn; bvNone draws nothing.
  TBevelCut BevelKind() const { return bevel_kind_; }
  void SetBevelKind(TBevelCut value);
  // Drawn, and taken from the client area (with Enabled).
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  // Takes all five properties.
  void Assign(const TPaxPanelGrabHandle& source);
  // Enabled and Visible: the strip counts against the client area.
  bool Occupies() const { return enabled_ && visible_; }

 private:
  void Changed(bool always);

  TCustomPaxPanel* panel_;
  bool enabled_ = false;
  int size_ = 0;
  TPaxPanelGrabHandleKind kind_ = ghkNone;
  TBevelCut bevel_kind_ = TBevelCut::bvNone;
  bool visible_ = false;
};

// Tells a panel that its image form's background changed.
class TPaxImageFormChangeLink {
 public:
  explicit TPaxImageFormChangeLink(std::function<void()> on_change)
      : on_change_(std::move(on_change)) {}
  ~TPaxImageFormChangeLink();
  TPaxImageFormChangeLink(const TPaxImageFormChangeLink&) = delete;
  TPaxImageFormChangeLink& operator=(const TPaxImageFormChangeLink&) = delete;
  void Change() {
    if (on_change_) on_change_();
  }

 private:
  friend class TPaxImageForm;
  class TPaxImageForm* form_ = nullptr;
  std::function<void()> on_change_;
};

// A source of one background shared by several controls: the panels on a
// control paint the part of it that lies under them.
class TPaxImageForm : public TComponent {
 public:
  using TComponent::TComponent;
  ~TPaxImageForm() override;

  // The control whose client area the background covers.
  virtual TWinControl* Control() const = 0;
  // Paints `rect` (the served control's client coordinates) of the
  // background into `dc`, moved by `offset`.
  virtual void PaintBackground(HDC dc, const RECT& rect, POINT offset) = 0;

  void RegisterChanges(TPaxImageFormChangeLink& link);
  void UnRegisterChanges(TPaxImageFormChangeLink& link);
  // Tells every link, then the served control's window.
  void Changed();

 private:
  std::vector<TPaxImageFormChangeLink*> links_;
};

// A container that paints its own background (colour, picture, gradient),
// bevels, grab handles, a size grip and a wide caption, off-screen in one
// blit, and that the mouse can move or resize. Window class "TPaxPanel";
// its window text is the caption.
class TCustomPaxPanel : public TCustomPanel, public TStyleable {
 public:
  explicit TCustomPaxPanel(TComponent* owner);
  ~TCustomPaxPanel() override;

  uint8_t AlphaLevel() const { return alpha_level_; }
  void SetAlphaLevel(uint8_t value);
  bool AlwaysPaintBackground() const { return always_paint_background_; }
  void SetAlwaysPaintBackground(bool value);
  // Edits of the returned image reach the panel through its change event.
  TBitmap& Background() { return background_; }
  void SetBackground(const TBitmap& image);
  TPaxBkGndType BackgroundType() const { return background_type_; }
  virtual void SetBackgroundType(TPaxBkGndType value);
  TColor GradientStartColor() const { return gradient_start_; }
  void SetGradientStartColor(TColor value);
  TColor GradientEndColor() const { return gradient_end_; }
  void SetGradientEndColor(TColor value);
  int GradientSteps() const { return gradient_steps_; }
  // Values of 0 or below are refused; the old value stays.
  void SetGradientSteps(int value);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout value);
  bool OwnerDraw() const { return owner_draw_; }
  void SetOwnerDraw(bool value);
  TPaxImageForm* ImageForm() const { return image_form_; }
  virtual void SetImageForm(TPaxImageForm* value);
  TPaxPanelGrabHandle& LeftGrabHandle() { return *grab_left_; }
  TPaxPanelGrabHandle& TopGrabHandle() { return *grab_top_; }
  TPaxPanelGrabHandle& RightGrabHandle() { return *grab_right_; }
  TPaxPanelGrabHandle& BottomGrabHandle() { return *grab_bottom_; }
  bool Resizable() const { return resizable_; }
  virtual void SetResizable(bool value);
  bool Movable() const { return movable_; }
  virtual void SetMovable(bool value);
  bool SizeGrip() const { return size_grip_; }
  void SetSizeGrip(bool value);
  void SetBevelInner(TBevelCut value) override;
  void SetBevelOuter(TBevelCut value) override;
  void SetBevelWidth(int value) override;
  TColor BevelSpaceColor() const { return bevel_space_color_; }
  void SetBevelSpaceColor(TColor value);
  bool UseXPThemes() const { return use_xp_themes_; }
  virtual void SetUseXPThemes(bool value);
  bool TransparentXPThemes() const { return transparent_xp_themes_; }
  virtual void SetTransparentXPThemes(bool value);
  bool ShowFocus() const { return show_focus_; }
  void SetShowFocus(bool value);
  bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool value);
  // Stores the text and sets the window text; the same text again changes
  // and repaints nothing.
  void SetCaption(std::wstring caption) override;
  TPaxStyleManager* StyleManager() const { return style_manager_; }
  void SetStyleManager(TPaxStyleManager* value);
  const std::wstring& StyleName() const { return style_name_; }
  void SetStyleName(std::wstring value);

  // The open theme data, or null.
  HTHEME ThemeHandle() const { return theme_.get(); }
  // Drawing with visual styles: UseXPThemes and a theme open.
  bool Themed() const { return use_xp_themes_ && static_cast<bool>(theme_); }
  // The canvas of the paint in progress (OnPaint draws on it).
  TCanvas& Canvas() { return canvas_; }

  const TPropertyTable& PublishedProperties() const override;

  TNotifyEvent OnMove;
  TNotifyEvent OnPaint;

 protected:
  virtual void DoMove();
  virtual void DoPaint();
  virtual void DoMouseEnter();
  virtual void DoMouseLeave();
  virtual std::wstring GetThemedClassName() const { return L"GLOBALS"; }
  virtual void CreateThemeHandle();
  virtual void FreeThemeHandle();
  virtual void DrawThemedBackground(HDC dc, const RECT& rect) {}
  virtual RECT GetBackgroundClientRect();
  // After bevel and grab-handle changes.
  virtual void InteriorChanged() {}

  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  LRESULT WndProc(UINT msg, WPARAM wparam, LPARAM lparam) override;
  void AdjustClientRect(RECT& rect) override;
  void PaintWindow(HDC dc) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TPaxPanelGrabHandle;
  struct HandleHit {
    TPaxPanelGrabHandle* handle = nullptr;
    int side = 0;  // HTLEFT, HTRIGHT, HTTOP or HTBOTTOM
  };

  void BackgroundChanged();
  // The background as a centred picture is drawn at the panel's density:
  // the picture itself at the design density, a smooth enlargement (or
  // reduction) of it otherwise.
  const TBitmap& CentredBackground();
  void RebuildCache();
  void ApplyStyle();
  void GrabHandleChanged(bool realign);
  void Paint(HDC dc);
  // The paint would be the cache's copy and nothing over it.
  bool OnlyTheCache(const RECT& client);
  bool PaintBackground(HDC dc, const RECT& client);
  void PaintTransparentBackground(HDC dc);
  void PaintBevel(HDC dc, RECT& rect, TBevelCut cut);
  void PaintGrabHandles(HDC dc, RECT& rect);
  void PaintCaption(HDC dc, const RECT& rect);
  void PaintSizeGrip(HDC dc, const RECT& client, const RECT& rect);
  HandleHit GrabHandleAt(const RECT& area, POINT p);
  int EdgeWidth() const;
  LRESULT OnEraseBackground(HDC dc);
  LRESULT OnMouseMoveMessage(WPARAM wparam, LPARAM lparam);
  LRESULT OnLeftButtonDown(WPARAM wparam, LPARAM lparam);
  LRESULT OnLeftButtonUp(WPARAM wparam, LPARAM lparam);
  LRESULT OnHitTest(WPARAM wparam, LPARAM lparam);
  LRESULT OnExitSizeMove(WPARAM wparam, LPARAM lparam);
  void StartDrag(HWND window);

  bool owner_draw_ = false;
  bool always_paint_background_ = false;
  TTextLayout layout_ = TTextLayout::tlCenter;
  int gradient_steps_ = 16;
  TColor gradient_start_ = 0;
  TColor gradient_end_ = 0;
  TBitmap cache_;
  bool transparent_ = false;
  TBitmap background_;
  // The background at the panel's density, made on first need.
  TBitmap scaled_background_;
  bool copying_background_ = false;
  TPaxBkGndType background_type_ = bgtColorFill;
  TPaxImageForm* image_form_ = nullptr;
  std::unique_ptr<TPaxImageFormChangeLink> image_form_link_;
  bool resizable_ = false;
  bool movable_ = false;
  bool mouse_down_ = false;
  HWND saved_capture_ = nullptr;
  RECT size_move_start_{};
  std::unique_ptr<TPaxPanelGrabHandle> grab_left_, grab_top_, grab_right_, grab_bottom_;
  bool mouse_inside_ = false;
  UniqueTheme theme_;
  bool use_xp_themes_ = true;
  bool transparent_xp_themes_ = true;
  uint8_t alpha_level_ = 0;
  bool size_grip_ = false;
  RECT size_grip_rect_{};
  TColor bevel_space_color_ = clBtnFace;
  bool show_focus_ = false;
  TPaxStyleManager* style_manager_ = nullptr;
  std::wstring style_name_;
  std::unique_ptr<TPaxStyleMgrChangeLink> style_link_;
  TCanvas canvas_;
};

// The panel as the program places it; every property above is its own.
class TPaxPanel : public TCustomPaxPanel {
 public:
  using TCustomPaxPanel::TCustomPaxPanel;
};

}  // namespace wf
