#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <shellapi.h>
#include <winioctl.h>
#include <wrl/client.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/Graphics.h"
#include "framework/Handles.h"
#include "framework/Strings.h"
#include "shell/core/IdList.h"
#include "shell/core/ShellModule.h"
#include "shell/core/ShellUtils.h"
#include "tests/support/TempFolder.h"

namespace wf {
namespace {

using Microsoft::WRL::ComPtr;
using test::TempFolder;

struct GlobalDeleter {
  void operator()(HGLOBAL memory) const { GlobalFree(memory); }
};
using UniqueGlobal = Unique<HGLOBAL, GlobalDeleter>;

// A file-drop block as a drag source builds it: the header, then each name
// with its terminator, then one more terminator. An empty list still gets two
// terminators: Wine reads past a lone one.
UniqueGlobal MakeDrop(const std::vector<std::wstring>& names) {
  std::wstring text;
  for (const auto& name : names) text += name + L'\0';
  text += names.empty() ? std::wstring(2, L'\0') : std::wstring(1, L'\0');
  const size_t bytes = text.size() * sizeof(wchar_t);
  UniqueGlobal memory(GlobalAlloc(GHND, sizeof(DROPFILES) + bytes));
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory.get()));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), text.data(), bytes);
  GlobalUnlock(memory.get());
  return memory;
}

std::vector<std::wstring> Items(const std::unique_ptr<TStringList>& list) {
  return list ? list->Items() : std::vector<std::wstring>{};
}

// Holds the clipboard open for one change, owned by the application window
// (with no owner the platform refuses the data).
void PutOnClipboard(UINT format, HANDLE data) {
  ASSERT_TRUE(OpenClipboard(Application->Handle()));
  EmptyClipboard();
  const bool taken = SetClipboardData(format, data) != nullptr;
  CloseClipboard();
  ASSERT_TRUE(taken);
}

UniqueGlobal MakeText(const std::wstring& text) {
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  UniqueGlobal memory(GlobalAlloc(GHND, bytes));
  std::memcpy(GlobalLock(memory.get()), text.c_str(), bytes);
  GlobalUnlock(memory.get());
  return memory;
}

TEST(ShellUtilsPaths, RootPaths) {
  for (const wchar_t* root : {L"C:", L"C:\\", L"\\\\server\\share", L"\\\\server\\share\\"})
    EXPECT_TRUE(IsRootPath(root)) << ToUtf8(root);
  for (const wchar_t* other : {L"", L"C:\\Windows", L"C:\\Windows\\", L"\\\\server",
                               L"\\\\server\\", L"\\\\server\\share\\dir", L"Windows\\"})
    EXPECT_FALSE(IsRootPath(other)) << ToUtf8(other);
}

TEST(ShellUtilsPaths, UncServerAndShare) {
  EXPECT_FALSE(IsUncWithShare(L"\\\\server"));
  EXPECT_FALSE(IsUncWithShare(L"\\\\a"));
  EXPECT_FALSE(IsUncWithShare(L"C:\\Windows"));
  EXPECT_TRUE(IsUncWithShare(L"\\\\server\\share"));
  EXPECT_EQ(UncServerName(L"\\\\server\\share\\dir"), L"server");
  EXPECT_EQ(UncServerName(L"\\\\server\\share"), L"server");
  EXPECT_EQ(UncServerName(L"\\\\server"), L"");
  EXPECT_EQ(UncServerName(L"C:\\dir\\x"), L"");
}

TEST(ShellUtilsPaths, DotNames) {
  EXPECT_TRUE(IsDotName(L"."));
  EXPECT_TRUE(IsDotName(L".."));
  for (const wchar_t* name : {L"", L"...", L".a", L"a."})
    EXPECT_FALSE(IsDotName(name)) << ToUtf8(name);
}

TEST(ShellUtilsFiles, PathExists) {
  TempFolder temp;
  const std::wstring file = temp.MakeFile(TempFolder::NonAnsiName());
  // A bare root is found by no search, yet it exists.
  EXPECT_TRUE(PathExists(L"C:\\"));
  EXPECT_TRUE(PathExists(file));
  EXPECT_TRUE(PathExists(temp.MakeFolder(L"sub")));
  EXPECT_FALSE(PathExists(temp / L"missing.txt"));
  EXPECT_FALSE(PathExists(L""));
}

