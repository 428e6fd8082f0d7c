#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "shell/core/IdList.h"
#include "shell/core/ShellModule.h"
#include "tests/shell/core/ShellCoreTestHelpers.h"
#include "tests/support/TempFolder.h"

namespace wf {
namespace {

// A list built byte by byte: items of the given payload sizes, each payload
// filled with its item's index + 1, then the terminator.
template <class T>
BasicIdList<T> MakeList(const std::vector<int>& payloads) {
  size_t bytes = 2;
  for (int p : payloads) bytes += 2 + p;
  auto memory = static_cast<BYTE*>(CoTaskMemAlloc(bytes));
  std::memset(memory, 0, bytes);
  BYTE* at = memory;
  for (size_t i = 0; i < payloads.size(); ++i) {
    const USHORT cb = static_cast<USHORT>(2 + payloads[i]);
    std::memcpy(at, &cb, 2);
    std::memset(at + 2, static_cast<int>(i + 1), payloads[i]);
    at += cb;
  }
  return BasicIdList<T>(reinterpret_cast<T*>(memory));
}

template <class T>
std::vector<BYTE> Bytes(const T* list) {
  auto begin = reinterpret_cast<const BYTE*>(list);
  return std::vector<BYTE>(begin, begin + IdListSize(list));
}

TEST(IdList, SizeAndCountOfNoListAndOfTheEmptyList) {
  EXPECT_EQ(IdListSize(nullptr), 0u);
  EXPECT_EQ(IdListCount(nullptr), 0u);
  EXPECT_EQ(IdListSize(ShellModule::EmptyIdList()), 2u);
  EXPECT_EQ(IdListCount(ShellModule::EmptyIdList()), 0u);
}

TEST(IdList, SizeCountsEveryItemAndTheTerminator) {
  auto list = MakeList<ITEMIDLIST_RELATIVE>({3, 1, 10});
  EXPECT_EQ(IdListSize(list.get()), 5u + 3u + 12u + 2u);
  EXPECT_EQ(IdListCount(list.get()), 3u);
}

TEST(IdList, OwnerMovesAndReleases) {
  auto list = MakeList<ITEMIDLIST_ABSOLUTE>({4});
  const ITEMIDLIST_ABSOLUTE* raw = list.get();
  AbsoluteIdList moved(std::move(list));
  EXPECT_FALSE(list);
  EXPECT_EQ(moved.get(), raw);
  AbsoluteIdList assigned;
  assigned = std::move(moved);
  EXPECT_FALSE(moved);
  ASSERT_TRUE(assigned);
  PIDLIST_ABSOLUTE released = assigned.release();
  EXPECT_FALSE(assigned);
  EXPECT_EQ(released, raw);
  CoTaskMemFree(released);
}

TEST(IdList, CloneCopiesAllBytesAndNoListGivesNone) {
  auto list = MakeList<ITEMIDLIST_ABSOLUTE>({3, 7});
  AbsoluteIdList copy = CloneIdList(list.get());
  ASSERT_TRUE(copy);
  EXPECT_NE(copy.get(), list.get());
  EXPECT_EQ(Bytes(copy.get()), Bytes(list.get()));
  EXPECT_FALSE(CloneIdList(static_cast<PCIDLIST_ABSOLUTE>(nullptr)));
}

TEST(IdList, ConcatJoinsFolderAndRelativeList) {
  auto folder = MakeList<ITEMIDLIST_ABSOLUTE>({3, 4});
  auto child = MakeList<ITEMID_CHILD>({5});
  AbsoluteIdList joined = ConcatIdLists(folder.get(), child.get());
  ASSERT_TRUE(joined);
  EXPECT_EQ(IdListCount(joined.get()), 3u);
  EXPECT_EQ(IdListSize(joined.get()), IdListSize(folder.get()) + IdListSize(child.get()) - 2);
  ChildIdList third = CopyNthId(joined.get(), 2);
  EXPECT_EQ(Bytes(third.get()), Bytes(child.get()));
}

TEST(IdList, ConcatWithOneSideAbsentCopiesTheOther) {
  auto folder = MakeList<ITEMIDLIST_ABSOLUTE>({3});
  auto child = MakeList<ITEMID_CHILD>({5});
  EXPECT_EQ(Bytes(ConcatIdLists(folder.get(), nullptr).get()), Bytes(folder.get()));
  AbsoluteIdList only_child = ConcatIdLists(nullptr, child.get());
  EXPECT_EQ(IdListSize(only_child.get()), IdListSize(child.get()));
  EXPECT_FALSE(ConcatIdLists(nullptr, nullptr));
}

TEST(IdList, NthAndLastIdAreOneItemLists) {
  auto list = MakeList<ITEMIDLIST_RELATIVE>({2, 6, 9});
  ChildIdList second = CopyNthId(list.get(), 1);
  ASSERT_TRUE(second);
  EXPECT_EQ(IdListCount(second.get()), 1u);
  EXPECT_EQ(IdListSize(second.get()), 8u + 2u);
  EXPECT_EQ(reinterpret_cast<const BYTE*>(second.get())[2], 2);
  ChildIdList last = LastId(list.get());
  EXPECT_EQ(IdListSize(last.get()), 11u + 2u);
  EXPECT_EQ(reinterpret_cast<const BYTE*>(last.get())[2], 3);
  EXPECT_FALSE(CopyNthId(list.get(), 3));
  EXPECT_FALSE(LastId(ShellModule::EmptyIdList()));
  EXPECT_FALSE(LastId(nullptr));
}

TEST(IdList, TruncateKeepsTheFirstItems) {
  auto list = MakeList<ITEMIDLIST_ABSOLUTE>({2, 6, 9});
  AbsoluteIdList two = TruncateIdList(list.get(), 2);
  EXPECT_EQ(IdListCount(two.get()), 2u);
  EXPECT_EQ(IdListSize(two.get()), 4u + 8u + 2u);
  AbsoluteIdList none = TruncateIdList(list.get(), 0);
  EXPECT_EQ(IdListSize(none.get()), 2u);
  EXPECT_EQ(Bytes(TruncateIdList(list.get(), 5).get()), Bytes(list.get()));
}

TEST(IdList, EmptyPathIsMyComputer) {
  AbsoluteIdList list = PathToIdList(L"");
  ASSERT_TRUE(list);
  AbsoluteIdList drives = test::CsidlIdList(CSIDL_DRIVES);
  EXPECT_TRUE(test::SameObject(list.get(), drives.get()));
}

TEST(IdList, PathRoundTripsThroughTheShellWithNonAnsiNames) {
  test::TempFolder temp;
  const std::wstring file = temp.MakeFile(test::TempFolder::NonAnsiName());
  AbsoluteIdList list = PathToIdList(file);
  ASSERT_TRUE(list);
  EXPECT_TRUE(SameText(IdListToPath(list.get()), file)) << IdListToPath(list.get());
}

TEST(IdList, PathBelowAGivenFolderIsRelative) {
  test::TempFolder temp;
  temp.MakeFolder(L"sub");
  temp.MakeFile(L"sub\\x.txt");
  AbsoluteIdList folder_list = PathToIdList(temp.Path());
  Microsoft::WRL::ComPtr<IShellFolder> folder;
  ASSERT_HRESULT_SUCCEEDED(
      ShellModule::DesktopFolder()->BindToObject(folder_list.get(), nullptr, IID_IShellFolder,
                                                 reinterpret_cast<void**>(folder.GetAddressOf())));
  RelativeIdList relative = PathToIdList(folder.Get(), L"sub\\x.txt");
  ASSERT_TRUE(relative);
  EXPECT_EQ(IdListCount(relative.get()), 2u);
  AbsoluteIdList joined = ConcatIdLists(folder_list.get(), relative.get());
  EXPECT_TRUE(SameText(IdListToPath(joined.get()), temp / L"sub\\x.txt"));
}

TEST(IdList, EmptyPathBelowAGivenFolderIsTheFolderItself) {
  test::TempFolder temp;
  AbsoluteIdList folder_list = PathToIdList(temp.Path());
  Microsoft::WRL::ComPtr<IShellFolder> folder;
  ASSERT_HRESULT_SUCCEEDED(
      ShellModule::DesktopFolder()->BindToObject(folder_list.get(), nullptr, IID_IShellFolder,
                                                 reinterpret_cast<void**>(folder.GetAddressOf())));
  RelativeIdList relative = PathToIdList(folder.Get(), L"");
  ASSERT_TRUE(relative);
  EXPECT_EQ(IdListCount(relative.get()), 0u);
  AbsoluteIdList joined = ConcatIdLists(folder_list.get(), relative.get());
  EXPECT_TRUE(test::SameObject(joined.get(), folder_list.get()));
}

TEST(IdList, DesktopIdList) {
  EXPECT_FALSE(IsDesktopIdList(nullptr));
  EXPECT_TRUE(IsDesktopIdList(ShellModule::EmptyIdList()));
  EXPECT_TRUE(IsDesktopIdList(test::CsidlIdList(CSIDL_DESKTOP).get()));
  EXPECT_FALSE(IsDesktopIdList(test::CsidlIdList(CSIDL_DRIVES).get()));
  test::TempFolder temp;
  EXPECT_FALSE(IsDesktopIdList(PathToIdList(temp.Path()).get()));
  EXPECT_FALSE(IsDesktopIdList(PathToIdList(L"C:\\").get()));
}

TEST(IdList, UnknownPathGivesNoListAndTheShellResult) {
  SetLastError(0);
  AbsoluteIdList list = PathToIdList(L"C:\\wf-no-such-folder\\nothing.txt");
  EXPECT_FALSE(list);
  EXPECT_TRUE(FAILED(static_cast<HRESULT>(GetLastError())));
}

TEST(IdList, ObjectsWithoutPathGiveNoPath) {
  EXPECT_EQ(IdListToPath(nullptr), L"");
  AbsoluteIdList drives = test::CsidlIdList(CSIDL_DRIVES);
  EXPECT_EQ(IdListToPath(drives.get()), L"");
}

TEST(IdList, WideStrRetIsCopiedAndFreed) {
  STRRET reply{};
  reply.uType = STRRET_WSTR;
  const std::wstring text = L"\u03A9 wide";
  reply.pOleStr = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
  std::memcpy(reply.pOleStr, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  EXPECT_EQ(StrRetToString(nullptr, reply), text);
  EXPECT_EQ(reply.pOleStr, nullptr);
}

TEST(IdList, OffsetAndInlineStrRetsAreAnsiText) {
  auto list = MakeList<ITEMIDLIST_RELATIVE>({8});
  auto bytes = reinterpret_cast<BYTE*>(const_cast<ITEMIDLIST_RELATIVE*>(list.get()));
  std::memcpy(bytes + 3, "name", 5);
  STRRET offset{};
  offset.uType = STRRET_OFFSET;
  offset.uOffset = 3;
  EXPECT_EQ(StrRetToString(list.get(), offset), L"name");

  STRRET inline_text{};
  inline_text.uType = STRRET_CSTR;
  std::strcpy(inline_text.cStr, "inline");
  EXPECT_EQ(StrRetToString(nullptr, inline_text), L"inline");
}

TEST(IdList, SystemErrorTextIsThePlatformsTextWithoutLineBreak) {
  const std::wstring text = SystemErrorText(ERROR_PATH_NOT_FOUND);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), L'\n');
  EXPECT_NE(text.back(), L'\r');
  wchar_t buffer[256] = {};
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 ERROR_PATH_NOT_FOUND, 0, buffer, 256, nullptr);
  EXPECT_EQ(std::wstring(buffer).rfind(text, 0), 0u);
}

TEST(ShellModule, OffersDesktopAndChangeNotificationEntryPoints) {
  ASSERT_TRUE(ShellModule::Running());
  EXPECT_NE(ShellModule::DesktopFolder(), nullptr);
  EXPECT_NE(ShellModule::ChangeNotifyRegister(), nullptr);
  EXPECT_NE(ShellModule::ChangeNotifyDeregister(), nullptr);
  EXPECT_TRUE(ShellModule::IsNTPlatform());
  EXPECT_FALSE(ShellModule::IsOldShell());
}

TEST(ShellModule, ASecondModuleIsRefused) {
  EXPECT_THROW(ShellModule second, Exception);
  EXPECT_TRUE(ShellModule::Running());
  EXPECT_NE(ShellModule::DesktopFolder(), nullptr);
}

}  // namespace
}  // namespace wf
