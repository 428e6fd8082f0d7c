#include <gtest/gtest.h>

#include "framework/Application.h"
#include "framework/Cursor.h"
#include "framework/Form.h"
#include "shell/core/Dirwalker.h"
#include "tests/shell/core/ShellCoreTestHelpers.h"
#include "tests/support/TempFolder.h"

namespace wf {
namespace {

using test::TempFolder;

TEST(DirwalkerObjectName, DriveRootLeavesMyComputerWithTheDriveCurrent) {
  TDirwalker walker;
  walker.SetObjectName(L"C:\\");
  EXPECT_EQ(walker.Folder(), L"");
  EXPECT_EQ(walker.SpecialFolder(), SF_DRIVES);
  EXPECT_EQ(walker.ObjectName(), L"C:\\");
  EXPECT_TRUE(walker.IsFolder());
}

TEST(DirwalkerObjectName, DriveWithoutBackslashIsTheSameRoot) {
  TempFolder temp;
  TDirwalker walker;
  walker.SetFolder(temp.Path());
  walker.SetObjectName(L"c:");
  EXPECT_EQ(walker.SpecialFolder(), SF_DRIVES);
  EXPECT_EQ(walker.ObjectName(), L"C:\\");
}

TEST(DirwalkerObjectName, FullPathsOfFilesAndFoldersMoveTheFolder) {
  TempFolder temp;
  temp.MakeFolder(L"sub");
  const std::wstring file = temp.MakeFile(L"sub\\deep.txt");
  TDirwalker walker;
  walker.SetObjectName(file);
  EXPECT_TRUE(SameText(walker.Folder(), temp / L"sub\\")) << walker.Folder();
  EXPECT_EQ(walker.ObjectName(), L"deep.txt");

  // A trailing backslash names the folder itself.
  walker.SetObjectName(temp / L"sub\\");
  EXPECT_TRUE(SameText(walker.Folder(), temp.Path())) << walker.Folder();
  EXPECT_EQ(walker.ObjectName(), L"sub");
}

TEST(DirwalkerObjectName, NonAnsiNameIsFoundByNameAndByPath) {
  TempFolder temp;
  const std::wstring name = TempFolder::NonAnsiName();
  const std::wstring file = temp.MakeFile(name, 10);
  TDirwalker walker;
  walker.SetFolder(temp.Path());
  walker.SetObjectName(name);
  EXPECT_EQ(walker.ObjectName(), name);
  EXPECT_TRUE(SameText(IdListToPath(walker.AbsoluteIdList()), file));

  TDirwalker by_path;
  by_path.SetObjectName(file);
  EXPECT_TRUE(SameText(by_path.Folder(), temp.Path()));
  EXPECT_EQ(by_path.ObjectName(), name);
}

TEST(DirwalkerObjectName, DisplayNameFindsObjectsTheShellCannotParse) {
  // My Computer has no parsing name on the desktop that equals its display
  // name, so the search by display name is what finds it.
  TDirwalker walker;
  walker.SetSpecialFolder(SF_DESKTOP);
  std::wstring display_name;
  while (walker.NextObject()) {
    if (walker.ObjectSpecialFolder() == SF_DRIVES) {
      display_name = walker.DisplayName();
      break;
    }
  }
  ASSERT_FALSE(display_name.empty());
  // Leave the enumeration running past the object: the search must still
  // look at the whole folder.
  walker.NextObject();
  walker.SetObjectName(AsciiUpperCase(display_name));
  EXPECT_EQ(walker.ObjectSpecialFolder(), SF_DRIVES);
  // After a successful search the next enumeration starts from the top.
  TDirwalker fresh;
  fresh.SetSpecialFolder(SF_DESKTOP);
  ASSERT_TRUE(fresh.NextObject());
  ASSERT_TRUE(walker.NextObject());
  EXPECT_TRUE(test::SameObject(walker.AbsoluteIdList(), fresh.AbsoluteIdList()));
}

TEST(DirwalkerObjectName, UnknownNameRaisesAndLeavesNoCurrentObject) {
  TempFolder temp;
  temp.MakeFile(L"a.txt");
  TDirwalker walker;
  walker.SetFolder(temp.Path());
  walker.SetObjectName(L"a.txt");
  try {
    walker.SetObjectName(L"x");
    FAIL() << "no error raised";
  } catch (const EDirwalkerError& e) {
    EXPECT_EQ(e.Message(),
              L"Error! Cannot find Object \"x\" in Folder \"" + walker.Folder() + L"\"");
  }
  EXPECT_EQ(walker.CurrentId(), nullptr);
  EXPECT_EQ(walker.ObjectName(), L"");
}

TEST(DirwalkerObjectName, EmptyNameClearsTheCurrentObject) {
  TempFolder temp;
  temp.MakeFile(L"a.txt");
  TDirwalker walker;
  walker.SetFolder(temp.Path());
  walker.SetObjectName(L"a.txt");
  walker.SetObjectName(L"");
  EXPECT_EQ(walker.CurrentId(), nullptr);
  EXPECT_EQ(walker.ObjectName(), L"");
  EXPECT_EQ(walker.DisplayName(), L"");
}

TEST(DirwalkerObjectName, ObjectsWithoutFindDataOnTheDesktopHaveNoName) {
  TDirwalker walker;
  walker.SetSpecialFolder(SF_DRIVES);
  walker.SelectFolderInParent();
  EXPECT_EQ(walker.ObjectName(), L"");
  EXPECT_FALSE(walker.DisplayName().empty());
  EXPECT_EQ(walker.NetworkName(), L"");
}

TEST(DirwalkerCurrentObject, SetCurrentIdCopiesAndDropsTheCaches) {
  TempFolder temp;
  temp.MakeFile(L"a.txt");
  temp.MakeFile(L"b.txt");
  TDirwalker walker;
  walker.SetFolder(temp.Path());
  walker.SetObjectName(L"a.txt");
  ChildIdList a = walker.ObjectIdCopy();
  walker.SetObjectName(L"b.txt");
  PCIDLIST_ABSOLUTE b_absolute = walker.AbsoluteIdList();
  EXPECT_EQ(walker.AbsoluteIdList(), b_absolute) << "built once per object";
  EXPECT_TRUE(SameText(IdListToPath(b_absolute), temp / L"b.txt"));

  walker.SetCurrentId(a.get());
  EXPECT_NE(walker.CurrentId(), a.get());
  EXPECT_EQ(walker.ObjectName(), L"a.txt");
  EXPECT_TRUE(SameText(IdListToPath(walker.AbsoluteIdList()), temp / L"a.txt"));

  walker.SetCurrentId(nullptr);
  EXPECT_EQ(walker.CurrentId(), nullptr);
  EXPECT_TRUE(test::SameObject(walker.AbsoluteIdList(), walker.FolderIdList()));
}

TEST(DirwalkerCurrentObject, AttributesOfFilesFoldersHiddenFilesAndLinks) {
  TempFolder temp;
  temp.MakeFile(L"plain.txt");
  const std::wstring sub = temp.MakeFolder(L"sub");
  temp.MakeHiddenFile(L"hidden.txt");
  temp.MakeLink(L"to sub.lnk", sub);
  TDirwalker walker;
  walker.SetFolder(temp.Path());

  walker.SetObjectName(L"plain.txt");
  EXPECT_FALSE(walker.IsFolder());
  EXPECT_FALSE(walker.IsHidden());
  EXPECT_FALSE(walker.IsLink());
  EXPECT_TRUE(walker.CanRename());
  EXPECT_TRUE(walker.Attributes(SFGAO_FILESYSTEM) & SFGAO_FILESYSTEM);

  walker.SetObjectName(L"sub");
  EXPECT_TRUE(walker.IsFolder());
  walker.SetFileSystemOnly(true);
  EXPECT_TRUE(walker.IsFolder());
  walker.SetFileSystemOnly(false);

  walker.SetObjectName(L"hidden.txt");
  EXPECT_TRUE(walker.IsHidden());

  walker.SetObjectName(L"to sub.lnk");
  EXPECT_TRUE(walker.IsLink());

  walker.SetCurrentId(nullptr);
  EXPECT_EQ(walker.Attributes(SFGAO_FOLDER | SFGAO_HIDDEN), 0u);
  EXPECT_FALSE(walker.IsFolder());
}

TEST(DirwalkerCurrentObject, LinkTargetFolderOnlyForLinksToFolders) {
  TempFolder temp;
  const std::wstring target = temp.MakeFolder(TempFolder::NonAnsiName(L" target"));
  const std::wstring file = temp.MakeFile(L"file.txt");
  temp.MakeLink(L"folder link", target);
  temp.MakeLink(L"file link", file);
  TDirwalker walker;
  walker.SetFolder(temp.Path());

  walker.SetObjectName(L"folder link.lnk");
  EXPECT_TRUE(SameText(walker.LinkTargetFolder(), target)) << walker.LinkTargetFolder();
  walker.SetObjectName(L"file link.lnk");
  EXPECT_EQ(walker.LinkTargetFolder(), L"") << walker.LinkTargetFolder();
  walker.SetObjectName(L"file.txt");
  EXPECT_EQ(walker.LinkTargetFolder(), L"");
}

TEST(DirwalkerCurrentObject, MatchesFilterKeepsFoldersAndMatchingNames) {
  TempFolder temp;
  temp.MakeFile(L"a.txt");
  temp.MakeFile(L"b.doc");
  temp.MakeFolder(L"sub.doc");
  TDirwalker walker;
  walker.SetFolder(temp.Path());
  walker.SetFilter(L"*.TXT");
  walker.SetObjectName(L"a.txt");
  EXPECT_TRUE(walker.MatchesFilter());
  walker.SetObjectName(L"b.doc");
  EXPECT_FALSE(walker.MatchesFilter());
  walker.SetObjectName(L"sub.doc");
  EXPECT_TRUE(walker.MatchesFilter());
  walker.SetFilter(L"x;*");
  walker.SetObjectName(L"b.doc");
  EXPECT_TRUE(walker.MatchesFilter());
}

TEST(DirwalkerRename, RenamesInItsFolderAndSelectsTheNewObject) {
  TempFolder temp;
  temp.MakeFile(L"old.txt", 5);
  TDirwalker walker;
  test::Quiet(walker);
  walker.SetFolder(temp.Path());
  walker.SetObjectName(L"old.txt");
  std::wstring name = L"new.txt";
  walker.RenameObject(name);
  EXPECT_TRUE(test::FileExists(temp / L"new.txt"));
  EXPECT_FALSE(test::FileExists(temp / L"old.txt"));
  EXPECT_EQ(walker.ObjectName(), L"new.txt");
  EXPECT_EQ(name, walker.DisplayName());
  EXPECT_EQ(Screen().Cursor(), crDefault);
}

TEST(DirwalkerRename, NonAnsiNewName) {
  TempFolder temp;
  temp.MakeFile(L"old.txt");
  TDirwalker walker;
  test::Quiet(walker);
  walker.SetFolder(temp.Path());
  walker.SetObjectName(L"old.txt");
  std::wstring name = TempFolder::NonAnsiName();
  walker.RenameObject(name);
  EXPECT_TRUE(test::FileExists(temp / TempFolder::NonAnsiName()));
  EXPECT_EQ(walker.ObjectName(), TempFolder::NonAnsiName());
}

TEST(DirwalkerRename, FailureLeavesTheObjectAndAnswersItsDisplayName) {
  TempFolder temp;
  temp.MakeFile(L"one.txt");
  temp.MakeFile(L"two.txt");
  TDirwalker walker;
  test::Quiet(walker);
  walker.SetFolder(temp.Path());
  walker.SetObjectName(L"one.txt");
  const std::wstring display_name = walker.DisplayName();
  std::wstring name = L"two.txt";  // taken
  walker.RenameObject(name);
  EXPECT_TRUE(test::FileExists(temp / L"one.txt"));
  EXPECT_EQ(walker.ObjectName(), L"one.txt");
  EXPECT_EQ(name, display_name);
}

TEST(DirwalkerOwnerWindow, ZeroWhenQuietElseOwnerOrMainWindow) {
  TDirwalker loose;
  loose.SetShowErrorMessages(false);
  EXPECT_EQ(loose.ShellOwnerWindow(), nullptr);
  loose.SetShowErrorMessages(true);
  ASSERT_NE(Application, nullptr);
  EXPECT_EQ(loose.ShellOwnerWindow(), Application->MainWindowHandle());

  TForm form(nullptr);
  TDirwalker* owned = new TDirwalker(&form);
  // Before loading has finished the owner's window is not asked for.
  EXPECT_EQ(owned->ShellOwnerWindow(), Application->MainWindowHandle());
  owned->MarkLoaded();
  EXPECT_EQ(owned->ShellOwnerWindow(), form.Handle());
  owned->SetShowErrorMessages(false);
  EXPECT_EQ(owned->ShellOwnerWindow(), nullptr);
}

}  // namespace
}  // namespace wf
