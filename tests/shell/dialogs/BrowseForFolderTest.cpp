#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <cwchar>
#include <vector>

#include "framework/Control.h"
#include "framework/Form.h"
#include "framework/Handles.h"
#include "framework/Timer.h"
#include "shell/core/IdList.h"
#include "shell/core/ShellModule.h"
#include "shell/core/ShellUtils.h"
#include "shell/dialogs/BrowseForFolder.h"
#include "tests/support/SentMessages.h"
#include "tests/support/TempFolder.h"

namespace wf {
namespace {

using Step = std::function<bool(HWND picker)>;

// Plays steps against the real picker from inside its modal loop, one per
// timer tick on this thread: a step answers false to be asked again at the
// next tick (it waits for something), true when it has done its part.
class PickerScript {
 public:
  explicit PickerScript(TKivBrowseForFolder& dialog) : dialog_(dialog), timer_(nullptr) {
    timer_.SetEnabled(false);
    timer_.SetInterval(10);
    timer_.OnTimer = [this](TObject*) { Tick(); };
    dialog_.OnShow = [this, shown = dialog_.OnShow](TObject* sender) {
      timer_.SetEnabled(true);
      Raise(shown, sender);
    };
    dialog_.OnClose = [this, closed = dialog_.OnClose](TObject* sender) {
      timer_.SetEnabled(false);
      Raise(closed, sender);
    };
  }

  PickerScript& Then(Step step) {
    steps_.push_back(std::move(step));
    return *this;
  }
  bool Finished() const { return steps_.empty(); }

 private:
  // A script that stops making progress would leave the picker open for
  // good: after this many ticks it is cancelled and the test fails.
  static constexpr int kTickLimit = 3000;

  void Tick() {
    HWND picker = dialog_.Handle();
    if (!picker || steps_.empty()) return;
    if (++ticks_ > kTickLimit) {
      ADD_FAILURE() << "the picker script stopped before its end";
      steps_.clear();
      PostMessageW(picker, WM_COMMAND, IDCANCEL, 0);
      return;
    }
    if (steps_.front()(picker)) steps_.pop_front();
  }

  TKivBrowseForFolder& dialog_;
  TTimer timer_;
  std::deque<Step> steps_;
  int ticks_ = 0;
};

Step Press(int button) {
  return [button](HWND picker) {
    PostMessageW(picker, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    return true;
  };
}

Step Select(PCIDLIST_ABSOLUTE item) {
  return [item](HWND picker) {
    SendMessageW(picker, BFFM_SETSELECTIONW, FALSE, reinterpret_cast<LPARAM>(item));
    return true;
  };
}

Step Check(std::function<void(HWND)> check) {
  return [check](HWND picker) {
    check(picker);
    return true;
  };
}

bool OkEnabled(HWND picker) {
  return IsWindowEnabled(GetDlgItem(picker, IDOK)) != FALSE;
}

AbsoluteIdList ComputerFolder() {
  AbsoluteIdList list;
  SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, list.put());
  return list;
}

std::wstring DisplayNameOf(PCIDLIST_ABSOLUTE list) {
  SHFILEINFOW info{};
  SHGetFileInfoW(reinterpret_cast<LPCWSTR>(list), 0, &info, sizeof(info),
                 SHGFI_PIDL | SHGFI_DISPLAYNAME);
  return info.szDisplayName;
}

std::wstring TreeRootText(HWND picker) {
  HWND tree = FindWindowExW(picker, nullptr, WC_TREEVIEWW, nullptr);
  if (!tree) return {};
  wchar_t text[MAX_PATH] = {};
  TVITEMW item{};
  item.mask = TVIF_TEXT;
  item.hItem = TreeView_GetRoot(tree);
  item.pszText = text;
  item.cchTextMax = MAX_PATH;
  if (!item.hItem || !TreeView_GetItem(tree, &item)) return {};
  return text;
}

std::wstring Caption(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

RECT WindowRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

// Wine's picker finds an item it is asked to select by comparing id lists
// byte for byte, last-access times included, and the first listing of a new
// folder moves its access time: a list made before that listing would then
// name nothing in the picker's tree. Listing the new folders first settles
// them.
std::wstring Settled(const std::wstring& folder) {
  for (const std::wstring& listed : {folder.substr(0, folder.rfind(L'\\')), folder}) {
    WIN32_FIND_DATAW data{};
    const UniqueFindHandle find(FindFirstFileW((listed + L"\\*").c_str(), &data));
    while (find && FindNextFileW(find.get(), &data)) {
    }
  }
  return folder;
}

TEST(BrowseForFolderChoice, PreselectionIsReportedAndOkReturnsTheFolder) {
  test::TempFolder temp;
  const std::wstring folder = Settled(temp.MakeFolder(test::TempFolder::NonAnsiName(L"")));
  TKivBrowseForFolder dialog(nullptr);
  dialog.SetPath(folder);
  std::vector<std::wstring> changes;
  dialog.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &dialog);
    changes.push_back(dialog.Path());
  };
  PickerScript script(dialog);
  script.Then([&](HWND) { return !changes.empty(); }).Then(Press(IDOK));

