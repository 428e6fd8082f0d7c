#include <gtest/gtest.h>

#include <memory>

#include "framework/Form.h"
#include "tests/framework/FrameworkTestHelpers.h"

namespace wf {
namespace {

using test::ErrorDisplayCapture;

class TfrmProbe : public TForm {
 public:
  using TForm::TForm;
  std::wstring ClassName() const override { return L"TfrmProbe"; }
};

SIZE ClientSize(HWND hwnd) {
  RECT r;
  GetClientRect(hwnd, &r);
  return {r.right, r.bottom};
}

SIZE WindowSize(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  return {r.right - r.left, r.bottom - r.top};
}

TEST(FormWindow, ClassIsTheFormsClassNameAndOwnerIsTheApplication) {
  TfrmProbe form(nullptr);
  form.SetCaption(L"Probe \u03A9");
  const HWND hwnd = form.Handle();
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  EXPECT_STREQ(name, L"TfrmProbe");
  EXPECT_EQ(FindWindowW(L"TfrmProbe", L"Probe \u03A9"), hwnd);
  EXPECT_EQ(GetWindow(hwnd, GW_OWNER), Application->Handle());
  EXPECT_EQ(GetAncestor(hwnd, GA_PARENT), GetDesktopWindow());
  EXPECT_FALSE(IsWindowVisible(hwnd));  // forms start hidden
  form.SetCaption(L"Renamed");
  wchar_t text[64] = {};
  GetWindowTextW(hwnd, text, 64);
  EXPECT_STREQ(text, L"Renamed");
}

TEST(FormWindow, BorderlessClientIsTheWholeWindow) {
  TForm form(nullptr);
  form.SetBorderStyle(TFormBorderStyle::bsNone);
  form.SetClientWidth(332);
  form.SetClientHeight(166);
  const SIZE client = ClientSize(form.Handle());
  EXPECT_EQ(client.cx, 332);
  EXPECT_EQ(client.cy, 166);
  const SIZE window = WindowSize(form.Handle());
  EXPECT_EQ(window.cx, 332);
  EXPECT_EQ(window.cy, 166);
  EXPECT_EQ(form.ClientWidth(), 332);
}

TEST(FormWindow, ClientSizeHoldsForFramedFormsBeforeAndAfterTheWindow) {
  TForm form(nullptr);
  form.SetClientWidth(300);  // only the width: the height keeps its default
  EXPECT_EQ(ClientSize(form.Handle()).cx, 300);
  form.SetClientHeight(120);
  EXPECT_EQ(ClientSize(form.Handle()).cy, 120);
  EXPECT_GT(WindowSize(form.Handle()).cx, 300);
  // Re-made with another border, it keeps its client size.
  form.SetBorderStyle(TFormBorderStyle::bsNone);
  EXPECT_EQ(ClientSize(form.Handle()).cx, 300);
  EXPECT_EQ(ClientSize(form.Handle()).cy, 120);
}

TEST(FormCreation, ErrorInOnCreateIsShownAndCreationGoesOn) {
  ErrorDisplayCapture errors;
  auto form = std::make_unique<TfrmProbe>(nullptr);
  bool handler_ran = false;
  form->OnCreate = [&](TObject* sender) {
    EXPECT_EQ(sender, form.get());
    handler_ran = true;
    throw Exception(L"Cannot open the settings");
  };
  Application->AddForm(form.get());
  EXPECT_TRUE(handler_ran);
  EXPECT_EQ(errors.messages, (std::vector<std::wstring>{L"Cannot open the settings"}));
  EXPECT_EQ(Application->MainForm(), form.get());
  form->Show();
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  EXPECT_EQ(Application->MainWindowHandle(), form->Handle());

  // The application must not keep a freed main form.
  form.reset();
  EXPECT_EQ(Application->MainForm(), nullptr);
  EXPECT_EQ(Application->MainWindowHandle(), Application->Handle());
}

class FormClose : public testing::Test {
 protected:
  void SetUp() override {
    main_form = std::make_unique<TForm>(nullptr);
    Application->AddForm(main_form.get());
    ASSERT_EQ(Application->MainForm(), main_form.get());
    main_form->Show();
    other.Show();
    ASSERT_TRUE(IsWindowVisible(other.Handle()));
  }
  void TearDown() override {
    main_form.reset();
    EXPECT_FALSE(Application->Terminated());
  }
  std::unique_ptr<TForm> main_form;
  TfrmProbe other{nullptr};
};

TEST_F(FormClose, NonMainFormIsHidden) {
  other.Close();
  EXPECT_FALSE(IsWindowVisible(other.Handle()));
  EXPECT_FALSE(other.Visible());
  EXPECT_TRUE(IsWindowVisible(main_form->Handle()));
}

TEST_F(FormClose, SystemCloseRequestGoesThroughClose) {
  int closes = 0;
  other.OnClose = [&](TObject*, TCloseAction& action) {
    EXPECT_EQ(action, TCloseAction::caHide);
    ++closes;
  };
  SendMessageW(other.Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(IsWindowVisible(other.Handle()));
  EXPECT_TRUE(IsWindow(other.Handle()));
}

TEST_F(FormClose, CloseHandlerCanRefuse) {
  other.OnClose = [](TObject*, TCloseAction& action) { action = TCloseAction::caNone; };
  other.Close();
  EXPECT_TRUE(IsWindowVisible(other.Handle()));
  main_form->OnClose = [](TObject*, TCloseAction& action) { action = TCloseAction::caNone; };
  main_form->Close();
  EXPECT_FALSE(Application->Terminated());
}

}  // namespace
}  // namespace wf
