// The rows' icons come from the folder's own look-up, which must answer the
// system image list indexes SHGetFileInfo gives for the same objects.
#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "shell/core/IdList.h"
#include "tests/shell/list/ShellListTestSupport.h"

namespace wf::test {
namespace {

using ShellListIconRoute = ShellListTest;

// Asked with the object's absolute id, the way the rows asked before they
// had the folder's own look-up.
int SystemIconIndex(const std::wstring& path, UINT size) {
  const AbsoluteIdList id = PathToIdList(path);
  if (!id) return -1;
  SHFILEINFOW info{};
  info.iIcon = -1;
  SHGetFileInfoW(reinterpret_cast<LPCWSTR>(id.get()), 0, &info, sizeof(info),
                 SHGFI_PIDL | SHGFI_SYSICONINDEX | size);
  return info.iIcon;
}

// Folders, links, documents of registered types, an executable with an
// icon of its own and one without, and a file without an extension; the
// system image list shares its indexes between small and large icons.
// Where Wine's routes differ the rows keep SHGetFileInfo's index: the
// folder's look-up answers a link with the link arrow drawn into its icon
// (which the overlay would then draw again), and its open-folder index is
// another than SHGFI_OPENICON's (the rows show closed icons only). Wine
// gives executables the plain document's icon by every route.
TEST_F(ShellListIconRoute, RowsShowTheIndexesSHGetFileInfoGives) {
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  ASSERT_TRUE(CopyFileW((std::wstring(system) + L"\\notepad.exe").c_str(),
                        (folder_ / L"own icon.exe").c_str(), TRUE));
  folder_.MakeFile(L"plain.exe", 2);
  folder_.MakeFolder(L"sub");
  folder_.MakeFile(L"doc.txt", 3);
  folder_.MakeFile(L"setup.ini", 3);
  folder_.MakeFile(L"run.bat", 3);
  folder_.MakeFile(L"page.html", 3);
  folder_.MakeFile(L"README", 3);
  folder_.MakeLink(L"to doc", folder_ / L"doc.txt");
  folder_.MakeLink(L"to sub", folder_ / L"sub");
  const std::vector<std::wstring> names{L"own icon.exe", L"plain.exe", L"sub",       L"doc.txt",
                                        L"setup.ini",    L"run.bat",   L"page.html", L"README",
                                        L"to doc.lnk",   L"to sub.lnk"};
  TKivShellList& list = MakeList();
  list.SetShowParentFolder(true);
  list.SetPath(folder_.Path());
  ShowAndDraw();

  for (const std::wstring& name : names) {
    const int row = IndexOfCaption(list, ShellDisplayName(folder_.Path(), name));
    ASSERT_GE(row, 0) << name;
    const std::wstring path = folder_ / name;
    const int small = SystemIconIndex(path, SHGFI_SMALLICON);
    ASSERT_GE(small, 0) << name;
    EXPECT_EQ(SystemIconIndex(path, SHGFI_LARGEICON), small) << name;
    EXPECT_EQ(list.Items()[row]->ImageIndex(), small) << name;
  }
  // The parent-folder entry shows a folder's closed icon.
  const int parent = IndexOfCaption(list, L" .. ");
  ASSERT_GE(parent, 0);
  EXPECT_EQ(list.Items()[parent]->ImageIndex(), SystemIconIndex(folder_.Path(), SHGFI_SMALLICON));
}

}  // namespace
}  // namespace wf::test