  EXPECT_TRUE(dialog.Execute());

  EXPECT_TRUE(script.Finished());
  ASSERT_FALSE(changes.empty());
  EXPECT_EQ(changes.back(), folder);
  EXPECT_EQ(dialog.Path(), folder);
  EXPECT_EQ(dialog.Handle(), nullptr);
}

// Wine leaves the display-name buffer alone on cancel; the platform may
// leave there what the picker last showed, which this stands in for.
class PickerLeavingItsLastName : public TKivBrowseForFolder {
 public:
  using TKivBrowseForFolder::TKivBrowseForFolder;

 protected:
  PIDLIST_ABSOLUTE RunPicker(BROWSEINFOW& info) override {
    PIDLIST_ABSOLUTE chosen = TKivBrowseForFolder::RunPicker(info);
    if (!chosen) wcscpy(info.pszDisplayName, L"Last shown");
    return chosen;
  }
};

TEST(BrowseForFolderChoice, CancelReturnsFalseAndLeavesNoPath) {
  test::TempFolder temp;
  const std::wstring folder = Settled(temp.MakeFolder(L"chosen before"));
  PickerLeavingItsLastName dialog(nullptr);
  dialog.SetPath(folder);
  int closes = 0;
  dialog.OnClose = [&](TObject*) { ++closes; };
  PickerScript script(dialog);
  script.Then([&](HWND) { return dialog.Path() == folder; }).Then(Press(IDCANCEL));

  EXPECT_FALSE(dialog.Execute());

  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(dialog.Path(), L"");
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(TKivBrowseForFolder(nullptr).Path(), L"");
}

// The selections by id list asked of the picker, as they are sent.
bool IsSelectionRequest(const CWPSTRUCT& sent) {
  return sent.message == BFFM_SETSELECTIONW && !sent.wParam;
}

TEST(BrowseForFolderChoice, OnlyAPathThatNamesAnItemIsPreselected) {
  test::TempFolder temp;
  const std::wstring known = Settled(temp.MakeFolder(L"known"));
  for (const std::wstring& path : {known, temp / L"no such folder"}) {
    TKivBrowseForFolder dialog(nullptr);
    dialog.SetPath(path);
    PickerScript script(dialog);
    script.Then(Press(IDCANCEL));
    const test::SentMessages requests(IsSelectionRequest);
    ASSERT_TRUE(requests.Installed());

    dialog.Execute();

    EXPECT_TRUE(script.Finished());
    if (path == known) {
      ASSERT_EQ(requests.Count(), 1u);
      EXPECT_NE(requests.All()[0].lparam, 0);
    } else {
      EXPECT_EQ(requests.Count(), 0u) << "a selection of no item was asked for";
    }
  }
}

TEST(BrowseForFolderChoice, FileSystemOnlyKeepsOkInStepWithTheSelection) {
  test::TempFolder temp;
  const std::wstring folder = Settled(temp.MakeFolder(L"real"));
  const AbsoluteIdList computer = ComputerFolder();
  const AbsoluteIdList directory = PathToIdList(folder);
  ASSERT_TRUE(computer && directory);
  TKivBrowseForFolder dialog(nullptr);
  dialog.SetOptions({TKivBrowseFlag::bfFileSystemOnly});
  dialog.SetPath(folder);
  PickerScript script(dialog);
  script.Then(Check([&](HWND picker) { EXPECT_TRUE(OkEnabled(picker)); }))
      .Then(Select(computer.get()))
      .Then(Check([&](HWND picker) {
        EXPECT_FALSE(OkEnabled(picker));
        EXPECT_EQ(dialog.Path(), L"");
        EXPECT_EQ(dialog.SelectedSpecialFolder(), SF_DRIVES);
      }))
      .Then(Select(directory.get()))
      .Then(Check([&](HWND picker) {
        EXPECT_TRUE(OkEnabled(picker));
        EXPECT_EQ(dialog.Path(), folder);
      }))
      .Then(Press(IDOK));

  EXPECT_TRUE(dialog.Execute());
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(dialog.Path(), folder);
}

TEST(BrowseForFolderChoice, VirtualItemReturnsItsDisplayName) {
  const AbsoluteIdList computer = ComputerFolder();
  ASSERT_TRUE(computer);
  TKivBrowseForFolder dialog(nullptr);
  dialog.SetPath(L"C:\\");
  PickerScript script(dialog);
  script.Then(Select(computer.get()))
      .Then(Check([&](HWND picker) { EXPECT_TRUE(OkEnabled(picker)); }))
      .Then(Press(IDOK));

  EXPECT_TRUE(dialog.Execute());

  EXPECT_EQ(dialog.SelectedSpecialFolder(), SF_DRIVES);
  EXPECT_FALSE(dialog.Path().empty());
  EXPECT_EQ(dialog.Path(), DisplayNameOf(computer.get()));
}

TEST(BrowseForFolderChoice, ExceptionFromOnShowStillClosesTheDialog) {
  TKivBrowseForFolder dialog(nullptr);
  int closes = 0;
  dialog.OnShow = [](TObject*) { throw std::runtime_error("no picker today"); };
  dialog.OnClose = [&](TObject*) { ++closes; };

  EXPECT_THROW(dialog.Execute(), std::runtime_error);
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(dialog.Handle(), nullptr);
}

TEST(BrowseForFolderRoot, ExistingFolderIsTheRootAndAMissingOneGivesTheComputer) {
  test::TempFolder temp;
  const std::wstring folder = temp.MakeFolder(L"root here");
  const AbsoluteIdList computer = ComputerFolder();
  TKivBrowseForFolder dialog(nullptr);
  std::wstring root;
  PickerScript script(dialog);

  dialog.SetRootedAtFileSystemFolder(folder);
  dialog.SetPath(folder);
  script.Then([&](HWND picker) { return !(root = TreeRootText(picker)).empty(); })
      .Then(Press(IDCANCEL));
  dialog.Execute();
  EXPECT_EQ(root, L"root here");

  dialog.SetRootedAt(SF_DESKTOP);
  dialog.SetRootedAtFileSystemFolder(temp / L"missing");
  EXPECT_EQ(dialog.RootedAt(), SF_FILESYSTEMFOLDER);
  root.clear();
  script.Then([&](HWND picker) { return !(root = TreeRootText(picker)).empty(); })
      .Then(Press(IDCANCEL));
  dialog.Execute();
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(root, DisplayNameOf(computer.get()));
}

TEST(BrowseForFolderWindow, CentredUnlessBothCoordinatesAreSet) {
  const int screen_width = GetSystemMetrics(SM_CXSCREEN);
  const int screen_height = GetSystemMetrics(SM_CYSCREEN);
  for (const POINT requested : {POINT{-1, -1}, POINT{10, 0}}) {
    TKivBrowseForFolder dialog(nullptr);
    dialog.SetDialogLeft(requested.x);
    dialog.SetDialogTop(requested.y);
    RECT rect{};
    PickerScript script(dialog);
    script.Then(Check([&](HWND picker) { rect = WindowRect(picker); })).Then(Press(IDCANCEL));
    dialog.Execute();
    EXPECT_EQ(rect.left, screen_width / 2 - (rect.right - rect.left) / 2)
        << requested.x << "," << requested.y;
    EXPECT_EQ(rect.top, screen_height / 2 - (rect.bottom - rect.top) / 2)
        << requested.x << "," << requested.y;
  }
}

TEST(BrowseForFolderWindow, PlacedAtThePointAndReadLive) {
  TKivBrowseForFolder dialog(nullptr);
  dialog.SetDialogLeft(50);
  dialog.SetDialogTop(60);
  dialog.SetWindowTitle(L"Pick one");
  PickerScript script(dialog);
  script
      .Then(Check([&](HWND picker) {
        const RECT rect = WindowRect(picker);
        EXPECT_EQ(rect.left, 50);
        EXPECT_EQ(rect.top, 60);
        EXPECT_EQ(Caption(picker), L"Pick one");
        // As the user would drag it.
        SetWindowPos(picker, nullptr, 120, 130, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        EXPECT_EQ(dialog.DialogLeft(), 120);
        EXPECT_EQ(dialog.DialogTop(), 130);
        dialog.SetDialogLeft(70);
        EXPECT_EQ(WindowRect(picker).left, 70);
        EXPECT_EQ(WindowRect(picker).top, 60);
        dialog.SetWindowTitle(L"Pick another");
        EXPECT_EQ(Caption(picker), L"Pick another");
      }))
      .Then(Press(IDCANCEL));

  dialog.Execute();

  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(dialog.DialogLeft(), 70);
  EXPECT_EQ(dialog.DialogTop(), 60);
}

TEST(BrowseForFolderWindow, OwnedByTheFormAboveItsOwner) {
  TForm form(nullptr);
  auto* control = new TWinControl(&form);
  for (TComponent* owner : std::vector<TComponent*>{&form, control, nullptr}) {
    TKivBrowseForFolder dialog(owner);
    HWND picker_owner = nullptr;
    PickerScript script(dialog);
    script.Then(Check([&](HWND picker) { picker_owner = GetWindow(picker, GW_OWNER); }))
        .Then(Press(IDCANCEL));
    dialog.Execute();
    EXPECT_EQ(picker_owner, owner ? form.Handle() : MainWindowHandle())
        << (owner == control ? "control" : "form");
  }
}

}  // namespace
}  // namespace wf
