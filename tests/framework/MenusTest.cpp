#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <set>
#include <vector>

#include "framework/Form.h"
#include "framework/Menus.h"
#include "tests/framework/FrameworkTestHelpers.h"
#include "tests/support/MenuDriver.h"

namespace wf {
namespace {

using test::MenuDriver;
using test::MenuEntry;

TMenuItem* AddItem(TMenuItem& parent, const std::wstring& caption) {
  auto* item = new TMenuItem();
  item->SetCaption(caption);
  parent.Add(item);
  return item;
}

MenuDriver::Picker PickText(const std::wstring& text) {
  return [text](const std::vector<MenuEntry>& entries) { return MenuDriver::Find(entries, text); };
}

std::wstring EntryText(HMENU menu, int position) {
  wchar_t text[128] = {};
  GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
  return text;
}

// Records the application's hints while it lives.
struct HintRecorder {
  HintRecorder() {
    Application->SetHint(L"");
    Application->OnHint = [this](TObject*) { hints.push_back(Application->Hint()); };
  }
  ~HintRecorder() { Application->OnHint = nullptr; }
  bool Saw(const std::wstring& hint) const {
    return std::find(hints.begin(), hints.end(), hint) != hints.end();
  }
  std::vector<std::wstring> hints;
};

TEST(MenuCommands, NeverInTheShellsRangeAndNeverShared) {
  std::vector<std::unique_ptr<TMenuItem>> items;
  std::set<UINT> commands;
  for (int i = 0; i < 300; ++i) {
    items.push_back(std::make_unique<TMenuItem>());
    const UINT command = items.back()->Command();
    EXPECT_GE(command, kFirstMenuCommand);
    EXPECT_TRUE(commands.insert(command).second) << command;
  }
  // A freed item's identifier is handed out again, still never shared.
  const UINT freed = items[10]->Command();
  items[10].reset();
  TMenuItem again;
  EXPECT_EQ(again.Command(), freed);
  // Moving off identifiers that a shell took skips them and frees the old one.
  const std::set<UINT> taken{items[0]->Command(), again.Command() + 1000, again.Command() + 1001};
  const UINT before = items[0]->Command();
  items[0]->ChangeCommand(taken);
  EXPECT_EQ(taken.count(items[0]->Command()), 0u);
  EXPECT_GE(items[0]->Command(), kFirstMenuCommand);
  TMenuItem reuser;
  EXPECT_EQ(reuser.Command(), before);
}

TEST(MenuItems, OwnedSubItemsLeaveTheirParentAndParentsFreeTheRest) {
  TComponent owner(nullptr);
  auto* parent = new TMenuItem(&owner);
  auto* owned_child = new TMenuItem(&owner);
  parent->Add(owned_child);
  auto* free_child = AddItem(*parent, L"free");
  EXPECT_EQ(parent->Count(), 2);
  EXPECT_EQ(free_child->Parent(), parent);
  delete owned_child;
  ASSERT_EQ(parent->Count(), 1);
  EXPECT_EQ(parent->Items(0), free_child);
  // Re-adding elsewhere moves the item.
  TMenuItem other;
  other.Add(free_child);
  EXPECT_EQ(parent->Count(), 0);
  EXPECT_EQ(other.Find(free_child->Command()), free_child);
}

TEST(MenuItems, CopiesKeepPropertiesClicksAndSubItemsUnderNewCommands) {
  TMenuItem source;
  TMenuItem* item = AddItem(source, L"&Sort");
  item->SetShortCut(scCtrl | 'S');
  item->SetEnabled(false);
  item->SetTag(42);
  item->SetHint(L"short|long");
  item->SetImageIndex(5);
  TObject* clicked = nullptr;
  item->OnClick = [&](TObject* sender) { clicked = sender; };
  AddItem(*item, L"By name");

  TMenuItem copy;
  copy.AddCopiesOf(source);
  ASSERT_EQ(copy.Count(), 1);
  TMenuItem* copied = copy.Items(0);
  EXPECT_NE(copied->Command(), item->Command());
  EXPECT_EQ(copied->Caption(), L"&Sort");
  EXPECT_EQ(copied->ShortCut(), scCtrl | 'S');
  EXPECT_FALSE(copied->Enabled());
  EXPECT_EQ(copied->Tag(), 42);
  EXPECT_EQ(copied->Hint(), L"short|long");
  EXPECT_EQ(copied->ImageIndex(), 5);
  ASSERT_EQ(copied->Count(), 1);
  EXPECT_EQ(copied->Items(0)->Caption(), L"By name");
  copied->Click();
  EXPECT_EQ(clicked, copied);
}

TEST(ShortCutText, ModifiersThenKey) {
  EXPECT_EQ(ShortCutToText(0), L"");
  EXPECT_EQ(ShortCutToText('A'), L"A");
  EXPECT_EQ(ShortCutToText(scCtrl | 'C'), L"Ctrl+C");
  EXPECT_EQ(ShortCutToText(scShift | scCtrl | VK_DELETE), L"Shift+Ctrl+Del");
  EXPECT_EQ(ShortCutToText(scAlt | VK_RETURN), L"Alt+Enter");
  EXPECT_EQ(ShortCutToText(VK_F10 | scShift), L"Shift+F10");
}

TEST(PopupMenuHandle, BuiltFromTheVisibleItems) {
  TPopupMenu popup;
  TMenuItem* open = AddItem(popup.Items(), L"&Open");
  open->SetShortCut(scCtrl | 'O');
  open->SetChecked(true);
  AddItem(popup.Items(), L"-");
  AddItem(popup.Items(), L"Hidden")->SetVisible(false);
  TMenuItem* off = AddItem(popup.Items(), L"Off");
  off->SetEnabled(false);
  off->SetDefault(true);
  TMenuItem* radio = AddItem(popup.Items(), L"Radio");
  radio->SetRadioItem(true);
  TMenuItem* sort = AddItem(popup.Items(), L"Sort");
  TMenuItem* by_name = AddItem(*sort, L"By name");

  HMENU menu = popup.Handle();
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(GetMenuItemCount(menu), 5);
  EXPECT_EQ(EntryText(menu, 0), L"&Open\tCtrl+O");
  EXPECT_EQ(GetMenuItemID(menu, 0), open->Command());
  EXPECT_TRUE(GetMenuState(menu, 0, MF_BYPOSITION) & MF_CHECKED);
  EXPECT_TRUE(GetMenuState(menu, 1, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_EQ(EntryText(menu, 2), L"Off");
  MENUITEMINFOW info{sizeof(info)};
  info.fMask = MIIM_STATE | MIIM_FTYPE;
  ASSERT_TRUE(GetMenuItemInfoW(menu, 2, TRUE, &info));
  EXPECT_TRUE(info.fState & MFS_DISABLED);
  EXPECT_TRUE(info.fState & MFS_DEFAULT);
  ASSERT_TRUE(GetMenuItemInfoW(menu, 3, TRUE, &info));
  EXPECT_TRUE(info.fType & MFT_RADIOCHECK);

  HMENU sub_menu = GetSubMenu(menu, 4);
  ASSERT_NE(sub_menu, nullptr);
  EXPECT_EQ(sort->SubMenu(), sub_menu);
  EXPECT_EQ(popup.FindItemBySubMenu(sub_menu), sort);
  EXPECT_EQ(popup.FindItemBySubMenu(menu), nullptr) << "the menu itself is no item's";
  EXPECT_EQ(GetMenuItemID(sub_menu, 0), by_name->Command());
  EXPECT_EQ(popup.FindItem(by_name->Command()), by_name);
  EXPECT_EQ(popup.FindItem(5), nullptr);
}

// Items with images have a callback bitmap: the platform asks the menu's
// owner window to measure and draw it, and so does whoever owns a merged
// menu holding our items, by sending the message on.
TEST(PopupMenuHandle, ImagesAreMeasuredByTheFrameworksWindow) {
  UniqueImageList images(ImageList_Create(20, 18, ILC_COLOR32 | ILC_MASK, 1, 1));
  TPopupMenu popup;
  popup.SetImages(images.get());
  TMenuItem* item = AddItem(popup.Items(), L"Pictured");
  item->SetImageIndex(0);
  AddItem(popup.Items(), L"Plain");
  HMENU menu = popup.Handle();
  MENUITEMINFOW info{sizeof(info)};
  info.fMask = MIIM_BITMAP;
  ASSERT_TRUE(GetMenuItemInfoW(menu, 0, TRUE, &info));
  EXPECT_EQ(info.hbmpItem, HBMMENU_CALLBACK);
  ASSERT_TRUE(GetMenuItemInfoW(menu, 1, TRUE, &info));
  EXPECT_EQ(info.hbmpItem, nullptr);

  MEASUREITEMSTRUCT measure{ODT_MENU, 0, item->Command(), 0, 0, item->Command()};
  EXPECT_TRUE(
      SendMessageW(PopupMenuWindow(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)));
  EXPECT_EQ(measure.itemWidth, 20u);
  EXPECT_EQ(measure.itemHeight, 18u);
  // A shell's entry in a merged menu is not ours to measure.
  MEASUREITEMSTRUCT foreign{ODT_MENU, 0, 12, 0, 0, 0x1234};
  EXPECT_FALSE(
      SendMessageW(PopupMenuWindow(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&foreign)));
}

class PopupMenuShown : public testing::Test {
 protected:
  void SetUp() override {
    first_ = AddItem(popup_.Items(), L"First");
    second_ = AddItem(popup_.Items(), L"Second");
    second_->SetHint(L"Second|Runs the second thing");
    for (TMenuItem* item : {first_, second_})
      item->OnClick = [this](TObject* sender) { clicked_.push_back(sender); };
  }

  TPopupMenu popup_;
  TMenuItem* first_ = nullptr;
  TMenuItem* second_ = nullptr;
  std::vector<TObject*> clicked_;
};

TEST_F(PopupMenuShown, PickedItemIsClickedAfterOnPopupHadItsSay) {
  // OnPopup runs before the menu is built: an item it adds is shown.
  popup_.OnPopup = [this](TObject* sender) {
    EXPECT_EQ(sender, &popup_);
    TMenuItem* late = AddItem(popup_.Items(), L"Late");
    late->OnClick = [this](TObject* sender) { clicked_.push_back(sender); };
  };
  {
    MenuDriver driver(PickText(L"Second"));
    popup_.Popup(100, 100);
    ASSERT_TRUE(driver.Seen());
    ASSERT_EQ(driver.Entries().size(), 3u);
    EXPECT_EQ(driver.Entries()[2].text, L"Late");
  }
  ASSERT_EQ(clicked_.size(), 1u);
  EXPECT_EQ(clicked_[0], second_);
}

TEST_F(PopupMenuShown, DismissedMenuClicksNothing) {
  MenuDriver driver([](const std::vector<MenuEntry>&) { return -1; });
  popup_.Popup(100, 100);
  EXPECT_TRUE(driver.Seen());
  EXPECT_TRUE(clicked_.empty());
}

TEST_F(PopupMenuShown, HighlightedItemsLongHintBecomesTheApplicationsHint) {
  HintRecorder recorder;
  {
    MenuDriver driver(PickText(L"Second"), true);
    popup_.Popup(100, 100);
    EXPECT_TRUE(driver.Highlighted());
  }
  EXPECT_TRUE(recorder.Saw(L"Runs the second thing"));
  EXPECT_EQ(Application->Hint(), L"") << "cleared when the menu closed";
  EXPECT_TRUE(clicked_.empty());
}

// WM_CONTEXTMENU on a control with a popup menu, delivered as the platform
// would: a screen point from the mouse, (-1, -1) from the keyboard.
class ControlPopupMenu : public testing::Test {
 protected:
  void SetUp() override {
    form_.SetBounds(150, 120, 300, 200);
    control_.SetParent(&form_);
    control_.SetBounds(20, 30, 100, 80);
    AddItem(popup_.Items(), L"Only");
    control_.SetPopupMenu(&popup_);
    control_.OnContextPopup = [this](TObject*, POINT point, bool& handled) {
      points_.push_back(point);
      handled = handle_;
    };
    form_.Show();
  }

  LRESULT ContextMenu(LPARAM lparam) {
    return SendMessageW(control_.Handle(), WM_CONTEXTMENU,
                        reinterpret_cast<WPARAM>(control_.Handle()), lparam);
  }

  TForm form_{nullptr};
  TWinControl control_{nullptr};
  TPopupMenu popup_;
  std::vector<POINT> points_;
  bool handle_ = false;
};

TEST_F(ControlPopupMenu, MouseShowsTheMenuAtThePointer) {
  POINT origin{0, 0};
  ClientToScreen(control_.Handle(), &origin);
  MenuDriver driver([](const std::vector<MenuEntry>&) { return -1; });
  EXPECT_EQ(ContextMenu(MAKELPARAM(origin.x + 10, origin.y + 12)), 0);
  ASSERT_TRUE(driver.Seen());
  EXPECT_EQ(driver.WindowRect().left, origin.x + 10);
  EXPECT_EQ(driver.WindowRect().top, origin.y + 12);
  ASSERT_EQ(points_.size(), 1u);
  EXPECT_EQ(points_[0].x, 10);
  EXPECT_EQ(points_[0].y, 12);
}

TEST_F(ControlPopupMenu, KeyboardShowsTheMenuAtTheControl) {
  RECT control_rect;
  GetWindowRect(control_.Handle(), &control_rect);
  MenuDriver driver([](const std::vector<MenuEntry>&) { return -1; });
  ContextMenu(-1);
  ASSERT_TRUE(driver.Seen());
  const RECT menu = driver.WindowRect();
  EXPECT_GE(menu.left, control_rect.left);
  EXPECT_LT(menu.left, control_rect.right);
  EXPECT_GE(menu.top, control_rect.top);
  EXPECT_LT(menu.top, control_rect.bottom);
  ASSERT_EQ(points_.size(), 1u);
  EXPECT_EQ(points_[0].x, -1);
  EXPECT_EQ(points_[0].y, -1);
}

TEST_F(ControlPopupMenu, NegativeScreenXIsAMouseClickAndAHandlerMayTakeIt) {
  handle_ = true;
  POINT origin{0, 0};
  ClientToScreen(control_.Handle(), &origin);
  MenuDriver driver([](const std::vector<MenuEntry>&) { return -1; });
  EXPECT_EQ(ContextMenu(MAKELPARAM(-50, 100)), 0);
  ASSERT_EQ(points_.size(), 1u);
  EXPECT_EQ(points_[0].x, -50 - origin.x);
  EXPECT_EQ(points_[0].y, 100 - origin.y);
  test::PumpFor(std::chrono::milliseconds(100));
  EXPECT_FALSE(driver.Seen()) << "a handled request shows no menu";
}

TEST_F(ControlPopupMenu, FreedMenuIsForgotten) {
  auto menu = std::make_unique<TPopupMenu>();
  control_.SetPopupMenu(menu.get());
  menu.reset();
  EXPECT_EQ(control_.PopupMenu(), nullptr);
}

}  // namespace
}  // namespace wf
