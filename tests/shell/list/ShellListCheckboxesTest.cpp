// Check boxes: the ticks of a shell link's selection list, shown and changed
// by real clicks on the rows' boxes.
#include <memory>

#include "framework/Graphics.h"
#include "shell/list/SelectionStateImages.h"
#include "tests/framework/FrameworkTestHelpers.h"
#include "tests/shell/list/ShellListTestSupport.h"
#include "tests/support/RealMouse.h"

namespace wf::test {

namespace {

// Where a row's box would be clicked: left of the icon in its lower band.
POINT BoxPoint(TKivShellList& list, TListItem* row) {
  const RECT icon = row->DisplayRect(TDisplayCode::drIcon);
  POINT at{icon.left - 8, icon.bottom - 4};
  ClientToScreen(list.Handle(), &at);
  return at;
}

POINT IconPoint(TKivShellList& list, TListItem* row, int right_of_left) {
  const RECT icon = row->DisplayRect(TDisplayCode::drIcon);
  POINT at{icon.left + right_of_left, icon.bottom - 4};
  ClientToScreen(list.Handle(), &at);
  return at;
}

POINT LabelPoint(TKivShellList& list, TListItem* row) {
  const RECT label = row->DisplayRect(TDisplayCode::drLabel);
  POINT at{label.left + 10, (label.top + label.bottom) / 2};
  ClientToScreen(list.Handle(), &at);
  return at;
}

// A click, and time for the list to take it; far enough from the last in
// time that no two make a double-click.
void Click(POINT at) {
  PumpFor(std::chrono::milliseconds(GetDoubleClickTime() + 50));
  ASSERT_TRUE(PressAt(at, {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}));
  PumpFor(std::chrono::milliseconds(150));
}

// Reports the common controls' version of the test's choosing.
class VersionedList : public TKivShellList {
 public:
  using TKivShellList::TKivShellList;
  int version = 580;

 protected:
  int CommonControlsVersion() const override { return version; }
};

// D holds a.txt, b.txt, F (f.txt), G (g1.txt, g2.txt), T (t.txt) and S, a
// folder shortcut to T; beside D lies other.txt, never ticked.
class ShellListCheckboxes : public ShellListTest {
 protected:
  ShellListCheckboxes() {
    folder_.MakeFile(L"other.txt", 1);
    data = folder_.MakeFolder(L"D");
    for (const wchar_t* name : {L"D\\a.txt", L"D\\b.txt"}) folder_.MakeFile(name, 1);
    for (const wchar_t* name : {L"D\\F", L"D\\G", L"D\\T", L"D\\S"}) folder_.MakeFolder(name);
    for (const wchar_t* name : {L"D\\F\\f.txt", L"D\\G\\g1.txt", L"D\\G\\g2.txt", L"D\\T\\t.txt"})
      folder_.MakeFile(name, 1);
    folder_.MakeLink(L"D\\S\\target.lnk", data + L"\\T");
  }
  std::wstring In(const std::wstring& name) const { return data + L"\\" + name; }
  TListItem* RowOf(TKivShellList& list, const std::wstring& name) {
    return list.Items()[IndexOfCaption(list, ShellDisplayName(data, name))];
  }
  int StateOf(TKivShellList& list, const std::wstring& name) {
    return RowOf(list, name)->StateIndex();
  }

