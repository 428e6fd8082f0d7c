#include <gtest/gtest.h>

#include "shell/core/Dirwalker.h"
#include "tests/shell/core/ShellCoreTestHelpers.h"
#include "tests/support/PassThroughShellFolder.h"
#include "tests/support/TempFolder.h"

namespace wf {
namespace {

using test::TempFolder;

std::wstring Upper(std::wstring s) {
  return AsciiUpperCase(s);
}

TEST(DirwalkerBinding, NewObjectIsBoundToMyComputerWithEmptyFolder) {
  TDirwalker walker;
  EXPECT_EQ(walker.Folder(), L"");
  ASSERT_NE(walker.ShellFolder(), nullptr);
  AbsoluteIdList drives = test::CsidlIdList(CSIDL_DRIVES);
  EXPECT_TRUE(test::SameObject(walker.FolderIdList(), drives.get()));
  EXPECT_EQ(walker.CurrentId(), nullptr);
}

TEST(DirwalkerBinding, EmptyFolderBindsToMyComputerAgain) {
  TempFolder temp;
  TDirwalker walker;
  walker.SetFolder(temp.Path());
  walker.SetFolder(L"");
  EXPECT_EQ(walker.Folder(), L"");
  EXPECT_EQ(walker.SpecialFolder(), SF_DRIVES);
}

TEST(DirwalkerBinding, FolderReadsBackWithTrailingBackslash) {
  TempFolder temp;
  const std::wstring sub = temp.MakeFolder(L"Sub");
  TDirwalker walker;
  walker.SetFolder(sub);
  EXPECT_TRUE(SameText(walker.Folder(), sub + L"\\")) << walker.Folder();
  EXPECT_EQ(walker.Folder().back(), L'\\');
}

TEST(DirwalkerBinding, SamePathInAnotherCaseDoesNothing) {
  TempFolder temp;
  temp.MakeFile(L"a.txt");
  TDirwalker walker;
  walker.SetFolder(temp.Path());
  walker.SetObjectName(L"a.txt");
  ASSERT_NE(walker.CurrentId(), nullptr);
  // A new binding would clear the current object.
  walker.SetFolder(Upper(temp.Path()));
  EXPECT_NE(walker.CurrentId(), nullptr);
  walker.SetFolder(ExcludeTrailingBackslash(Upper(temp.Path())));
  EXPECT_NE(walker.CurrentId(), nullptr);
  EXPECT_EQ(walker.ObjectName(), L"a.txt");
}

TEST(DirwalkerBinding, MissingPathRaisesPathAndPlatformTextAndKeepsFolder) {
  TempFolder temp;
  TDirwalker walker;
  walker.SetFolder(temp.Path());
  const std::wstring before = walker.Folder();
  const std::wstring missing = temp / L"no\\such\\folder";
  try {
    walker.SetFolder(missing);
    FAIL() << "no error raised";
  } catch (const EDirwalkerError& e) {
    EXPECT_EQ(e.Message(), missing + L"\r\n" + SystemErrorText(ERROR_PATH_NOT_FOUND));
  }
  EXPECT_EQ(walker.Folder(), before);
  EXPECT_TRUE(SameText(IdListToPath(walker.FolderIdList()) + L"\\", before));
}

TEST(DirwalkerBinding, EmptyIdListBindsTheDesktopItself) {
  TDirwalker walker;
  walker.SetFolderIDList(ShellModule::EmptyIdList());
  EXPECT_EQ(walker.ShellFolder(), ShellModule::DesktopFolder());
  EXPECT_EQ(IdListCount(walker.FolderIdList()), 0u);
  const std::wstring desktop_path = IdListToPath(ShellModule::EmptyIdList());
  EXPECT_EQ(walker.Folder(), desktop_path.empty() ? L"" : IncludeTrailingBackslash(desktop_path));
}

TEST(DirwalkerBinding, NoIdListLeavesTheObjectUnbound) {
  TDirwalker walker;
  walker.SetFolderIDList(nullptr);
  EXPECT_EQ(walker.FolderIdList(), nullptr);
  EXPECT_EQ(walker.ShellFolder(), nullptr);
  EXPECT_EQ(walker.Folder(), L"");
  EXPECT_FALSE(walker.NextObject());
  EXPECT_EQ(walker.ObjectName(), L"");
  EXPECT_FALSE(walker.IsFolder());
}

TEST(DirwalkerBinding, NonAnsiFolderBindsByPath) {
  TempFolder temp;
  const std::wstring folder = temp.MakeFolder(TempFolder::NonAnsiName(L""));
  temp.MakeFile(TempFolder::NonAnsiName(L"") + L"\\inner.txt");
  TDirwalker walker;
  walker.SetFolder(folder);
  EXPECT_TRUE(SameText(walker.Folder(), folder + L"\\")) << walker.Folder();
  EXPECT_EQ(test::EnumerateNames(walker), std::vector<std::wstring>{L"inner.txt"});
}

TEST(DirwalkerBinding, SelectFolderInParentMakesTheFolderCurrent) {
  TempFolder temp;
  const std::wstring sub = temp.MakeFolder(L"sub");
  TDirwalker walker;
  walker.SetFolder(sub);
  EXPECT_TRUE(walker.SelectFolderInParent());
  EXPECT_TRUE(SameText(walker.Folder(), temp.Path()));
  EXPECT_EQ(walker.ObjectName(), L"sub");
  EXPECT_TRUE(walker.IsFolder());
}

TEST(DirwalkerBinding, SelectFolderInParentAtTheDesktopStaysThere) {
  TDirwalker walker;
  walker.SetSpecialFolder(SF_DESKTOP);
  EXPECT_TRUE(walker.SelectFolderInParent());
  EXPECT_EQ(walker.ShellFolder(), ShellModule::DesktopFolder());
  EXPECT_EQ(walker.CurrentId(), nullptr);
}

TEST(DirwalkerBinding, SetFolderAndObjectSplitsTheList) {
  TempFolder temp;
  const std::wstring file = temp.MakeFile(L"doc.txt");
  AbsoluteIdList list = PathToIdList(file);
  TDirwalker walker;
  walker.SetFolderAndObject(list.get());
  EXPECT_TRUE(SameText(walker.Folder(), temp.Path()));
  EXPECT_EQ(walker.ObjectName(), L"doc.txt");
  EXPECT_TRUE(test::SameObject(walker.AbsoluteIdList(), list.get()));

  walker.SetFolderAndObject(ShellModule::EmptyIdList());
  EXPECT_EQ(walker.SpecialFolder(), SF_DESKTOP);
  EXPECT_EQ(walker.CurrentId(), nullptr);
}

TEST(DirwalkerBinding, OpenObjectEntersFoldersOnly) {
  TempFolder temp;
  temp.MakeFolder(L"sub");
  temp.MakeFile(L"file.txt");
  TDirwalker walker;
  walker.SetFolder(temp.Path());
  walker.SetObjectName(L"file.txt");
  EXPECT_FALSE(walker.OpenObject());
  EXPECT_TRUE(SameText(walker.Folder(), temp.Path()));
  EXPECT_EQ(walker.ObjectName(), L"file.txt");

  walker.SetObjectName(L"sub");
  EXPECT_TRUE(walker.OpenObject());
  EXPECT_TRUE(SameText(walker.Folder(), temp / L"sub\\"));
  EXPECT_EQ(walker.CurrentId(), nullptr);
}

TEST(DirwalkerBinding, FolderIdListCopyIsAnIndependentCopy) {
  TempFolder temp;
  TDirwalker walker;
  walker.SetFolder(temp.Path());
  AbsoluteIdList copy = walker.FolderIdListCopy();
  ASSERT_TRUE(copy);
  EXPECT_NE(copy.get(), walker.FolderIdList());
  EXPECT_TRUE(test::SameObject(copy.get(), walker.FolderIdList()));
}

TEST(DirwalkerBinding, BindingClearsCurrentObjectAndRestartsEnumeration) {
  TempFolder temp;
  temp.MakeFile(L"a.txt");
  temp.MakeFile(L"b.txt");
  TDirwalker walker;
  walker.SetFolder(temp.Path());
  ASSERT_TRUE(walker.NextObject());
  const std::wstring first = walker.ObjectName();
  walker.SetFolderIDList(walker.FolderIdList());
  EXPECT_EQ(walker.CurrentId(), nullptr);
  ASSERT_TRUE(walker.NextObject());
  EXPECT_EQ(walker.ObjectName(), first);
}

// Wine's shell binds a file as an (empty) folder, where Windows refuses: the
// desktop in place here refuses as Windows does, so that our side of the
// refusal runs.
class DesktopRefusingFiles : public test::PassThroughShellFolder {
 public:
  explicit DesktopRefusingFiles(Microsoft::WRL::ComPtr<IShellFolder2> real)
      : PassThroughShellFolder(std::move(real)) {}