// One reading of a folder answers for every path in it, as PathExists
// would: in any case, by short name too, and for names gone before it.
TEST(ShellUtilsFiles, PathPresenceAnswersAsPathExists) {
  TempFolder temp;
  const std::wstring nonAnsi = temp.MakeFile(TempFolder::NonAnsiName(L".txt"));
  const std::wstring kept = temp.MakeFile(L"Kept File.txt");
  const std::wstring gone = temp.MakeFile(L"gone.txt");
  const std::wstring sub = temp.MakeFolder(L"sub");
  const std::wstring inSub = temp.MakeFile(L"sub\\inner.txt");
  ASSERT_TRUE(DeleteFileW(gone.c_str()));
  wchar_t shortName[MAX_PATH] = {};
  GetShortPathNameW(kept.c_str(), shortName, MAX_PATH);

  PathPresence presence;
  const std::vector<std::wstring> paths{kept,
                                        nonAnsi,
                                        sub,
                                        inSub,
                                        gone,
                                        temp / L"KEPT FILE.TXT",
                                        shortName,
                                        temp / L"never.txt",
                                        temp / L"missing\\a.txt",
                                        temp.Path(),
                                        L"C:\\",
                                        L"",
                                        temp / L"*.txt",
                                        temp / L"sub\\..",
                                        inSub};
  for (const std::wstring& path : paths)
    EXPECT_EQ(presence.Exists(path), PathExists(path)) << ToUtf8(path);
  EXPECT_TRUE(presence.Exists(temp / L"kept file.TXT"));
  EXPECT_FALSE(presence.Exists(gone));
}

// The id of `name` in `folder`, found among the folder's objects: Wine's
// shell parses no path of MAX_PATH characters or more.
AbsoluteIdList ListedObjectId(const std::wstring& folder, const std::wstring& name) {
  AbsoluteIdList folder_list = PathToIdList(folder);
  ComPtr<IShellFolder> shell_folder;
  ComPtr<IEnumIDList> objects;
  if (!folder_list ||
      FAILED(ShellModule::DesktopFolder()->BindToObject(
          folder_list.get(), nullptr, IID_IShellFolder,
          reinterpret_cast<void**>(shell_folder.GetAddressOf()))) ||
      shell_folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS,
                                objects.GetAddressOf()) != S_OK)
    return {};
  ChildIdList child;
  while (objects->Next(1, child.put(), nullptr) == S_OK) {
    STRRET reply{};
    if (SUCCEEDED(shell_folder->GetDisplayNameOf(child.get(), SHGDN_INFOLDER | SHGDN_FORPARSING,
                                                 &reply)) &&
        StrRetToString(child.get(), reply) == name)
      return ConcatIdLists(folder_list.get(), child.get());
  }
  return {};
}

