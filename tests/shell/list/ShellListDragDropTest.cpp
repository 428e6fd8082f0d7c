// The list as a drop target and drag source. Wine's shell targets answer no
// effect, so the shell's targets are doubles that record what they are told;
// the list, its rows and the dragged files are real.
#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/shell/list/ShellListTestSupport.h"
#include "tests/support/RealDrag.h"

namespace wf::test {
namespace {

using Microsoft::WRL::ComPtr;

// The shell's targets of the folder, of " .. " and of the row "sub" are
// doubles; a document row has none.
class TargetsList : public TKivShellList {
 public:
  using TKivShellList::TKivShellList;
  std::vector<std::wstring> log;
  DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  bool moves_silently = false;

  ComPtr<IDropTarget> GetDropTarget(TListItem* item) override {
    std::wstring name = L"folder";
    if (item) {
      name = item->Caption() == L" .. " ? L"parent" : item->Caption();
      if (name != L"parent" && name != L"sub") return nullptr;
    }
    ComPtr<RecordingTarget> target;
    target.Attach(new RecordingTarget(name, log, effect));
    target->moves_silently = moves_silently;
    return target;
  }
};

struct Drop {
  uint16_t operations;
  std::vector<std::wstring> files;
  std::wstring destination;
};

class ShellListDragDrop : public ShellListTest {
 protected:
  TargetsList& Shown() {
    folder_.MakeFolder(L"sub");
    folder_.MakeFile(L"sub\\inner.txt");
    folder_.MakeFile(L"a.txt");
    TargetsList& list = MakeList<TargetsList>();
    list.SetShowParentFolder(true);
    list.SetPath(folder_.Path());
    list.OnOperation = [this](TObject*, TKivShellOperations operations, const TStringList& files,
                              const std::wstring& destination) {
      drops_.push_back({operations.Bits(), files.Items(), destination});
    };
    ShowAndDraw();
    dragged_file_ = source_.MakeFile(L"dragged.txt");
    TDirwalker walker(nullptr);
    walker.SetFolder(source_.Path());
    walker.MultiObjects().Assign({L"dragged.txt"});
    data_ = walker.GetUIObject<IDataObject>();
    return list;
  }

  // Screen points: the middle of the row's caption, and space below the rows.
  static POINT Over(TKivShellList& list, TListItem* row) {
    const RECT label = row->DisplayRect(TDisplayCode::drLabel);
    POINT point{(label.left + label.right) / 2, (label.top + label.bottom) / 2};
    ClientToScreen(list.Handle(), &point);
    return point;
  }
  static POINT OverEmptySpace(TKivShellList& list) {
    RECT client{};
    GetClientRect(list.Handle(), &client);
    POINT point{client.right / 2, client.bottom - 40};
    ClientToScreen(list.Handle(), &point);
    return point;
  }
  static POINTL L(POINT point) { return {point.x, point.y}; }

  // A whole drag over the list ending in a drop at `at`, offering `offered`.
  HRESULT DragAndDrop(TKivShellList& list, POINT point, DWORD offered, DWORD& effect) {
    const POINTL at = L(point);
    IDropTarget* target = list.DropTarget();
    effect = offered;
    target->DragEnter(data_.Get(), MK_LBUTTON, at, &effect);
    effect = offered;
    target->DragOver(MK_LBUTTON, at, &effect);
    effect = offered;
    return target->Drop(data_.Get(), 0, at, &effect);
  }