  HRESULT STDMETHODCALLTYPE BindToObject(PCUIDLIST_RELATIVE id, IBindCtx* bind, REFIID iid,
                                         void** out) override {
    wchar_t path[MAX_PATH] = {};
    if (SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(id), path)) {
      const DWORD attributes = GetFileAttributesW(path);
      if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ++refused;
        *out = nullptr;
        return E_FAIL;
      }
    }
    return PassThroughShellFolder::BindToObject(id, bind, iid, out);
  }

  int refused = 0;
};

TEST(DirwalkerBinding, FileIsNoFolderToBindTo) {
  TempFolder temp;
  const std::wstring file = temp.MakeFile(L"plain.txt");
  const auto desktop = test::PassThroughShellFolder::OverDesktop<DesktopRefusingFiles>();
  const ShellModule::DesktopFolderOverride refusing(desktop);
  ASSERT_EQ(ShellModule::DesktopFolder(), static_cast<IShellFolder*>(desktop.Get()));
  TDirwalker walker;
  walker.SetFolder(temp.Path());
  const std::wstring before = walker.Folder();
  AbsoluteIdList list = PathToIdList(file);
  ASSERT_TRUE(list);
  try {
    walker.SetFolderIDList(list.get());
    ADD_FAILURE() << "the file was bound as a folder";
  } catch (const EDirwalkerError& e) {
    EXPECT_EQ(e.Message(),
              L"Dirwalker.SetFolderIDList: Desktop.BindToObject: Could not get Folder");
  }
  EXPECT_EQ(desktop->refused, 1);
  // A failed binding keeps the previous one whole.
  EXPECT_EQ(walker.Folder(), before);
  EXPECT_TRUE(SameText(IdListToPath(walker.FolderIdList()) + L"\\", before));
}

TEST(DirwalkerBinding, LoadedAfterOwnersLoadingAndByMarkLoaded) {
  TComponent owner(nullptr);
  owner.BeginLoading();
  TDirwalker* walker = new TDirwalker(&owner);
  EXPECT_FALSE(walker->IsLoaded());
  owner.EndLoading();
  EXPECT_TRUE(walker->IsLoaded());

  TDirwalker loose;
  EXPECT_FALSE(loose.IsLoaded());
  loose.MarkLoaded();
  EXPECT_TRUE(loose.IsLoaded());
}

TEST(DirwalkerBinding, VersionNamesTheClass) {
  TDirwalker walker;
  EXPECT_EQ(walker.Version().rfind(L"TDirwalker", 0), 0u);
}

}  // namespace
}  // namespace wf
