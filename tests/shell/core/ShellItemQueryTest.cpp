// A query of one folder's objects answers about any of them, in any order,
// after the folder object that made it has moved on.
#include <gtest/gtest.h>

#include <windows.h>

#include "shell/core/Dirwalker.h"
#include "shell/core/ShellItemQuery.h"
#include "tests/shell/core/ShellCoreTestHelpers.h"
#include "tests/support/TempFolder.h"

namespace wf {
namespace {

using test::TempFolder;

class ShellItemQueryOfAFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    test::Quiet(walker_);
    temp_.MakeFile(L"small.txt", 10);
    temp_.MakeFile(L"large.bin", 5000);
    temp_.MakeFolder(L"sub");
    temp_.MakeFile(TempFolder::NonAnsiName(L".txt"), 1);
    walker_.SetFolder(temp_.Path());
  }
  ChildIdList Id(const std::wstring& name) {
    walker_.SetObjectName(name);
    return walker_.ObjectIdCopy();
  }
  // What the folder object says of `name`, column by column.
  std::vector<std::wstring> WalkerAnswers(const std::wstring& name) {
    walker_.SetObjectName(name);
    return {walker_.ObjectName(),
            walker_.DisplayName(),
            walker_.DetailText(1, false),
            walker_.DetailText(2, false),
            std::to_wstring(walker_.SmallIconIndex()),
            std::to_wstring(walker_.Attributes(SFGAO_FOLDER))};
  }
  static std::vector<std::wstring> QueryAnswers(ShellItemQuery& query, PCUITEMID_CHILD id) {
    return {query.ObjectName(id),
            query.DisplayName(id),
            query.DetailText(id, 1),
            query.DetailText(id, 2),
            std::to_wstring(query.SmallIconIndex(id)),
            std::to_wstring(query.Attributes(id, SFGAO_FOLDER))};
  }

  TempFolder temp_;
  TDirwalker walker_;
};

TEST_F(ShellItemQueryOfAFolder, AnswersAboutObjectsAskedInTurnAsTheFolderObjectDoes) {
  const std::vector<std::wstring> names{L"small.txt", L"large.bin", L"sub",
                                        TempFolder::NonAnsiName(L".txt")};
  std::vector<ChildIdList> ids;
  std::vector<std::vector<std::wstring>> expected;
  for (const std::wstring& name : names) {
    ids.push_back(Id(name));
    expected.push_back(WalkerAnswers(name));
  }
  ShellItemQuery query = walker_.ObjectQuery();

  // Each question alternates between objects, so nothing kept about one
  // object may answer for another.
  for (int round = 0; round < 2; ++round) {
    for (size_t i = 0; i < names.size(); ++i) {
      EXPECT_EQ(query.ObjectName(ids[i].get()), names[i]) << i;
      EXPECT_EQ(QueryAnswers(query, ids[i].get()), expected[i]) << i;
      EXPECT_EQ(query.DetailText(ids[(i + 1) % ids.size()].get(), 1),
                expected[(i + 1) % ids.size()][2])
          << i;
    }
  }
}

TEST_F(ShellItemQueryOfAFolder, KeepsAnsweringAfterTheFolderObjectIsBoundElsewhere) {
  const ChildIdList id = Id(L"large.bin");
  const std::vector<std::wstring> expected = WalkerAnswers(L"large.bin");
  ShellItemQuery query = walker_.ObjectQuery();

  walker_.SetSpecialFolder(SF_DRIVES);

  EXPECT_EQ(QueryAnswers(query, id.get()), expected);
  EXPECT_TRUE(SameText(IdListToPath(query.AbsoluteIdList(id.get())), temp_ / L"large.bin"));
  EXPECT_TRUE(SameText(IncludeTrailingBackslash(IdListToPath(query.FolderIdList())),
                       IncludeTrailingBackslash(temp_.Path())));
}

TEST_F(ShellItemQueryOfAFolder, ACopyKeepsTheBuiltInColumnsItsFolderObjectWasLeftWith) {
  const ChildIdList id = Id(L"large.bin");
  walker_.SetDetailsUnavailable();

  ShellItemQuery query = walker_.ObjectQuery();

  EXPECT_EQ(query.ColumnTitle(1), L"Size");
  EXPECT_EQ(query.DetailText(id.get(), 1), L"5 KB");
}

// A delete report checks the rows' paths after their files went: the path
// must come without the object, and be the one its id names.
TEST_F(ShellItemQueryOfAFolder, FileSystemPathIsTheIdsPathAndOutlivesTheFile) {
  const std::vector<std::wstring> names{L"small.txt", L"sub", TempFolder::NonAnsiName(L".txt")};
  std::vector<ChildIdList> ids;
  for (const std::wstring& name : names) ids.push_back(Id(name));
  ShellItemQuery query = walker_.ObjectQuery();
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(query.FileSystemPath(ids[i].get()), IdListToPath(query.AbsoluteIdList(ids[i].get())));
    EXPECT_TRUE(SameText(query.FileSystemPath(ids[i].get()), temp_ / names[i])) << i;
  }

  ASSERT_TRUE(DeleteFileW((temp_ / L"small.txt").c_str()));
  EXPECT_TRUE(SameText(query.FileSystemPath(ids[0].get()), temp_ / L"small.txt"));
}

// Drives, special folders and objects outside the file system: the same
// answer as the path of the id, empty where there is none.
TEST_F(ShellItemQueryOfAFolder, FileSystemPathAgreesWithTheIdsPathInVirtualFolders) {
  for (TKivShellFolder special : {SF_DRIVES, SF_DESKTOP}) {
    walker_.SetSpecialFolder(special);
    std::vector<ChildIdList> ids;
    while (walker_.NextObject()) ids.push_back(walker_.ObjectIdCopy());
    ASSERT_FALSE(ids.empty());
    ShellItemQuery query = walker_.ObjectQuery();
    for (const ChildIdList& id : ids) {
      const std::wstring expected = IdListToPath(query.AbsoluteIdList(id.get()));
      EXPECT_EQ(query.FileSystemPath(id.get()), expected) << ToUtf8(query.DisplayName(id.get()));
    }
  }
}

TEST(ShellItemQueryOfNoFolder, AnswersNothing) {
  ShellItemQuery query;
  const ChildIdList id;

  EXPECT_FALSE(query);
  EXPECT_EQ(query.DisplayName(id.get()), L"");
  EXPECT_EQ(query.DetailText(id.get(), 1), L"");
  EXPECT_EQ(query.SmallIconIndex(id.get()), -1);
  EXPECT_EQ(query.OverlayIndex(id.get()), -1);
  EXPECT_EQ(query.Attributes(id.get(), SFGAO_FOLDER), 0u);
  EXPECT_EQ(query.AbsoluteIdList(id.get()), nullptr);
  EXPECT_EQ(query.FileSystemPath(id.get()), L"");
}

}  // namespace
}  // namespace wf
