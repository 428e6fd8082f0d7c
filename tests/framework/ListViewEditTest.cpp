#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Form.h"
#include "framework/ListView.h"
#include "framework/Strings.h"
#include "tests/framework/FrameworkTestHelpers.h"

namespace wf {
namespace {

using namespace std::chrono_literals;

// Records what a derived list's key handling sees, as the shell list's would.
class KeyedList : public TCustomListView {
 public:
  using TCustomListView::TCustomListView;
  std::vector<WORD> keys;
  std::vector<wchar_t> chars;
  std::vector<bool> ended_cancelled;

 protected:
  void KeyDown(WORD& key, TShiftState shift) override {
    TCustomListView::KeyDown(key, shift);
    keys.push_back(key);
  }
  void KeyPress(wchar_t& key) override {
    TCustomListView::KeyPress(key);
    chars.push_back(key);
  }
  void EditEnded(TListItem* item, std::wstring* text) override {
    TCustomListView::EditEnded(item, text);
    ended_cancelled.push_back(text == nullptr);
  }
};

class ListViewEdit : public testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(TFormBorderStyle::bsNone);
    form->SetClientWidth(300);
    form->SetClientHeight(200);
    list = new KeyedList(form.get());
    list->SetParent(form.get());
    list->SetAlign(TAlign::alClient);
    list->SetViewStyle(TViewStyle::vsReport);
    list->Columns().Add()->SetWidth(150);
    for (const wchar_t* caption : {L"delta", L"Alpha", L"charlie", L"bravo", L"alphabet"})
      list->Items().Add()->SetCaption(caption);
    list->OnEditing = [this](TObject* sender, TListItem* item, bool& allow) {
      EXPECT_EQ(sender, list);
      editing.push_back(item);
      allow = allow_edit;
    };
    list->OnEdited = [this](TObject*, TListItem* item, std::wstring& text) {
      edited.push_back({item, text});
      if (text == L"shout") text = L"SHOUT";
    };
    form->Show();
  }

  HWND Editor() {
    return reinterpret_cast<HWND>(SendMessageW(list->Handle(), LVM_GETEDITCONTROL, 0, 0));
  }

  // Keys as the message loop delivers them to the editor, which has the
  // focus: each press translated into its character, which is handled
  // before the next key comes.
  void Press(std::initializer_list<WORD> keys) {
    for (WORD key : keys) {
      const HWND editor = Editor();
      ASSERT_NE(editor, nullptr);
      PostMessageW(editor, WM_KEYDOWN, key, 1);
      PostMessageW(editor, WM_KEYUP, key, 1 | (LPARAM{3} << 30));
      Application->ProcessMessages();
    }
  }

  void Type(const std::wstring& text) {
    for (wchar_t c : text) SendMessageW(Editor(), WM_CHAR, c, 1);
  }

  struct Edited {
    TListItem* item;
    std::wstring text;
  };
  std::unique_ptr<TForm> form;
  KeyedList* list = nullptr;
  bool allow_edit = true;
  std::vector<TListItem*> editing;
  std::vector<Edited> edited;
};

// Backspace and Delete edit the text and Enter commits it; none of the keys
// reaches the list's own key handling.
TEST_F(ListViewEdit, EnterCommitsTheTextTypedIntoTheEditor) {
  TListItem* row = list->Items()[2];
  ASSERT_TRUE(row->EditCaption());
  EXPECT_TRUE(list->IsEditing());
  EXPECT_EQ(editing, std::vector<TListItem*>{row});
  SetWindowTextW(Editor(), L"abcd");
  SendMessageW(Editor(), EM_SETSEL, 4, 4);
  Press({VK_BACK, VK_HOME, VK_DELETE});
  Type(L"x");
  Press({VK_RETURN});

  EXPECT_FALSE(list->IsEditing());
  ASSERT_EQ(edited.size(), 1u);
  EXPECT_EQ(edited[0].item, row);
  EXPECT_EQ(edited[0].text, L"xbc");
  EXPECT_EQ(row->Caption(), L"xbc");
  EXPECT_EQ(list->ended_cancelled, std::vector<bool>{false});
  EXPECT_TRUE(list->keys.empty());
  EXPECT_TRUE(list->chars.empty());

  // What the handler makes of the text becomes the caption.
  ASSERT_TRUE(row->EditCaption());
  SetWindowTextW(Editor(), L"shout");
  Press({VK_RETURN});
  EXPECT_EQ(row->Caption(), L"SHOUT");
}

