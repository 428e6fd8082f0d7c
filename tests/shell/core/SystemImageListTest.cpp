#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <memory>

#include "shell/core/ShellUtils.h"
#include "shell/core/SystemImageList.h"
#include "tests/support/TempFolder.h"

namespace wf {
namespace {

using test::TempFolder;

HIMAGELIST SystemList(TKivImageListSize size) {
  SHFILEINFOW info{};
  const UINT flags = SHGFI_SYSICONINDEX | (size == si_small ? SHGFI_SMALLICON : 0);
  return reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(L"C:\\", 0, &info, sizeof(info), flags));
}

int PlatformIconIndex(const std::wstring& path, UINT flags) {
  SHFILEINFOW info{};
  if (!SHGetFileInfoW(path.c_str(), 0, &info, sizeof(info), SHGFI_SYSICONINDEX | flags)) return -1;
  return info.iIcon;
}

struct IconSize {
  int cx = 0, cy = 0;
  bool operator==(const IconSize&) const = default;
};

IconSize SizeOf(HIMAGELIST list) {
  IconSize size;
  ImageList_GetIconSize(list, &size.cx, &size.cy);
  return size;
}

TEST(SystemImageList, FreshListWrapsTheSmallSystemList) {
  TKivSystemImageList list(nullptr);
  EXPECT_EQ(list.Size(), si_small);
  EXPECT_TRUE(list.ShareImages());
  ASSERT_NE(SystemList(si_small), nullptr);
  EXPECT_EQ(list.Handle(), SystemList(si_small));
  EXPECT_TRUE(list.ShareHandle());
}

TEST(SystemImageList, SizeSwitchesBetweenTheSystemLists) {
  ASSERT_NE(SystemList(si_large), SystemList(si_small));
  TKivSystemImageList list(nullptr);
  list.SetSize(si_large);
  EXPECT_EQ(list.Handle(), SystemList(si_large));
  EXPECT_EQ((IconSize{list.Width(), list.Height()}), SizeOf(SystemList(si_large)));
  list.SetSize(si_small);
  EXPECT_EQ(list.Handle(), SystemList(si_small));
}

// The system list is the process's: a wrapper that destroyed it would take
// every icon of every list view with it. (Wine's system lists outlive an
// ImageList_Destroy, so there only the copy's side is checked.)
TEST(SystemImageList, PrivateCopyLeavesTheSystemListIntact) {
  const HIMAGELIST small = SystemList(si_small);
  const HIMAGELIST large = SystemList(si_large);
  const int count = ImageList_GetImageCount(small);
  ASSERT_GT(count, 0);
  {
    auto owner = std::make_unique<TComponent>(nullptr);
    auto* list = new TKivSystemImageList(owner.get());
    list->SetShareImages(false);
    EXPECT_FALSE(list->ShareImages());
    EXPECT_FALSE(list->ShareHandle());
    ASSERT_NE(list->Handle(), nullptr);
    EXPECT_NE(list->Handle(), small);
    EXPECT_EQ(list->Count(), count);
    EXPECT_EQ(SizeOf(list->Handle()), SizeOf(small));

    // The copy follows a change of size, and sharing again wraps the system
    // list rather than keeping the copy.
    list->SetSize(si_large);
    EXPECT_NE(list->Handle(), large);
    EXPECT_EQ(list->Count(), ImageList_GetImageCount(large));
    EXPECT_EQ(SizeOf(list->Handle()), SizeOf(large));
    list->SetShareImages(true);
    EXPECT_EQ(list->Handle(), large);
    list->SetShareImages(false);
    owner.reset();
  }
  EXPECT_EQ(ImageList_GetImageCount(small), count);
  EXPECT_GT(ImageList_GetImageCount(large), 0);
  EXPECT_EQ(SystemList(si_small), small);
}

TEST(SystemImageList, IconIndexIsTheShellsIndexForThePath) {
  TempFolder temp;
  const std::wstring file = temp.MakeFile(L"a.txt");
  const std::wstring folder = temp.MakeFolder(L"sub");
  TKivSystemImageList list(nullptr);

  const int file_icon = list.IconIndex(file, false, false);
  EXPECT_GE(file_icon, 0);
  EXPECT_LT(file_icon, list.Count());
  EXPECT_EQ(file_icon, PlatformIconIndex(file, SHGFI_SMALLICON));
  // From the name alone, a file that is not there looks like its siblings.
  EXPECT_EQ(list.IconIndex(temp / L"missing.txt", false, true), file_icon);

  const int closed = list.IconIndex(folder, false, false);
  const int open = list.IconIndex(folder, true, false);
  EXPECT_EQ(closed, PlatformIconIndex(folder, SHGFI_SMALLICON));
  EXPECT_EQ(open, PlatformIconIndex(folder, SHGFI_SMALLICON | SHGFI_OPENICON));
  EXPECT_GE(open, 0);

  list.SetSize(si_large);
  EXPECT_EQ(list.IconIndex(folder, true, false), PlatformIconIndex(folder, SHGFI_OPENICON));
}

TEST(SystemImageList, TempFolderIconIndexIsAFolderIcon) {
  TempFolder temp;
  const std::wstring folder = temp.MakeFolder(L"plain");
  TKivSystemImageList list(nullptr);
  const int index = list.TempFolderIconIndex();
  EXPECT_GE(index, 0);
  EXPECT_LT(index, list.Count());
  EXPECT_EQ(index, list.IconIndex(TempPath(), false, false));
  EXPECT_EQ(index, list.IconIndex(folder, false, false));
}

}  // namespace
}  // namespace wf
