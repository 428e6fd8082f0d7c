#include <gtest/gtest.h>

#include "shell/core/Dirwalker.h"
#include "shell/core/SpecialFolders.h"
#include "tests/shell/core/ShellCoreTestHelpers.h"
#include "tests/support/TempFolder.h"

namespace wf {
namespace {

TEST(SpecialFolders, ValuesKeepTheirStoredOrdinalsAndIds) {
  static_assert(sizeof(TKivShellFolder) == 1);
  EXPECT_EQ(static_cast<int>(SF_FILESYSTEMFOLDER), 0);
  EXPECT_EQ(static_cast<int>(SF_DESKTOP), 3);
  EXPECT_EQ(static_cast<int>(SF_COMMON_DOCUMENTS), 30);
  EXPECT_EQ(static_cast<int>(SF_PROGRAM_FILES_COMMON), kSpecialFolderCount - 1);
  EXPECT_EQ(kSpecialFolderCsidl[SF_FILESYSTEMFOLDER], CSIDL_DRIVES);
  EXPECT_EQ(kSpecialFolderCsidl[SF_DRIVES], CSIDL_DRIVES);
  EXPECT_EQ(kSpecialFolderCsidl[SF_COMMON_DOCUMENTS], 0x2E);
  EXPECT_EQ(kSpecialFolderCsidl[SF_INTERNET], 0x01);
  EXPECT_EQ(kSpecialFolderCsidl[SF_PROGRAM_FILES_COMMON], 0x2B);
}

TEST(SpecialFolders, NamesConvertBothWays) {
  EXPECT_EQ(SpecialFolderName(SF_COMMON_DOCUMENTS), L"SF_COMMON_DOCUMENTS");
  EXPECT_EQ(SpecialFolderName(SF_FILESYSTEMFOLDER), L"SF_FILESYSTEMFOLDER");
  for (int i = 0; i < kSpecialFolderCount; ++i) {
    const auto value = static_cast<TKivShellFolder>(i);
    EXPECT_EQ(SpecialFolderFromName(SpecialFolderName(value)), value) << i;
  }
  EXPECT_EQ(SpecialFolderFromName(L"sf_desktop"), SF_DESKTOP);
  EXPECT_EQ(SpecialFolderFromName(L"SF_NOWHERE"), std::nullopt);
  EXPECT_EQ(SpecialFolderFromName(L""), std::nullopt);
}

TEST(SpecialFolders, DesktopIsTheEmptyList) {
  AbsoluteIdList desktop = SpecialFolderIdList(SF_DESKTOP);
  ASSERT_TRUE(desktop);
  EXPECT_EQ(IdListSize(desktop.get()), 2u);
  EXPECT_EQ(IdListToSpecialFolder(desktop.get()), SF_DESKTOP);
}

TEST(SpecialFolders, MyComputerAnswersDrivesNeverFileSystemFolder) {
  AbsoluteIdList drives = SpecialFolderIdList(SF_FILESYSTEMFOLDER);
  ASSERT_TRUE(drives);
  EXPECT_EQ(IdListToSpecialFolder(drives.get()), SF_DRIVES);
}

TEST(SpecialFolders, OrdinaryFolderAndNoListAnswerFileSystemFolder) {
  test::TempFolder temp;
  AbsoluteIdList list = PathToIdList(temp.Path());
  ASSERT_TRUE(list);
  EXPECT_EQ(IdListToSpecialFolder(list.get()), SF_FILESYSTEMFOLDER);
  EXPECT_EQ(IdListToSpecialFolder(nullptr), SF_FILESYSTEMFOLDER);
}

TEST(SpecialFolders, UnknownValueHasNoList) {
  EXPECT_FALSE(SpecialFolderIdList(static_cast<TKivShellFolder>(200)));
}

TEST(DirwalkerSpecialFolder, DesktopRoundTrips) {
  TDirwalker walker;
  walker.SetSpecialFolder(SF_DESKTOP);
  EXPECT_EQ(walker.ShellFolder(), ShellModule::DesktopFolder());
  EXPECT_EQ(IdListCount(walker.FolderIdList()), 0u);
  EXPECT_EQ(walker.SpecialFolder(), SF_DESKTOP);
}

TEST(DirwalkerSpecialFolder, FileSystemFolderBindsMyComputer) {
  test::TempFolder temp;
  TDirwalker walker;
  walker.SetFolder(temp.Path());
  walker.SetSpecialFolder(SF_FILESYSTEMFOLDER);
  EXPECT_EQ(walker.Folder(), L"");
  EXPECT_EQ(walker.SpecialFolder(), SF_DRIVES);
}

TEST(DirwalkerSpecialFolder, OrdinaryFolderIsNoSpecialFolder) {
  test::TempFolder temp;
  TDirwalker walker;
  walker.SetFolder(temp.Path());
  EXPECT_EQ(walker.SpecialFolder(), SF_FILESYSTEMFOLDER);
}

TEST(DirwalkerSpecialFolder, CommonDocumentsFolderHasItsPathWithBackslash) {
  AbsoluteIdList expected = test::CsidlIdList(CSIDL_COMMON_DOCUMENTS);
  ASSERT_TRUE(expected) << "the platform has no common documents folder";
  TDirwalker walker;
  walker.SetSpecialFolder(SF_COMMON_DOCUMENTS);
  ASSERT_FALSE(walker.Folder().empty());
  EXPECT_EQ(walker.Folder().back(), L'\\');
  EXPECT_TRUE(SameText(walker.Folder(), IncludeTrailingBackslash(IdListToPath(expected.get()))))
      << walker.Folder();
  EXPECT_EQ(walker.SpecialFolder(), SF_COMMON_DOCUMENTS);
}

TEST(DirwalkerSpecialFolder, MissingSpecialFolderChangesNothing) {
  test::TempFolder temp;
  TDirwalker walker;
  walker.SetFolder(temp.Path());
  // A value the platform does not know, and any special folder this system
  // lacks: neither raises nor moves the object.
  EXPECT_NO_THROW(walker.SetSpecialFolder(static_cast<TKivShellFolder>(200)));
  EXPECT_TRUE(SameText(walker.Folder(), temp.Path()));
  for (int i = 1; i < kSpecialFolderCount; ++i) {
    const auto value = static_cast<TKivShellFolder>(i);
    if (SpecialFolderIdList(value)) continue;
    EXPECT_NO_THROW(walker.SetSpecialFolder(value)) << SpecialFolderName(value);
    EXPECT_TRUE(SameText(walker.Folder(), temp.Path())) << SpecialFolderName(value);
  }
}

TEST(DirwalkerSpecialFolder, ObjectSpecialFolderOfMyComputerOnTheDesktop) {
  test::TempFolder temp;
  temp.MakeFile(L"a.txt");
  TDirwalker walker;
  walker.SetSpecialFolder(SF_DRIVES);
  walker.SelectFolderInParent();
  EXPECT_EQ(walker.SpecialFolder(), SF_DESKTOP);
  EXPECT_EQ(walker.ObjectSpecialFolder(), SF_DRIVES);
  walker.SetObjectName(temp / L"a.txt");
  EXPECT_EQ(walker.ObjectSpecialFolder(), SF_FILESYSTEMFOLDER);
}

}  // namespace
}  // namespace wf