// Wine's shell answers a longer path cut at MAX_PATH - 1 characters, with
// success, and lists nothing in a folder that deep; its file calls take
// paths of any length. So the ids here are of the objects one level past
// the limit, which their folder still lists.
TEST(ShellUtilsFiles, PathHelpersTakePathsLongerThanMaxPath) {
  TempFolder temp;
  const std::wstring outer = temp.MakeFolderOfLength(240);
  const std::wstring below_temp = outer.substr(temp.Path().size()) + L"\\";
  const std::wstring deep = temp.MakeFolder(below_temp + std::wstring(60, L'e'));
  const std::wstring file = temp.MakeFile(below_temp + std::wstring(40, L'f'), 5);
  const std::wstring deepest =
      temp.MakeFolder(deep.substr(temp.Path().size()) + L"\\" + std::wstring(60, L'g'));
  const std::wstring deepest_file = temp.MakeFile(deepest.substr(temp.Path().size()) + L"\\h", 7);
  ASSERT_GT(deepest_file.size(), 350u);

  EXPECT_TRUE(PathExists(deepest));
  EXPECT_TRUE(PathExists(deepest_file));
  EXPECT_FALSE(PathExists(deepest + L"\\missing"));
  EXPECT_EQ(FileSize(deepest_file), 7);
  PathPresence presence;
  EXPECT_TRUE(presence.Exists(deepest_file));
  EXPECT_FALSE(presence.Exists(deepest + L"\\missing"));

  EXPECT_EQ(IdListToPath(ListedObjectId(outer, std::wstring(60, L'e')).get()), deep);
  EXPECT_EQ(IdListToPath(ListedObjectId(outer, std::wstring(40, L'f')).get()), file);
  // A shell that parses such a path names the object whole; one that does
  // not makes the error say why.
  if (AbsoluteIdList parsed = PathToIdList(deepest_file)) {
    EXPECT_EQ(IdListToPath(parsed.get()), deepest_file);
  } else {
    EXPECT_EQ(UnparsedPathError(deepest_file), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
  }
  EXPECT_EQ(UnparsedPathError(deepest + L"\\missing"), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(ShellUtilsFiles, DriveReady) {
  TempFolder temp;
  EXPECT_TRUE(DriveReady(L"C:\\"));
  EXPECT_TRUE(DriveReady(temp.MakeFile(L"a.txt")));
  const DWORD drives = GetLogicalDrives();
  for (wchar_t letter = L'Y'; letter > L'D'; --letter) {
    if (drives & (1u << (letter - L'A'))) continue;
    EXPECT_FALSE(DriveReady(std::wstring(1, letter) + L":\\dir\\file.txt")) << char(letter);
    break;
  }
}

TEST(ShellUtilsFiles, FileSizeSmallAndMissing) {
  TempFolder temp;
  EXPECT_EQ(FileSize(temp / L"missing.txt"), -1);
  EXPECT_EQ(FileSize(temp.MakeFile(L"empty.txt")), 0);
  EXPECT_EQ(FileSize(temp.MakeFile(L"small.bin", 12345)), 12345);
  EXPECT_EQ(FileSize(temp.MakeFile(TempFolder::NonAnsiName(), 7)), 7);
}

// Sizes with bits in the high word and in the top bit of the low word catch
// both a 32-bit truncation and a sign-extended low word.
TEST(ShellUtilsFiles, FileSizeAbove4GBIsWhole) {
  TempFolder temp;
  for (const int64_t size : {int64_t{5} << 30, (int64_t{7} << 30) + 7}) {
    const std::wstring path = temp / (L"big" + std::to_wstring(size) + L".bin");
    {
      UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
      ASSERT_TRUE(file);
      // Sparse where the platform offers it; elsewhere the host's file
      // system keeps the unwritten range unallocated anyway.
      DWORD returned = 0;
      DeviceIoControl(file.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
      LARGE_INTEGER end;
      end.QuadPart = size;
      ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
      ASSERT_TRUE(SetEndOfFile(file.get()));
    }
    EXPECT_EQ(FileSize(path), size);
    DeleteFileW(path.c_str());
  }
}

TEST(ShellUtilsFiles, TempPath) {
  wchar_t platform[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, platform);
  const std::wstring path = TempPath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.back(), L'\\');
  EXPECT_EQ(path, platform);
  const DWORD attributes = GetFileAttributesW(path.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(ShellUtilsFileLists, DropFilesToList) {
  EXPECT_EQ(DropFilesToList(nullptr), nullptr);
  // Wine counts an empty list as one empty name.
  UniqueGlobal none = MakeDrop({});
  EXPECT_EQ(DropFilesToList(static_cast<HDROP>(none.get())), nullptr);

  // Longer than MAX_PATH: a fixed buffer of that size would cut it short.
  const std::vector<std::wstring> names = {
      L"C:\\one.txt", L"C:\\folder\\" + TempFolder::NonAnsiName(),
      L"C:\\deep\\" + std::wstring(150, L'x') + L"\\" + std::wstring(150, L'y') + L".txt"};
  ASSERT_GT(names[2].size(), MAX_PATH);
  UniqueGlobal drop = MakeDrop(names);
  EXPECT_EQ(Items(DropFilesToList(static_cast<HDROP>(drop.get()))), names);
}

TEST(ShellUtilsFileLists, DataObjectFiles) {
  EXPECT_EQ(DataObjectFiles(nullptr), nullptr);

  TempFolder temp;
  const std::vector<std::wstring> paths = {temp.MakeFile(L"a.txt"),
                                           temp.MakeFile(TempFolder::NonAnsiName())};
  std::vector<AbsoluteIdList> items(paths.size());
  std::vector<PCUITEMID_CHILD> children;
  ComPtr<IShellFolder> folder;
  for (size_t i = 0; i < paths.size(); ++i) {
    ASSERT_HRESULT_SUCCEEDED(
        SHParseDisplayName(paths[i].c_str(), nullptr, items[i].put(), 0, nullptr));
    folder.Reset();
    PCUITEMID_CHILD child = nullptr;
    ASSERT_HRESULT_SUCCEEDED(SHBindToParent(items[i].get(), IID_PPV_ARGS(&folder), &child));
    children.push_back(child);
  }
  ComPtr<IDataObject> data;
  ASSERT_HRESULT_SUCCEEDED(folder->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()),
                                                 children.data(), IID_IDataObject, nullptr,
                                                 reinterpret_cast<void**>(data.GetAddressOf())));
  const auto files = Items(DataObjectFiles(data.Get()));
  ASSERT_EQ(files.size(), paths.size());
  for (size_t i = 0; i < paths.size(); ++i) EXPECT_TRUE(SameText(files[i], paths[i])) << i;

  // The clipboard's data object holding only text: no files, yet a list.
  UniqueGlobal text = MakeText(L"just text");
  PutOnClipboard(CF_UNICODETEXT, text.release());
  ComPtr<IDataObject> clipboard;
  ASSERT_HRESULT_SUCCEEDED(OleGetClipboard(&clipboard));
  const auto empty = DataObjectFiles(clipboard.Get());
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->Count(), 0);
}

TEST(ShellUtilsFileLists, ClipboardFiles) {
  UniqueGlobal text = MakeText(L"C:\\not-a-file-list.txt");
  PutOnClipboard(CF_UNICODETEXT, text.release());
  EXPECT_EQ(ClipboardFiles(), nullptr);

  const std::vector<std::wstring> names = {L"C:\\a.txt", L"C:\\" + TempFolder::NonAnsiName()};
  UniqueGlobal drop = MakeDrop(names);
  PutOnClipboard(CF_HDROP, drop.release());
  EXPECT_EQ(Items(ClipboardFiles()), names);
}

TEST(ShellUtilsLinks, ResolveLink) {
  TempFolder temp;
  const std::wstring target = temp.MakeFile(L"target.txt", 3);
  const std::wstring link = temp.MakeLink(L"shortcut", target);

  EXPECT_TRUE(SameText(ResolveLink(link), target));
  WIN32_FIND_DATAW find_data{};
  EXPECT_TRUE(SameText(ResolveLinkW(link, find_data), target));
  EXPECT_TRUE(SameText(find_data.cFileName, L"target.txt"));

  // A link whose own name no ANSI code page holds.
  EXPECT_TRUE(
      SameText(ResolveLink(temp.MakeLink(TempFolder::NonAnsiName(L".lnk"), target)), target));

  EXPECT_EQ(ResolveLink(target), L"");
  EXPECT_EQ(ResolveLink(temp / L"missing.lnk"), L"");
}

// Wine's IShellLinkW::GetPath answers a loaded link's non-ANSI target with
// question marks; the target must still come back exactly, with its find
// data, for files and folders alike.
TEST(ShellUtilsLinks, ResolveLinkNamesANonAnsiTargetExactly) {
  TempFolder temp;
  // Wine spells the file's target "Omega_??.txt": a find would take the
  // question marks for wildcards and match this decoy.
  temp.MakeFile(L"Omega_XX.txt", 9);
  const std::wstring file = temp.MakeFile(TempFolder::NonAnsiName(), 5);
  const std::wstring folder = temp.MakeFolder(TempFolder::NonAnsiName(L" folder"));

  WIN32_FIND_DATAW find_data{};
  EXPECT_EQ(ResolveLinkW(temp.MakeLink(L"to file", file), find_data), file);
  EXPECT_EQ(std::wstring(find_data.cFileName), TempFolder::NonAnsiName());
  EXPECT_EQ(find_data.nFileSizeLow, 5u);
  EXPECT_FALSE(find_data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);

  find_data = {};
  EXPECT_EQ(ResolveLinkW(temp.MakeLink(L"to folder", folder), find_data), folder);
  EXPECT_TRUE(find_data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(ResolveLink(temp / L"to folder.lnk"), folder);
}

TEST(ShellUtilsWindows, MainWindowHandle) {
  ASSERT_NE(Application, nullptr);
  EXPECT_EQ(MainWindowHandle(), Application->Handle());
  {
    TForm form(nullptr);
    Application->AddForm(&form);
    EXPECT_EQ(MainWindowHandle(), form.Handle());
  }
  // The removal notice of the main form hands the role back to the
  // application's own window.
  EXPECT_EQ(MainWindowHandle(), Application->Handle());

  TApplication* const application = Application;
  Application = nullptr;
  const HWND without = MainWindowHandle();
  Application = application;
  EXPECT_EQ(without, nullptr);
}

TEST(ShellUtilsWindows, UseIconTitleFont) {
  LOGFONTW expected{};
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(expected), &expected, 0));
  TFont font;
  ASSERT_TRUE(UseIconTitleFont(font));
  EXPECT_EQ(font.Name(), expected.lfFaceName);
  EXPECT_EQ(font.Height(), expected.lfHeight);

  // The font handle made from it is the icon-title font, too.
  LOGFONTW made{};
  ASSERT_NE(GetObjectW(font.Handle(), sizeof(made), &made), 0);
  EXPECT_STREQ(made.lfFaceName, expected.lfFaceName);
  EXPECT_EQ(made.lfHeight, expected.lfHeight);
}

}  // namespace
}  // namespace wf
