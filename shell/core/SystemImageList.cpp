#include "shell/core/SystemImageList.h"

#include <windows.h>
#include <shellapi.h>

#include "shell/core/ShellUtils.h"

namespace wf {

TKivSystemImageList::TKivSystemImageList(TComponent* owner) : TCustomImageList(owner) {
  SetHandle(nullptr);
  SetShareImages(true);
  SetSize(si_small);
}

void TKivSystemImageList::SetSize(TKivImageListSize size) {
  size_ = size;
  Refresh();
}

void TKivSystemImageList::SetShareImages(bool share) {
  // Let go of the current handle before the rule for owning it changes.
  SetHandle(nullptr);
  share_images_ = share;
  Refresh();
}

void TKivSystemImageList::Loaded() {
  TCustomImageList::Loaded();
  Refresh();
}

void TKivSystemImageList::Refresh() {
  SHFILEINFOW info{};
  UINT flags = SHGFI_SYSICONINDEX;
  if (size_ == si_small) flags |= SHGFI_SMALLICON;
  auto system =
      reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(L"C:\\", 0, &info, sizeof(info), flags));
  if (share_images_) {
    SetHandle(nullptr);
    SetShareHandle(true);
    SetHandle(system);
    return;
  }
  TCustomImageList source(nullptr);
  source.SetShareHandle(true);
  source.SetHandle(system);
  SetHandle(nullptr);
  SetShareHandle(false);
  if (system) {
    int cx = 0, cy = 0;
    ImageList_GetIconSize(system, &cx, &cy);
    CreateSize(cx, cy);
    AddImages(source);
  }
}

int TKivSystemImageList::IconIndex(const std::wstring& path, bool open_icon,
                                   bool use_attributes) const {
  UINT flags = SHGFI_SYSICONINDEX;
  if (size_ != si_large) flags |= SHGFI_SMALLICON;
  if (open_icon) flags |= SHGFI_OPENICON;
  if (use_attributes) flags |= SHGFI_USEFILEATTRIBUTES;
  SHFILEINFOW info{};
  info.iIcon = -1;
  SHGetFileInfoW(path.c_str(), 0, &info, sizeof(info), flags);
  return info.iIcon;
}

int TKivSystemImageList::TempFolderIconIndex() const {
  return IconIndex(TempPath(), false, false);
}

}  // namespace wf
