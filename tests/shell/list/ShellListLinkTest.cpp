// Shell lists tied by a shell link follow one another, once, without echo.
#include <functional>
#include <memory>
#include <stdexcept>

#include "framework/ComInterfaces.h"
#include "tests/shell/list/ShellListTestSupport.h"

namespace wf::test {
namespace {

// A control of the test's own, registered beside the lists.
class ProbeControl : public ComInterfaces<IKivShellControl> {
 public:
  std::function<void()> on_show_folder;
  int folders_shown = 0;
  TKivShellLink* link = nullptr;

  void SetShellLink(TKivShellLink* value) override { link = value; }
  TKivShellLink* ShellLink() override { return link; }
  void ShowFolder(PCIDLIST_ABSOLUTE) override {
    ++folders_shown;
    if (on_show_folder) on_show_folder();
  }
  int ShowFolderItem(PCIDLIST_ABSOLUTE, PCUITEMID_CHILD) override { return -1; }
  void SelectAllItems() override {}
  void Repopulate() override {}
  void MergeRefresh() override {}
  bool GoUp() override { return true; }
};

class ShellListLink : public ShellListTest {
 protected:
  ShellListLink() {
    sub = folder_.MakeFolder(L"sub");
    folder_.MakeFile(L"sub\\inside.txt", 3);
    other = folder_.MakeFolder(L"other");
    folder_.MakeFile(L"a.txt", 1);
    folder_.MakeFile(L"b.txt", 1);
    first = &MakeList();
    first->SetBounds(0, 0, 200, 300);
    first->SetAlign(TAlign::alNone);
    second = new CountingList(&Form());
    second->SetParent(&Form());
    second->SetBounds(200, 0, 200, 300);
    for (TKivShellList* list : {first, static_cast<TKivShellList*>(second)}) {
      list->SetPath(folder_.Path());
      list->SetShellLink(link.get());
    }
    first->OnPopulated = [this](TObject*) { ++first_fills; };
    second->OnPopulated = [this](TObject*) { ++second_fills; };
    link->OnChange = [this](TObject*) { ++changes; };
    ShowAndDraw();
  }
  ~ShellListLink() override {
    if (second) second->OnPopulated = nullptr;
    DestroyForm();
  }

  std::unique_ptr<TKivShellLink> link = std::make_unique<TKivShellLink>(nullptr);
  TKivShellList* first = nullptr;
  CountingList* second = nullptr;
  std::wstring sub, other;
  int first_fills = 0, second_fills = 0, changes = 0;
};

TEST_F(ShellListLink, AMoveASelectionARefreshAndAnOperationReachTheOtherOnce) {
  first->SetPath(sub);
  EXPECT_TRUE(SameText(second->Path(), IncludeTrailingBackslash(sub)));
  EXPECT_EQ(first_fills, 1);
  EXPECT_EQ(second_fills, 1);
  EXPECT_EQ(changes, 1);

  // Going up is a move too; so is opening a folder.
  first->GoUp();
  EXPECT_TRUE(SameText(second->Path(), folder_.Path()));
  SelectOnly(*first, {L"sub"});
  ASSERT_TRUE(first->InvokeVerb(L"default"));
  EXPECT_TRUE(SameText(second->Path(), IncludeTrailingBackslash(sub)));
  first->GoUp();

  // One selected row is shown selected in the other.
  changes = 0;
  SelectOnly(*first, {L"b.txt"});
  ASSERT_NE(second->Selected(), nullptr);
  EXPECT_EQ(second->Selected()->Caption(), Row(*first, L"b.txt")->Caption());
  SelectOnly(*first, {L"a.txt"});
  EXPECT_EQ(second->SelCount(), 1);
  EXPECT_GE(changes, 1);

  // F5 refills the other; an operation that changes a folder's content
  // merges it; one that does not, does not.
  const int fills = second_fills;
  SendMessageW(first->Handle(), WM_KEYDOWN, VK_F5, 0);
  EXPECT_EQ(second_fills, fills + 1);
  first->ReportOperation({sopRename}, nullptr, L"");
  first->ReportOperation({sopCopy}, nullptr, L"");
  EXPECT_EQ(second->merges, 1);

  // A disabled link passes nothing on.
  link->SetEnabled(false);
  changes = 0;
  first->SetPath(other);
  EXPECT_TRUE(SameText(second->Path(), folder_.Path()));
  EXPECT_EQ(changes, 0);
  link->SetEnabled(true);

  // Without parent navigation: no " .. " and Backspace stays.
  second->SetShowParentFolder(true);
  EXPECT_NE(Row(*second, L" .. "), nullptr);
  link->SetParentNavigation(false);
  second->Populate();
  EXPECT_EQ(Row(*second, L" .. "), nullptr);
  SendMessageW(second->Handle(), WM_CHAR, 8, 0);
  EXPECT_TRUE(SameText(second->Path(), folder_.Path()));
}

TEST_F(ShellListLink, RegistrationSurvivesRaisingAndFreedControlsAndTheLinksEnd) {
  link->RegisterControl(first->ShellControl());
  EXPECT_EQ(link->Controls().Count(), 2);

  // A control that raises: the mover hears it, the link is enabled again
  // and no change is reported.
  ProbeControl raising;
  raising.on_show_folder = [] { throw std::runtime_error("cannot show it"); };
  link->RegisterControl(&raising);
  changes = 0;
  EXPECT_THROW(first->SetPath(sub), std::runtime_error);
  EXPECT_TRUE(link->Enabled());
  EXPECT_EQ(changes, 0);
  link->UnregisterControl(&raising);

  // A control that frees the second list before its turn: the freed list is
  // not called, and the control after it still is.
  link->UnregisterControl(second->ShellControl());
  ProbeControl freeing, after;
  freeing.on_show_folder = [this] {
    delete second;
    second = nullptr;
  };
  link->RegisterControl(&freeing);
  second->SetShellLink(link.get());
  link->RegisterControl(&after);
  first->SetPath(other);
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(freeing.folders_shown, 1);
  EXPECT_EQ(after.folders_shown, 1);
  link->UnregisterControl(&freeing);

  // The link's end leaves every control without one.
  link.reset();
  EXPECT_EQ(first->ShellLink(), nullptr);
  EXPECT_EQ(after.link, nullptr);
}

}  // namespace
}  // namespace wf::test