// Wine's control reports the typed text when the cancel message ends an edit.
TEST_F(ListViewEdit, EscapeOrTheCancelMessageRenamesNothing) {
  TListItem* row = list->Items()[1];
  ASSERT_TRUE(row->EditCaption());
  Type(L"zzz");
  Press({VK_ESCAPE});
  EXPECT_FALSE(list->IsEditing());

  ASSERT_TRUE(row->EditCaption());
  SetWindowTextW(Editor(), L"typed");
  SendMessageW(list->Handle(), LVM_CANCELEDITLABEL, 0, 0);
  EXPECT_FALSE(list->IsEditing());
  EXPECT_TRUE(edited.empty());
  EXPECT_EQ(row->Caption(), L"Alpha");
  EXPECT_EQ(list->ended_cancelled, (std::vector<bool>{true, true}));

  // The next edit is not taken for cancelled.
  ASSERT_TRUE(row->EditCaption());
  SetWindowTextW(Editor(), L"kept");
  Press({VK_RETURN});
  EXPECT_EQ(row->Caption(), L"kept");
}

TEST_F(ListViewEdit, RefusedOrReadOnlyListsOpenNoEditor) {
  allow_edit = false;
  EXPECT_FALSE(list->Items()[0]->EditCaption());
  EXPECT_FALSE(list->IsEditing());
  EXPECT_EQ(Editor(), nullptr);
  EXPECT_EQ(editing.size(), 1u);

  // A handler that fails refuses too, and its error is shown.
  {
    test::ErrorDisplayCapture errors;
    list->OnEditing = [](TObject*, TListItem*, bool&) { throw Exception(L"no editing now"); };
    EXPECT_FALSE(list->Items()[0]->EditCaption());
    EXPECT_EQ(errors.messages, std::vector<std::wstring>{L"no editing now"});
  }

  list->OnEditing = nullptr;
  list->SetReadOnly(true);
  EXPECT_FALSE(list->Items()[0]->EditCaption());
  EXPECT_EQ(Editor(), nullptr);
  EXPECT_FALSE(list->IsEditing());
}

TEST_F(ListViewEdit, FindCaptionSearchesTheRowsInTheirSortedOrder) {
  list->CustomSort(
      [](TListItem* a, TListItem* b) { return CompareText(a->Caption(), b->Caption()); });
  // alpha, alphabet, bravo, charlie, delta
  TListItems& rows = list->Items();
  EXPECT_EQ(list->FindCaption(0, L"CHARLIE", false, true, false), rows[3]);
  EXPECT_EQ(list->FindCaption(0, L"alpha", false, true, false), rows[0]);
  EXPECT_EQ(list->FindCaption(0, L"alpha", false, false, false), nullptr);
  EXPECT_EQ(list->FindCaption(0, L"alpha", true, false, false), rows[1]);
  EXPECT_EQ(list->FindCaption(2, L"alpha", true, true, false), nullptr);
  EXPECT_EQ(list->FindCaption(2, L"alpha", true, true, true), rows[0]);
  EXPECT_EQ(list->FindCaption(4, L"delta", false, true, true), rows[4]);
  EXPECT_EQ(list->FindCaption(4, L"delta", false, false, true), rows[4]);
  EXPECT_EQ(list->FindCaption(0, L"echo", true, true, true), nullptr);
  EXPECT_EQ(list->FindCaption(-1, L"alpha", false, false, false), rows[0]);
}

TEST_F(ListViewEdit, GetItemAtFindsTheRowDrawnThereAfterASort) {
  list->CustomSort(
      [](TListItem* a, TListItem* b) { return CompareText(a->Caption(), b->Caption()); });
  for (int i = 0; i < list->Items().Count(); ++i) {
    TListItem* row = list->Items()[i];
    const RECT label = row->DisplayRect(TDisplayCode::drLabel);
    ASSERT_LT(label.top, label.bottom);
    EXPECT_EQ(list->GetItemAt(label.left + 2, (label.top + label.bottom) / 2), row)
        << "row " << i << ", " << std::string(row->Caption().begin(), row->Caption().end());
    const RECT bounds = row->DisplayRect(TDisplayCode::drSelectBounds);
    EXPECT_LE(bounds.left, label.left);
    EXPECT_GE(bounds.bottom, label.bottom);
  }
  EXPECT_EQ(list->Items()[3]->Caption(), L"charlie");
  const RECT last = list->Items()[4]->DisplayRect(TDisplayCode::drBounds);
  EXPECT_EQ(list->GetItemAt(5, last.bottom + 40), nullptr);
}

}  // namespace
}  // namespace wf