  std::unique_ptr<TKivShellLink> link = std::make_unique<TKivShellLink>(nullptr);
  std::wstring data;
};

TEST_F(ShellListCheckboxes, AClickOnABoxTicksItAndEveryLinkedRowFollows) {
  VersionedList& first = MakeList<VersionedList>();
  first.SetAlign(TAlign::alNone);
  first.SetBounds(0, 0, 200, 400);
  auto* second = new TKivShellList(&Form());
  second->SetParent(&Form());
  second->SetBounds(200, 0, 200, 400);
  // Without a link the boxes are refused, and no box is left for " .. ".
  second->SetShowParentFolder(true);
  second->SetCheckboxes(true);
  EXPECT_FALSE(second->Checkboxes());
  EXPECT_EQ(ListView_GetImageList(second->Handle(), LVSIL_STATE), nullptr);
  for (TKivShellList* list : {static_cast<TKivShellList*>(&first), second}) {
    list->SetPath(data);
    list->SetShellLink(link.get());
    list->SetCheckboxes(true);
    EXPECT_TRUE(list->Checkboxes());
  }
  std::vector<std::tuple<int, std::wstring, int>> reported;
  first.OnCheckStateChanged = [&](TObject*, int index, const std::wstring& path, int state) {
    reported.emplace_back(index, path, state);
  };
  ShowAndDraw();
  TKivSelectionList& ticks = link->SelectionList();
  EXPECT_EQ(StateOf(first, L"a.txt"), ssUnChecked);

  // The label and the icon are not the box.
  Click(LabelPoint(first, RowOf(first, L"a.txt")));
  Click(IconPoint(first, RowOf(first, L"a.txt"), 4));
  EXPECT_EQ(StateOf(first, L"a.txt"), ssUnChecked);
  Click(BoxPoint(first, RowOf(first, L"a.txt")));
  EXPECT_EQ(StateOf(first, L"a.txt"), ssChecked);
  EXPECT_EQ(StateOf(*second, L"a.txt"), ssChecked);
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(std::get<0>(reported[0]), RowOf(first, L"a.txt")->Index());
  EXPECT_TRUE(SameText(std::get<1>(reported[0]), In(L"a.txt")));
  EXPECT_EQ(std::get<2>(reported[0]), ssChecked);

  // A partly ticked folder clicked once is wholly ticked.
  ticks.CheckPath(In(L"F\\f.txt"));
  EXPECT_EQ(StateOf(first, L"F"), ssGrayed);
  Click(BoxPoint(first, RowOf(first, L"F")));
  EXPECT_EQ(StateOf(first, L"F"), ssChecked);
  EXPECT_EQ(ticks.GetPathState(In(L"F\\f.txt")), ssChecked);
  EXPECT_EQ(ticks.Paths().IndexOf(In(L"F\\f.txt")), -1);

  // A shortcut ticks its target, whose row beside it follows.
  Click(BoxPoint(first, RowOf(first, L"S")));
  EXPECT_EQ(StateOf(first, L"T"), ssChecked);

  // A window made again keeps its boxes.
  first.RecreateWnd();
  UpdateWindow(first.Handle());
  EXPECT_NE(ListView_GetImageList(first.Handle(), LVSIL_STATE), nullptr);
  EXPECT_EQ(StateOf(first, L"a.txt"), ssChecked);

  // The last unticked child ticked: its folder takes the children's place.
  ticks.CheckPath(In(L"G\\g1.txt"));
  first.SetPath(In(L"G"));
  ShowAndDraw();
  Click(
      BoxPoint(first, first.Items()[IndexOfCaption(first, ShellDisplayName(In(L"G"), L"g2.txt"))]));
  EXPECT_NE(ticks.Paths().IndexOf(In(L"G\\*")), -1);
  EXPECT_EQ(ticks.Paths().IndexOf(In(L"G\\g1.txt")), -1);

  // In the icon view the zone lies left of a line inside the icon, further
  // right from common controls 6.0 on.
  first.SetPath(data);
  first.SetViewStyle(TViewStyle::vsIcon);
  ShowAndDraw();
  first.version = 580;
  Click(IconPoint(first, RowOf(first, L"b.txt"), 20));
  EXPECT_EQ(StateOf(first, L"b.txt"), ssUnChecked);
  first.version = 600;
  Click(IconPoint(first, RowOf(first, L"b.txt"), 20));
  EXPECT_EQ(StateOf(first, L"b.txt"), ssChecked);
}

TEST(ShellListCheckboxPictures, EachStateHasItsOwnBoxAndTheRowShowsThrough) {
  for (const bool themed : {false, true}) {
    TKivSelectionStateImageList images(nullptr, themed);
    ASSERT_EQ(images.Count(), 5);
    std::vector<std::vector<COLORREF>> pictures;
    for (int state = 0; state < 5; ++state) {
      TBitmap canvas;
      canvas.Resize(16, 16, static_cast<TColor>(RGB(0, 128, 0)));
      ImageList_Draw(images.Handle(), state, canvas.Dc(), 0, 0, ILD_NORMAL);
      EXPECT_EQ(canvas.Canvas().Pixel(0, 0), RGB(0, 128, 0)) << themed << state;
      std::vector<COLORREF> pixels;
      for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) pixels.push_back(canvas.Canvas().Pixel(x, y));
      pictures.push_back(pixels);
    }
    // A tick is a mark of some pixels inside the box; how a dimmed box
    // looks is the platform's.
    const auto marked = [&](int state) {
      int differing = 0;
      for (size_t i = 0; i < pictures[state].size(); ++i)
        differing += pictures[state][i] != pictures[ssUnChecked][i];
      return differing;
    };
    EXPECT_GT(marked(ssChecked), 4) << themed;
    EXPECT_GT(marked(ssGrayed), 4) << themed;
  }
}

}  // namespace
}  // namespace wf::test
