#pragma once

#include <windows.h>
#include <commctrl.h>

#include "framework/Component.h"
#include "framework/Graphics.h"

namespace wf {

enum class TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };

// Wraps a platform image list. A shared handle belongs to someone else (the
// system image list, say) and is never destroyed here.
class TCustomImageList : public TComponent {
 public:
  explicit TCustomImageList(TComponent* owner);
  ~TCustomImageList() override;

  HIMAGELIST Handle() const { return handle_; }
  // Takes the handle; a non-shared one is destroyed with the list or when
  // replaced.
  void SetHandle(HIMAGELIST handle);
  bool ShareHandle() const { return share_handle_; }
  void SetShareHandle(bool share) { share_handle_ = share; }
  // A new private list of that size: 32-bit colour with masks, or, not
  // masked, 24-bit colour whose pictures are opaque (GDI leaves a 32-bit
  // picture's alpha at 0).
  // `grow`: how many images' room is added when it is full; every growth
  // copies the whole list, so a list that takes thousands grows in large
  // steps.
  void CreateSize(int width, int height, bool masked = true, int grow = 16);
  // Another size for every image: the list is emptied.
  void SetSize(int width, int height);
  // Copies the bitmap (not selected into any device context) onto the end;
  // its index, or -1.
  int Add(HBITMAP bitmap);
  bool Replace(int index, HBITMAP bitmap);
  // The pixels of `mask` in the bitmap show through.
  int AddMasked(HBITMAP bitmap, COLORREF mask);
  int Width() const;
  int Height() const;
  int Count() const;
  // Copies every image of `source` onto the end of this list.
  bool AddImages(const TCustomImageList& source);
  void Clear();

  TDrawingStyle DrawingStyle() const { return drawing_style_; }
  void SetDrawingStyle(TDrawingStyle style) { drawing_style_ = style; }
  TColor BkColor() const { return bk_color_; }
  void SetBkColor(TColor color);

  TNotifyEvent OnChange;

 protected:
  void Changed() { Raise(OnChange, this); }

 private:
  void FreeHandle();
  HIMAGELIST handle_ = nullptr;
  bool share_handle_ = false;
  TDrawingStyle drawing_style_ = TDrawingStyle::dsNormal;
  TColor bk_color_ = clNone;
};

}  // namespace wf
