// The main form built in the test's own process: its bars, its buttons and
// what they do, driven by real clicks and the platform's own messages.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "framework/Application.h"
#include "framework/Dpi.h"
#include "framework/IniFile.h"
#include "framework/Strings.h"
#include "framework/Timer.h"
#include "shell/core/IdList.h"
#include "tests/support/RealMouse.h"
#include "tests/support/RealDrag.h"
#include "tests/support/SentMessages.h"
#include "tests/support/TempFolder.h"

namespace wf::test {
namespace {

constexpr DWORD kWaitMs = 30000;

bool PumpUntil(const std::function<bool()>& done) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > kWaitMs) return false;
    Application->ProcessMessages();
    Sleep(10);
  }
  return true;
}

std::string Bytes(const std::wstring& file) {
  std::ifstream in(std::filesystem::path(file), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The form reads and writes the settings file beside the running
// executable, here the test's: what was there before comes back after.
class SettingsFileKept {
 public:
  SettingsFileKept() : file_(TfrmMain_Wayfold::SettingsFileName()) {
    if (GetFileAttributesW(file_.c_str()) != INVALID_FILE_ATTRIBUTES) saved_ = Bytes(file_);
    DeleteFileW(file_.c_str());
  }
  ~SettingsFileKept() {
    DeleteFileW(file_.c_str());
    // A test may have put a folder in the file's place.
    RemoveDirectoryW(file_.c_str());
    if (saved_) std::ofstream(std::filesystem::path(file_), std::ios::binary) << *saved_;
  }
  SettingsFileKept(const SettingsFileKept&) = delete;
  SettingsFileKept& operator=(const SettingsFileKept&) = delete;
  const std::wstring& File() const { return file_; }

 private:
  std::wstring file_;
  std::optional<std::string> saved_;
};

// Errors that reach the standard display are collected instead of failing
// the test, for as long as the object lives.
class ShownErrors {
 public:
  ShownErrors() : previous_(Application->OnException) {
    Application->OnException = [this](TObject*, const std::exception& e) {
      messages_.push_back(e.what());
    };
  }
  ~ShownErrors() { Application->OnException = previous_; }
  ShownErrors(const ShownErrors&) = delete;
  ShownErrors& operator=(const ShownErrors&) = delete;
  const std::vector<std::string>& Messages() const { return messages_; }

 private:
  TExceptionEvent previous_;
  std::vector<std::string> messages_;
};

class MainForm : public testing::Test {
 protected:
  void SetUp() override { form = MakeForm(); }

  static std::unique_ptr<TfrmMain_Wayfold> MakeForm() {
    auto made = std::make_unique<TfrmMain_Wayfold>(nullptr);
    made->DoCreate();
    made->Show();
    return made;
  }

  void ShowFolder(const std::wstring& folder) {
    form->shList->SetPath(folder);
    ASSERT_TRUE(PumpUntil([&] { return form->pnlBottom->Caption() == L" " + folder + L"\\"; }))
        << "bar: "
        << std::string(form->pnlBottom->Caption().begin(), form->pnlBottom->Caption().end());
  }

  // The form's client height once the platform has applied it.
  int ClientHeight() {
    RECT client{};
    GetClientRect(form->Handle(), &client);
    return client.bottom;
  }

  // A point of a control in screen coordinates.
  static POINT ScreenPoint(HWND window, int x, int y) {
    POINT p{x, y};
    ClientToScreen(window, &p);
    return p;
  }

  // A left press and release on an image button, as the mouse gives them.
  void Click(TImage* button) {
    const LPARAM at = MAKELPARAM(button->Left() + 8, button->Top() + 8);
    SendMessageW(form->pnlTop->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(form->pnlTop->Handle(), WM_LBUTTONUP, 0, at);
  }

  TempFolder home;
  SettingsFileKept settings;
  std::unique_ptr<TfrmMain_Wayfold> form;
};

TEST_F(MainForm, PathBarAndTwoColumnsFollowEveryFolder) {
  // The list's path ends in a backslash after the folder's name.
  const size_t base = home.Path().size();
  ASSERT_LT(base, 40u);
  const std::wstring fifty = home.MakeFolder(std::wstring(50 - base - 1, L'f'));
  const std::wstring fifty_one = home.MakeFolder(std::wstring(51 - base - 1, L'g'));
  const std::wstring ampersand = home.MakeFolder(L"Tom & Jerry");
  const std::wstring non_ansi = home.MakeFolder(TempFolder::NonAnsiName(L""));
  for (const std::wstring& folder : {fifty, fifty_one}) home.MakeFile(folder.substr(base) + L"\\a");

  auto expect_two_columns = [&](const char* where) {
    TListColumns& columns = form->shList->Columns();
    EXPECT_EQ(columns.Count(), 2) << where;
    EXPECT_EQ(ListView_GetColumnWidth(form->shList->Handle(), 0), 195) << where;
    // No link, so no check boxes: " .. " shows no box either.
    EXPECT_EQ(ListView_GetImageList(form->shList->Handle(), LVSIL_STATE), nullptr) << where;
  };

  form->shList->SetPath(fifty);
  ASSERT_TRUE(PumpUntil([&] { return form->pnlBottom->Caption() == L" " + fifty + L"\\"; }))
      << "a path of exactly 50 characters is shown whole";
  expect_two_columns("50");
  // A width the user gives lasts until the next change of folder.
  ListView_SetColumnWidth(form->shList->Handle(), 0, 120);
  Application->ProcessMessages();
  EXPECT_EQ(ListView_GetColumnWidth(form->shList->Handle(), 0), 120);

  form->shList->SetPath(fifty_one);
  const std::wstring long_path = fifty_one + L"\\";
  ASSERT_EQ(long_path.size(), 51u);
  const std::wstring shortened =
      L" " + long_path.substr(0, 3) + L"[...]" + long_path.substr(long_path.size() - 49);
  EXPECT_TRUE(PumpUntil([&] { return form->pnlBottom->Caption() == shortened; }));
  EXPECT_EQ(form->pnlBottom->Caption().size(), 58u);
  expect_two_columns("51");

  ShowFolder(ampersand);
  wchar_t text[100] = {};
  GetWindowTextW(form->pnlBottom->Handle(), text, 100);
  EXPECT_EQ(std::wstring(text), L" " + ampersand + L"\\") << "tools outside read the bar too";
  expect_two_columns("&");
  ShowFolder(non_ansi);
  expect_two_columns("non-ANSI");

  form->shList->SetSpecialFolder(SF_DRIVES);
  EXPECT_TRUE(PumpUntil([&] { return form->pnlBottom->Caption() == L" "; }))
      << "the computer folder has no path";
}

TEST(MainFormPathCaption, NeverSplitsASurrogatePair) {
  const std::wstring pair = L"\xD83D\xDE00";  // one character outside the basic plane
  // A pair across the end of the head: both halves stay out.
  std::wstring path = L"C:" + pair + std::wstring(60, L'x');
  EXPECT_EQ(TfrmMain_Wayfold::PathCaption(path), L"C:[...]" + std::wstring(49, L'x'));
  // A pair across the start of the tail: both halves stay out.
  path = L"C:\\" + std::wstring(10, L'x') + pair + std::wstring(48, L'y');
  EXPECT_EQ(TfrmMain_Wayfold::PathCaption(path), L"C:\\[...]" + std::wstring(48, L'y'));
  path = L"C:\\" + std::wstring(10, L'x') + pair + std::wstring(47, L'y');
  EXPECT_EQ(TfrmMain_Wayfold::PathCaption(path), L"C:\\[...]" + pair + std::wstring(47, L'y'));
}

TEST_F(MainForm, DoubleClickOnEitherBarRollsUpAndBackToTheHeightBefore) {
  ASSERT_EQ(ClientHeight(), 566);
  auto double_click = [&](TPaxPanel* panel) {
    SetForegroundWindow(form->Handle());
    ASSERT_TRUE(PressTwice(ScreenPoint(panel->Handle(), 100, 12)));
  };
  double_click(form->pnlTop);
  EXPECT_TRUE(PumpUntil([&] { return ClientHeight() == 23; })) << ClientHeight();
  double_click(form->pnlTop);
  EXPECT_TRUE(PumpUntil([&] { return ClientHeight() == 566; }))
      << "unrolled to the height before: " << ClientHeight();

  form->SetClientHeight(400);
  ASSERT_TRUE(PumpUntil([&] { return ClientHeight() == 400; }));
  double_click(form->pnlBottom);
  EXPECT_TRUE(PumpUntil([&] { return ClientHeight() == 23; })) << ClientHeight();
  double_click(form->pnlTop);
  EXPECT_TRUE(PumpUntil([&] { return ClientHeight() == 400; })) << ClientHeight();
}

// The form's sizes at one density, as the design's pixels give them there.
struct DensityLayout {
  int dpi;
  SIZE client;
  int bar;
  int name_column;
  std::array<int, 4> button_lefts;
  int button_top;
  int button_size;
  int picture;
  int bar_font;
};

constexpr DensityLayout kAt96{96, {332, 566}, 23, 195, {234, 259, 284, 310}, 3, 17, 16, -11};
constexpr DensityLayout kAt144{144, {498, 849}, 35, 293, {351, 389, 426, 465}, 5, 26, 24, -17};

// A window's rectangle in its parent's client coordinates.
RECT InParent(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

LONG FontHeight(HFONT font) {
  LOGFONTW described{};
  GetObjectW(font, sizeof(described), &described);
  return described.lfHeight;
}

// The colours down one column of a bar, as the bar paints itself.
std::vector<COLORREF> BarColumn(TPaxPanel* bar, int x) {
  TBitmap painted;
  painted.SetSize(bar->Width(), bar->Height());
  SendMessageW(bar->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(painted.Dc()), PRF_CLIENT);
  std::vector<COLORREF> column;
  for (int y = 0; y < painted.Height(); ++y) column.push_back(painted.Canvas().Pixel(x, y));
  return column;
}

size_t DistinctColours(std::vector<COLORREF> colours) {
  std::sort(colours.begin(), colours.end());
  return static_cast<size_t>(std::unique(colours.begin(), colours.end()) - colours.begin());
}

class MainFormDensity : public MainForm {
 protected:
  // Wine keeps one density for every monitor and never sends the message
  // that a move to another monitor brings: the test delivers it, with the
  // window rectangle the platform would suggest, the window's design size
  // at the new density (the borderless window is all client area).
  void MoveToDensity(int dpi) {
    RECT window{};
    GetWindowRect(form->Handle(), &window);
    RECT suggested{window.left, window.top, window.left + MulDiv(kAt96.client.cx, dpi, 96),
                   window.top + MulDiv(kAt96.client.cy, dpi, 96)};
    SendMessageW(form->Handle(), kDpiChangedMessage, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    Application->ProcessMessages();
  }

  void ExpectLayout(const DensityLayout& at) {
    SCOPED_TRACE(testing::Message() << "at " << at.dpi << " dpi");
    RECT client{};
    GetClientRect(form->Handle(), &client);
    EXPECT_EQ(client.right, at.client.cx);
    EXPECT_EQ(client.bottom, at.client.cy);
    const RECT top = InParent(form->pnlTop->Handle());
    const RECT bottom = InParent(form->pnlBottom->Handle());
    const RECT list = InParent(form->shList->Handle());
    EXPECT_EQ(top.bottom - top.top, at.bar);
    EXPECT_EQ(top.right - top.left, at.client.cx);
    EXPECT_EQ(bottom.bottom - bottom.top, at.bar);
    EXPECT_EQ(bottom.bottom, at.client.cy);
    EXPECT_EQ(list.top, at.bar) << "the list fills the space between the bars";
    EXPECT_EQ(list.bottom, at.client.cy - at.bar);
    EXPECT_EQ(ListView_GetColumnWidth(form->shList->Handle(), 0), at.name_column);
    TImage* const buttons[] = {form->imgWeb, form->imgRoot, form->imgNewFolder, form->imgExit};
    for (size_t i = 0; i < std::size(buttons); ++i) {
      SCOPED_TRACE(testing::Message() << "button " << i);
      EXPECT_EQ(buttons[i]->Left(), at.button_lefts[i]);
      EXPECT_EQ(buttons[i]->Top(), at.button_top);
      EXPECT_EQ(buttons[i]->Width(), at.button_size);
      EXPECT_EQ(buttons[i]->Height(), at.button_size);
      EXPECT_EQ(buttons[i]->Picture().Width(), at.picture)
          << "the picture drawn nearest to the button's size";
    }
    EXPECT_EQ(FontHeight(form->pnlTop->Font().Handle()), at.bar_font);
    EXPECT_EQ(FontHeight(form->pnlBottom->Font().Handle()), at.bar_font);
    LOGFONTW icon_title{};
    ASSERT_TRUE(IconTitleFontForDpi(at.dpi, icon_title));
    const auto list_font =
        reinterpret_cast<HFONT>(SendMessageW(form->shList->Handle(), WM_GETFONT, 0, 0));
    EXPECT_EQ(FontHeight(list_font), icon_title.lfHeight) << "the icon-title font at the density";
  }
};

TEST_F(MainFormDensity, AnotherDensityScalesEveryDesignSizeAndComingBackRestoresThemExactly) {
  ExpectLayout(kAt96);
  const LONG list_font = FontHeight(form->shList->Font().Handle());
  MoveToDensity(144);
  EXPECT_EQ(form->CurrentDpi(), 144) << "the density the message gave, whatever Wine reports";
  ExpectLayout(kAt144);
  EXPECT_EQ(FontHeight(form->shList->Font().Handle()), MulDiv(list_font, 144, 96));
  // The bar's picture has 23 rows: stretched by repeating rows it would
  // show no more than 23 colours down a column, smoothly it shows more.
  // Away from the caption and the buttons.
  EXPECT_GT(DistinctColours(BarColumn(form->pnlBottom, 320)), 23u);
  MoveToDensity(96);
  ExpectLayout(kAt96);
  const std::vector<COLORREF> design = BarColumn(form->pnlBottom, 320);
  EXPECT_EQ(design.front(), RGB(111, 162, 224)) << "drawn 1:1 at the design density";
  EXPECT_EQ(design.back(), RGB(16, 103, 190));
  // Through a lower density and a third one, where sizes scaled from the
  // last pixels rather than the design come back a pixel off (259 as 258,
  // 17 as 18, the bars 22 high).
  MoveToDensity(72);
  MoveToDensity(120);
  MoveToDensity(96);
  ExpectLayout(kAt96);
}

TEST_F(MainFormDensity, RollingUpKeepsOneBarAndTheHeightBeforeAcrossADensityChange) {
  form->pnlTopDblClick(form->pnlTop);
  MoveToDensity(144);
  EXPECT_EQ(ClientHeight(), 35) << "still rolled up, one bar high";
  form->pnlTopDblClick(form->pnlTop);
  EXPECT_EQ(ClientHeight(), 849) << "the height before, at this density";
  form->pnlTopDblClick(form->pnlTop);
  MoveToDensity(96);
  form->pnlTopDblClick(form->pnlTop);
  EXPECT_EQ(ClientHeight(), 566);
}

TEST_F(MainForm, ADraggedWindowSnapsToAWorkAreaEdgeNearIt) {
  MONITORINFO monitor{sizeof(monitor)};
  ASSERT_TRUE(
      GetMonitorInfoW(MonitorFromWindow(form->Handle(), MONITOR_DEFAULTTOPRIMARY), &monitor));
  const RECT area = monitor.rcWork;
  RECT window{};
  auto move_to = [&](int x, int y) {
    SetWindowPos(form->Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetWindowRect(form->Handle(), &window);
  };
  // The platform's move loop brackets a drag with these two messages.
  SendMessageW(form->Handle(), WM_ENTERSIZEMOVE, 0, 0);
  move_to(area.left + 10, area.top + 7);
  EXPECT_EQ(window.left, area.left);
  EXPECT_EQ(window.top, area.top);
  move_to(area.right - 332 - 4, area.top + 100);
  EXPECT_EQ(window.right, area.right);
  EXPECT_EQ(window.top, area.top + 100) << "farther than 10 pixels: where it was put";
  SendMessageW(form->Handle(), WM_EXITSIZEMOVE, 0, 0);
  move_to(area.left + 5, area.top + 5);
  EXPECT_EQ(window.left, area.left + 5) << "a place the program sets does not snap";
}

// The WM_SYSCOMMAND messages this thread's windows are sent.
bool IsSysCommand(const CWPSTRUCT& sent) {
  return sent.message == WM_SYSCOMMAND;
}

TEST(MainFormMove, ALeftPressOnABarMovesThisFormOnly) {
  TempFolder home;
  SettingsFileKept settings;
  // Another window of the class, made first, as a second copy would be.
  auto first = std::make_unique<TfrmMain_Wayfold>(nullptr);
  first->Show();
  auto form = std::make_unique<TfrmMain_Wayfold>(nullptr);
  form->Show();
  // The other copy lies above this one, where a search by class finds it
  // first: put there once the showing is done, as Wine's virtual desktop
  // restacks the windows while the focus settles into the active one.
  Application->ProcessMessages();
  SetWindowPos(first->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ASSERT_EQ(FindWindowExW(nullptr, nullptr, L"TfrmMain_Wayfold", nullptr), first->Handle());

  for (TPaxPanel* panel : {form->pnlTop, form->pnlBottom}) {
    const SentMessages recorded(IsSysCommand);
    // The platform's move loop runs until a key or button ends it: the
    // end waits in the queue before the press starts it.
    PostMessageW(form->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    SendMessageW(panel->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 10));
    ASSERT_EQ(recorded.Count(), 1u);
    EXPECT_EQ(recorded.All()[0].window, form->Handle()) << "not the first of its class";
    EXPECT_EQ(recorded.All()[0].wparam, WPARAM{SC_MOVE + 2});
    Application->ProcessMessages();
  }
  const SentMessages recorded(IsSysCommand);
  SendMessageW(form->pnlTop->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(100, 10));
  SendMessageW(form->pnlTop->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(100, 10));
  EXPECT_EQ(recorded.Count(), 0u) << "a right press moves nothing";
}

// Plays steps against the open folder picker, one per timer tick of this
// thread, which its modal loop goes on serving.
class PickerSteps {
 public:
  using Step = std::function<void(HWND picker)>;
  PickerSteps(TKivBrowseForFolder& picker, std::vector<Step> steps)
      : picker_(picker), steps_(std::move(steps)), timer_(nullptr) {
    timer_.SetInterval(20);
    timer_.OnTimer = [this](TObject*) {
      HWND window = picker_.Handle();
      if (!window || next_ >= steps_.size()) return;
      steps_[next_++](window);
    };
    timer_.SetEnabled(true);
  }
  bool Finished() const { return next_ == steps_.size(); }

 private:
  TKivBrowseForFolder& picker_;
  std::vector<Step> steps_;
  size_t next_ = 0;
  TTimer timer_;
};

PickerSteps::Step SelectFolder(std::wstring folder) {
  return [folder](HWND picker) {
    SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
  };
}

PickerSteps::Step Press(int button) {
  return [button](HWND picker) {
    PostMessageW(picker, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  };
}

TEST_F(MainForm, RootFolderButtonKeepsThePickedFolderOnlyOnceTheListOpenedIt) {
  const std::wstring first = home.MakeFolder(L"first");
  const std::wstring chosen = home.MakeFolder(TempFolder::NonAnsiName(L""));
  home.MakeFile(TempFolder::NonAnsiName(L"") + L"\\inside.txt");
  ShowFolder(first);

  {
    PickerSteps steps(*form->KivBrowseForFolder1, {SelectFolder(chosen), Press(IDOK)});
    Click(form->imgRoot);
    EXPECT_TRUE(steps.Finished());
  }
  EXPECT_EQ(form->shList->Path(), chosen + L"\\");
  EXPECT_EQ(TIniFile(settings.File()).ReadString(L"Folder", L"RootFolder", L""), chosen)
      << "the name comes back whole";
  const std::string written = Bytes(settings.File());

  {
    PickerSteps steps(*form->KivBrowseForFolder1, {SelectFolder(first), Press(IDCANCEL)});
    Click(form->imgRoot);
    EXPECT_TRUE(steps.Finished());
  }
  EXPECT_EQ(form->shList->Path(), chosen + L"\\") << "a cancelled picker changes nothing";
  EXPECT_EQ(Bytes(settings.File()), written);

  // A folder that is gone by the time the choice is confirmed.
  const std::wstring doomed = home.MakeFolder(L"doomed");
  ShownErrors errors;
  {
    PickerSteps steps(*form->KivBrowseForFolder1,
                      {SelectFolder(doomed),
                       [&](HWND) { ASSERT_TRUE(RemoveDirectoryW(doomed.c_str())); }, Press(IDOK)});
    Click(form->imgRoot);
    EXPECT_TRUE(steps.Finished());
  }
  ASSERT_EQ(errors.Messages().size(), 1u) << "the list's error is shown";
  EXPECT_EQ(Bytes(settings.File()), written) << "the setting keeps the folder that worked";
  EXPECT_EQ(form->shList->Path(), chosen + L"\\");
}

TEST_F(MainForm, NewFolderButtonCreatesAndEditsExitWritesThePlace) {
  ShowFolder(home.MakeFolder(L"work"));
  Click(form->imgNewFolder);
  EXPECT_NE(GetFileAttributesW((home / L"work\\New Folder").c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(PumpUntil([&] { return form->shList->IsEditing(); })) << "its name is in edit";
  HWND edit = ListView_GetEditControl(form->shList->Handle());
  ASSERT_NE(edit, nullptr);
  const int row = ListView_GetNextItem(form->shList->Handle(), -1, LVNI_SELECTED);
  ASSERT_GE(row, 0);
  wchar_t caption[MAX_PATH] = {};
  ListView_GetItemText(form->shList->Handle(), row, 0, caption, MAX_PATH);
  EXPECT_STREQ(caption, L"New Folder");
  SendMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0);
  Application->ProcessMessages();

  form->SetLeft(30);
  form->SetTop(40);
  Click(form->imgExit);
  TIniFile ini(settings.File());
  EXPECT_EQ(ini.ReadInteger(L"Pos", L"Left", -1), 30);
  EXPECT_EQ(ini.ReadInteger(L"Pos", L"Top", -1), 40);
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
}

TEST_F(MainForm, ThePlaceIsKeptAsADragEndsAndAsTheSessionEndsAndAFailureIsToldOnce) {
  const TIniFile ini(settings.File());
  auto drag_to = [&](int x, int y) {
    // The platform's move loop brackets a drag with these two messages.
    SendMessageW(form->Handle(), WM_ENTERSIZEMOVE, 0, 0);
    SetWindowPos(form->Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(form->Handle(), WM_EXITSIZEMOVE, 0, 0);
  };
  drag_to(120, 130);
  EXPECT_EQ(ini.ReadInteger(L"Pos", L"Left", -1), 120) << "kept as the drag ends";
  EXPECT_EQ(ini.ReadInteger(L"Pos", L"Top", -1), 130);

  // Wine ends no session: the test delivers what a logoff sends every
  // top-level window before the process is ended without a close.
  SetWindowPos(form->Handle(), nullptr, 140, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(form->Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
  SendMessageW(form->Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_EQ(ini.ReadInteger(L"Pos", L"Left", -1), 140) << "kept as the session ends";
  EXPECT_EQ(ini.ReadInteger(L"Pos", L"Top", -1), 150);

  // A folder in the file's place: the tests run as root, where Wine's
  // read-only attribute refuses no write.
  DeleteFileW(settings.File().c_str());
  ASSERT_TRUE(CreateDirectoryW(settings.File().c_str(), nullptr));
  ShownErrors errors;
  drag_to(160, 170);
  ASSERT_EQ(errors.Messages().size(), 1u) << "the user is told";
  const std::string told = errors.Messages()[0];
  EXPECT_NE(told.find(ToUtf8(settings.File())), std::string::npos) << told;
  EXPECT_NE(told.find(ToUtf8(SystemErrorText(ERROR_ACCESS_DENIED))), std::string::npos)
      << "with the platform's reason: " << told;

  // Every later write fails the same way.
  drag_to(180, 190);
  SendMessageW(form->Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  Click(form->imgExit);
  EXPECT_EQ(errors.Messages().size(), 1u) << "once in a run, not at every write: " << [&] {
    std::string all;
    for (const std::string& message : errors.Messages()) all += "[" + message + "]";
    return all;
  }();
}

// The https address type pointed at our recorder for the test's duration.
// The Wine prefix is shared with the program's own runs, so the test
// changes the type for itself only and puts the previous command back.
// A row of Wayfold's list dragged out by the mouse reaches another window
// as the shell's own file list.
TEST_F(MainForm, ARowDraggedOutReachesAnotherWindowAsItsFile) {
  const std::wstring file = home.MakeFile(L"report.txt");
  ShowFolder(home.Path().substr(0, home.Path().size() - 1));
  TKivShellList& list = *form->shList;
  TListItem* row = nullptr;
  for (int i = 0; i < list.Items().Count(); ++i)
    if (list.Items()[i]->Caption() == L"report.txt") row = list.Items()[i];
  ASSERT_NE(row, nullptr);
  row->SetSelected(true);
  UpdateWindow(list.Handle());
  DropWindow window(DROPEFFECT_COPY);
  const RECT label = row->DisplayRect(TDisplayCode::drLabel);

  RealDrag(
      ScreenPoint(list.Handle(), (label.left + label.right) / 2, (label.top + label.bottom) / 2),
      window.centre, Ending::kRelease);

  EXPECT_EQ(window.target->dropped, std::vector<std::wstring>{file});
}

class RecordedAddresses {
 public:
  explicit RecordedAddresses(const std::wstring& record_file) {
    wchar_t value[2048] = {};
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_CLASSES_ROOT, kKey, nullptr, RRF_RT_REG_SZ, nullptr, value, &size) ==
        ERROR_SUCCESS)
      previous_ = value;
    std::wstring recorder = L"" WAYFOLD_URL_RECORDER;
    for (wchar_t& c : recorder)
      if (c == L'/') c = L'\\';
    if (!recorder.empty() && recorder[0] == L'\\') recorder = L"Z:" + recorder;
    ready_ = Set(L"\"" + recorder + L"\" \"%1\"");
    SetEnvironmentVariableW(kRecordVariable, record_file.c_str());
  }
  ~RecordedAddresses() {
    SetEnvironmentVariableW(kRecordVariable, nullptr);
    if (previous_)
      Set(*previous_);
    else
      RegDeleteKeyValueW(HKEY_CLASSES_ROOT, kKey, nullptr);
  }
  RecordedAddresses(const RecordedAddresses&) = delete;
  RecordedAddresses& operator=(const RecordedAddresses&) = delete;
  bool Ready() const { return ready_; }

 private:
  static constexpr wchar_t kKey[] = L"https\\shell\\open\\command";
  static constexpr wchar_t kRecordVariable[] = L"WAYFOLD_URL_RECORD";
  static bool Set(const std::wstring& value) {
    return RegSetKeyValueW(HKEY_CLASSES_ROOT, kKey, nullptr, REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
  }
  std::optional<std::wstring> previous_;
  bool ready_ = false;
};

TEST_F(MainForm, WebButtonOpensOurAddress) {
  const std::wstring record = home / L"address.txt";
  RecordedAddresses recorder(record);
  ASSERT_TRUE(recorder.Ready());
  Click(form->imgWeb);
  // The recorder puts the file in place whole, once written.
  ASSERT_TRUE(
      PumpUntil([&] { return GetFileAttributesW(record.c_str()) != INVALID_FILE_ATTRIBUTES; }));
  EXPECT_EQ(Bytes(record), "https://corvane.example/wayfold/");
}

}  // namespace
}  // namespace wf::test
