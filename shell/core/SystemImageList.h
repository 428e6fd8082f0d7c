#pragma once

#include <string>

#include "framework/ImageList.h"

namespace wf {

enum TKivImageListSize { si_small = 0, si_large = 1 };

// The platform's system image list, in which every shell icon has an index,
// in small or large size. By default it wraps the system list itself, so
// every icon the shell ever loads is at once available under its index.
class TKivSystemImageList : public TCustomImageList {
 public:
  explicit TKivSystemImageList(TComponent* owner);

  TKivImageListSize Size() const { return size_; }
  // Refreshes, also when unchanged.
  void SetSize(TKivImageListSize size);
  bool ShareImages() const { return share_images_; }
  // Off: the list keeps a private copy of the system list's images.
  void SetShareImages(bool share);

  // The icon index of a path; with `use_attributes` the shell answers from
  // the name alone, without touching the file.
  int IconIndex(const std::wstring& path, bool open_icon, bool use_attributes) const;
  // The closed icon of the temporary folder: a generic folder icon.
  int TempFolderIconIndex() const;

 protected:
  void Loaded() override;

 private:
  void Refresh();
  TKivImageListSize size_ = si_small;
  bool share_images_ = true;
};

}  // namespace wf
