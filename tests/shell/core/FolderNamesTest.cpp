// Whether many paths of one folder exist, the folder read once.
#include "shell/core/FolderNames.h"

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

namespace wf::test {
namespace {

TEST(FolderNames, AnswersForNamesDirectlyInTheFolderIgnoringCase) {
  TempFolder folder;
  folder.MakeFile(L"Kept.txt");
  folder.MakeFolder(L"Sub");
  folder.MakeFile(L"Sub\\inner.txt");
  const std::wstring other = folder.MakeFile(TempFolder::NonAnsiName());
  FolderNames names(folder.Path());

  EXPECT_EQ(names.Contains(folder / L"Kept.txt"), std::optional<bool>(true));
  EXPECT_EQ(names.Contains(folder / L"KEPT.TXT"), std::optional<bool>(true));
  EXPECT_EQ(names.Contains(folder / L"sub"), std::optional<bool>(true));
  EXPECT_EQ(names.Contains(other), std::optional<bool>(true));
  EXPECT_EQ(names.Contains(folder / L"gone.txt"), std::optional<bool>(false));
  // Not its to answer: the caller looks these up itself.
  EXPECT_EQ(names.Contains(folder / L"Sub\\inner.txt"), std::nullopt);
  EXPECT_EQ(names.Contains(folder / L"*.txt"), std::nullopt);
  EXPECT_EQ(names.Contains(L"C:\\elsewhere\\Kept.txt"), std::nullopt);
  EXPECT_EQ(names.Contains(folder.Path()), std::nullopt);
}

TEST(FolderNames, AFolderThatCannotBeReadLeavesTheAnswerToTheCaller) {
  TempFolder folder;
  FolderNames names(folder / L"missing\\");
  EXPECT_EQ(names.Contains(folder / L"missing\\a.txt"), std::nullopt);
}

}  // namespace
}  // namespace wf::test