  TempFolder source_;
  std::wstring dragged_file_;
  ComPtr<IDataObject> data_;
  std::vector<Drop> drops_;
};

TEST_F(ShellListDragDrop, TheListsWindowIsADropTargetWhileOleDragDropIsOn) {
  TKivShellList& list = Shown();
  ComPtr<IDropTarget> other;
  other.Attach(new RecordingTarget(L"other", static_cast<TargetsList&>(list).log, 0));
  EXPECT_EQ(RegisterDragDrop(list.Handle(), other.Get()), DRAGDROP_E_ALREADYREGISTERED);
  list.RecreateWnd();
  EXPECT_EQ(RegisterDragDrop(list.Handle(), other.Get()), DRAGDROP_E_ALREADYREGISTERED);

  list.SetOleDragDrop(false);

  EXPECT_EQ(RegisterDragDrop(list.Handle(), other.Get()), S_OK);
  RevokeDragDrop(list.Handle());
  EXPECT_EQ(list.DragMode(), TDragMode::dmAutomatic);
}

// Over a folder row its target takes the drag and the row is highlighted;
// a document row has no target, so the folder's takes the drop. Every
// target entered is left or dropped on.
TEST_F(ShellListDragDrop, DropsReachTheTargetUnderThePointerAndReportWhereTheyWent) {
  TargetsList& list = Shown();
  TListItem* sub = Row(list, L"sub");
  IDropTarget* target = list.DropTarget();
  DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  ASSERT_EQ(target->DragEnter(data_.Get(), MK_LBUTTON, L(Over(list, sub)), &effect), S_OK);
  effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  target->DragOver(MK_LBUTTON, L(Over(list, sub)), &effect);
  EXPECT_EQ(SendMessageW(list.Handle(), LVM_GETITEMSTATE, sub->Index(), LVIS_DROPHILITED),
            LVIS_DROPHILITED);
  effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  target->DragOver(MK_LBUTTON, L(Over(list, Row(list, L"a.txt"))), &effect);
  EXPECT_FALSE(sub->DropTarget());
  target->DragLeave();
  EXPECT_EQ(list.log, (std::vector<std::wstring>{L"folder enter", L"sub enter", L"sub over",
                                                 L"sub leave", L"folder over", L"folder leave"}));

  // A source that only lets its files be copied never has them moved.
  list.log.clear();
  ASSERT_EQ(DragAndDrop(list, Over(list, sub), DROPEFFECT_COPY, effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(list.log.at(3), L"sub drop 1");
  EXPECT_EQ(list.log.back(), L"folder leave");
  DragAndDrop(list, Over(list, Row(list, L" .. ")), DROPEFFECT_MOVE, effect);
  DragAndDrop(list, OverEmptySpace(list), DROPEFFECT_COPY, effect);
  // Released as it came in, before any move: onto the row under it.
  effect = DROPEFFECT_COPY;
  target->DragEnter(data_.Get(), MK_LBUTTON, L(Over(list, sub)), &effect);
  effect = DROPEFFECT_COPY;
  target->Drop(data_.Get(), 0, L(Over(list, sub)), &effect);

  std::wstring parent = folder_.Path();
  parent.erase(parent.find_last_of(L'\\', parent.size() - 2) + 1);
  ASSERT_EQ(drops_.size(), 4u);
  EXPECT_EQ(drops_[0].operations, 0x9);  // copy, drop
  EXPECT_EQ(drops_[0].files, std::vector<std::wstring>{dragged_file_});
  EXPECT_EQ(drops_[0].destination, folder_ / L"sub");
  EXPECT_EQ(drops_[1].operations, 0xA);  // move, drop
  EXPECT_EQ(IncludeTrailingBackslash(drops_[1].destination), parent);
  EXPECT_EQ(drops_[2].destination, folder_.Path());
  EXPECT_EQ(drops_[3].destination, folder_ / L"sub");

  // A target that moved the files and answered no effect: their absence
  // makes the drop a move.
  list.effect = 0;
  list.moves_silently = true;
  DragAndDrop(list, OverEmptySpace(list), DROPEFFECT_MOVE, effect);
  ASSERT_EQ(drops_.size(), 5u);
  EXPECT_EQ(drops_[4].operations, 0xA);  // move, drop
}

// A vetoed drop, a read-only list and a drop whose row went meanwhile all
// answer no effect: a source that moved would otherwise delete its files.
TEST_F(ShellListDragDrop, ADropThatDoesNotHappenAnswersNoEffect) {
  TargetsList& list = Shown();
  TListItem* seen_target = nullptr;
  std::vector<std::wstring> seen_files;
  list.OnBeforeShellDrop = [&](TObject*, TListItem* row, TStringList& files, bool& execute) {
    seen_target = row;
    seen_files = files.Items();
    execute = false;
  };
  DWORD effect = 0;
  EXPECT_EQ(DragAndDrop(list, Over(list, Row(list, L"sub")), DROPEFFECT_MOVE, effect),
            E_UNEXPECTED);
  EXPECT_EQ(effect, 0u);
  EXPECT_EQ(seen_target, Row(list, L"sub"));
  EXPECT_EQ(seen_files, std::vector<std::wstring>{dragged_file_});
  list.OnBeforeShellDrop = nullptr;

  // The folder row goes while the pointer rests on it.
  IDropTarget* target = list.DropTarget();
  const POINTL at = L(Over(list, Row(list, L"sub")));
  effect = DROPEFFECT_MOVE;
  target->DragEnter(data_.Get(), MK_LBUTTON, at, &effect);
  target->DragOver(MK_LBUTTON, at, &effect);
  ASSERT_TRUE(Row(list, L"sub")->DropTarget());
  ASSERT_TRUE(DeleteFileW((folder_ / L"sub\\inner.txt").c_str()));
  ASSERT_TRUE(RemoveDirectoryW((folder_ / L"sub").c_str()));
  list.MergeRefresh();
  ASSERT_EQ(IndexOfCaption(list, L"sub"), -1);
  effect = DROPEFFECT_MOVE;
  EXPECT_EQ(target->Drop(data_.Get(), 0, at, &effect), E_UNEXPECTED);
  EXPECT_EQ(effect, 0u);
  EXPECT_TRUE(drops_.empty());

  list.SetReadOnly(true);
  EXPECT_EQ(DragAndDrop(list, OverEmptySpace(list), DROPEFFECT_MOVE, effect), E_UNEXPECTED);
  EXPECT_EQ(effect, 0u);
  EXPECT_TRUE(drops_.empty());
  for (const std::wstring& call : list.log) EXPECT_EQ(call.find(L" drop"), std::wstring::npos);
}

// The shell's own targets, asked of the real shell: a folder row, " .. ",
// the shown folder, and the desktop (its directory's). The shown folder is
// one level down: Wine's My Computer offers no target for a drive.
TEST_F(ShellListDragDrop, TheShellOffersTargetsForARowTheParentTheFolderAndTheDesktop) {
  folder_.MakeFolder(L"sub");
  folder_.MakeFolder(L"sub\\inner");
  TKivShellList& list = MakeList();
  list.SetShowParentFolder(true);
  list.SetPath(folder_ / L"sub");
  ShowAndDraw();
  EXPECT_NE(list.GetDropTarget(list.Items()[IndexOfCaption(list, L"inner")]), nullptr);
  EXPECT_NE(list.GetDropTarget(Row(list, L" .. ")), nullptr);
  EXPECT_NE(list.GetDropTarget(nullptr), nullptr);
  list.SetSpecialFolder(SF_DESKTOP);
  EXPECT_NE(list.GetDropTarget(nullptr), nullptr);
}

// A drag resting near the bottom edge scrolls a line every 100 ms while
// lines remain below; rows that all fit never scroll.
TEST_F(ShellListDragDrop, ADragRestingAtTheBottomEdgeScrollsTheList) {
  TargetsList& list = Shown();
  IDropTarget* target = list.DropTarget();
  RECT client{};
  GetClientRect(list.Handle(), &client);
  POINT edge{client.right / 2, client.bottom - 5};
  ClientToScreen(list.Handle(), &edge);
  const auto rest = [&](int moves) {
    DWORD effect = DROPEFFECT_COPY;
    target->DragEnter(data_.Get(), MK_LBUTTON, {edge.x, edge.y}, &effect);
    for (int i = 0; i < moves; ++i) {
      Sleep(120);
      effect = DROPEFFECT_COPY;
      target->DragOver(MK_LBUTTON, {edge.x, edge.y}, &effect);
    }
    target->DragLeave();
  };
  rest(3);
  EXPECT_EQ(ListView_GetTopIndex(list.Handle()), 0);

  for (int i = 0; i < 60; ++i) folder_.MakeFile(L"f" + std::to_wstring(i) + L".txt");
  list.Populate();
  rest(3);
  EXPECT_EQ(ListView_GetTopIndex(list.Handle()), 3);
}

// Real drags of two rows out of the list onto a window of their own, by the
// platform's mouse: what the window is offered, and the list's report of
// what it chose; Escape cancels and nothing is reported.
TEST_F(ShellListDragDrop, RowsDraggedOutReachAnotherWindowAndTheListReportsTheEffect) {
  TargetsList& list = Shown();
  folder_.MakeFile(L"b.txt");
  list.Populate();
  ShowAndDraw();
  DropWindow window(0);
  RecordingTarget* target = window.target.Get();
  SelectOnly(list, {L"a.txt", L"b.txt"});
  const POINT from = Over(list, Row(list, L"a.txt"));
  const auto drag = [&](DWORD answer, Ending ending, POINT to) {
    target->Answer(answer);
    RealDrag(from, to, ending);
  };

  const POINT onto_window = window.centre;
  drag(DROPEFFECT_MOVE, Ending::kRelease, onto_window);
  EXPECT_EQ(target->offered,
            static_cast<DWORD>(DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK));
  EXPECT_EQ(target->dropped, (std::vector<std::wstring>{folder_ / L"a.txt", folder_ / L"b.txt"}));
  drag(DROPEFFECT_LINK, Ending::kRelease, onto_window);
  list.SetCopyMode(cmCopy);
  drag(DROPEFFECT_COPY, Ending::kRelease, onto_window);
  EXPECT_EQ(target->offered, static_cast<DWORD>(DROPEFFECT_COPY));
  drag(DROPEFFECT_COPY, Ending::kEscape, onto_window);
  EXPECT_TRUE(target->dropped.empty());
  drag(DROPEFFECT_COPY, Ending::kRightButton, onto_window);
  EXPECT_TRUE(target->dropped.empty());
  // Left onto the list's own folder: refused, the folder's target never
  // dropped on.
  const POINT empty = OverEmptySpace(list);
  list.log.clear();
  drag(DROPEFFECT_COPY, Ending::kRelease, empty);
  EXPECT_NE(std::find(list.log.begin(), list.log.end(), L"folder enter"), list.log.end());
  for (const std::wstring& call : list.log) EXPECT_EQ(call.find(L" drop"), std::wstring::npos);
  // Right onto it: the folder's target gets the drop (the shell would ask).
  drag(DROPEFFECT_COPY, Ending::kRightDrag, empty);
  EXPECT_NE(std::find(list.log.begin(), list.log.end(), L"folder drop 1"), list.log.end());

  ASSERT_EQ(drops_.size(), 5u);
  EXPECT_EQ(drops_[0].operations, 0x86);  // move, drag, remove
  EXPECT_EQ(drops_[0].files, (std::vector<std::wstring>{folder_ / L"a.txt", folder_ / L"b.txt"}));
  EXPECT_EQ(drops_[0].destination, L"");
  EXPECT_EQ(drops_[1].operations, 0x4);  // a link: drag alone
  EXPECT_EQ(drops_[2].operations, 0x5);  // copy, drag
  EXPECT_EQ(drops_[3].operations, 0x9);  // the right drag's drop: copy, drop
  EXPECT_EQ(drops_[3].destination, folder_.Path());
  EXPECT_EQ(drops_[4].operations, 0x5);  // and its drag

  // A drive is offered only what the shell allows for it.
  list.SetSpecialFolder(SF_DRIVES);
  ShowAndDraw();
  TListItem* drive = nullptr;
  for (int i = 0; i < list.Items().Count() && !drive; ++i)
    if (list.ItemPath(list.Items()[i]) == L"C:\\") drive = list.Items()[i];
  ASSERT_NE(drive, nullptr);
  list.ClearSelection();
  drive->SetSelected(true);
  PCUITEMID_CHILD id = TKivShellList::RecordOf(drive)->ItemId.get();
  SFGAOF allowed = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK;
  ASSERT_EQ(list.Dirwalker().ShellFolder()->GetAttributesOf(1, &id, &allowed), S_OK);
  list.SetCopyMode(cmDefault);
  RealDrag(Over(list, drive), onto_window, Ending::kEscape);
  EXPECT_EQ(target->offered, allowed & (SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK));
  EXPECT_NE(target->offered, 0u);
}

}  // namespace
}  // namespace wf::test
