// Thumbnails: the framed placeholder at once, then each object's picture
// from a pool job. Wine's folders offer no thumbnail extractor, so there the
// pictures of PNG and JPEG files come from the imaging component.
#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <atomic>
#include <map>
#include <memory>
#include <vector>

#include "framework/Graphics.h"
#include "shell/core/IdList.h"
#include "shell/core/ShellUtils.h"
#include "tests/framework/FrameworkTestHelpers.h"
#include "tests/shell/list/ShellListTestSupport.h"
#include "tests/support/SentMessages.h"

namespace wf::test {
namespace {

using Microsoft::WRL::ComPtr;

constexpr COLORREF kSilver = RGB(0xC0, 0xC0, 0xC0);

// A picture file of one colour, written by the imaging component.
void WritePicture(const std::wstring& path, REFGUID container, UINT width, UINT height,
                  COLORREF color) {
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_PPV_ARGS(&factory)));
  ASSERT_HRESULT_SUCCEEDED(factory->CreateStream(&stream));
  ASSERT_HRESULT_SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE));
  ASSERT_HRESULT_SUCCEEDED(factory->CreateEncoder(container, nullptr, &encoder));
  ASSERT_HRESULT_SUCCEEDED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache));
  ASSERT_HRESULT_SUCCEEDED(encoder->CreateNewFrame(&frame, &options));
  ASSERT_HRESULT_SUCCEEDED(frame->Initialize(options.Get()));
  ASSERT_HRESULT_SUCCEEDED(frame->SetSize(width, height));
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  ASSERT_HRESULT_SUCCEEDED(frame->SetPixelFormat(&format));
  ASSERT_TRUE(IsEqualGUID(format, GUID_WICPixelFormat24bppBGR));
  const UINT stride = (width * 3 + 3) & ~3u;
  std::vector<BYTE> pixels(stride * height);
  for (UINT y = 0; y < height; ++y)
    for (UINT x = 0; x < width; ++x) {
      BYTE* p = &pixels[y * stride + x * 3];
      p[0] = GetBValue(color), p[1] = GetGValue(color), p[2] = GetRValue(color);
    }
  ASSERT_HRESULT_SUCCEEDED(
      frame->WritePixels(height, stride, static_cast<UINT>(pixels.size()), pixels.data()));
  ASSERT_HRESULT_SUCCEEDED(frame->Commit());
  ASSERT_HRESULT_SUCCEEDED(encoder->Commit());
}

// A pixel of the picture in a slot of the list's large image list.
COLORREF PicturePixel(TKivShellList& list, int slot, int x, int y) {
  auto images =
      reinterpret_cast<HIMAGELIST>(SendMessageW(list.Handle(), LVM_GETIMAGELIST, LVSIL_NORMAL, 0));
  int width = 0, height = 0;
  ImageList_GetIconSize(images, &width, &height);
  TBitmap canvas;
  canvas.Resize(width, height, clBlack);
  ImageList_Draw(images, slot, canvas.Dc(), 0, 0, ILD_NORMAL);
  return canvas.Canvas().Pixel(x, y);
}

COLORREF RowPixel(TKivShellList& list, TListItem* row, int x, int y) {
  return PicturePixel(list, row->ImageIndex(), x, y);
}

// Close enough for a lossy JPEG.
bool Near(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) < 24 && std::abs(GetGValue(a) - GetGValue(b)) < 24 &&
         std::abs(GetBValue(a) - GetBValue(b)) < 24;
}

// How many pixels of the window's rectangle, as it shows on the screen,
// have that colour.
int ShownPixels(HWND window, RECT rect, COLORREF color) {
  TBitmap shown;
  shown.SetSize(rect.right - rect.left, rect.bottom - rect.top);
  HDC dc = GetDC(window);
  BitBlt(shown.Dc(), 0, 0, shown.Width(), shown.Height(), dc, rect.left, rect.top, SRCCOPY);
  ReleaseDC(window, dc);
  const uint32_t wanted = (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
  int count = 0;
  for (int y = 0; y < shown.Height(); ++y)
    count +=
        static_cast<int>(std::count(shown.ScanLine(y), shown.ScanLine(y) + shown.Width(), wanted));
  return count;
}

// Counts the jobs it asks for and the objects they are for.
class JobCountingList : public TKivShellList {
 public:
  using TKivShellList::TKivShellList;
  std::vector<std::wstring> jobs_for;

 protected:
  TKivThumbnailThread* CreateThumbnailJob(int slot, uint32_t tick, int width, int height,
                                          PCIDLIST_ABSOLUTE item) override {
    jobs_for.push_back(IdListToPath(item));
    return TKivShellList::CreateThumbnailJob(slot, tick, width, height, item);
  }
};

using ShellListThumbnails = ShellListTest;

TEST_F(ShellListThumbnails, PlaceholdersThenDecodedPicturesSizesAndSwitchingOff) {
  const COLORREF red = RGB(230, 20, 20), blue = RGB(20, 40, 230);
  WritePicture(folder_ / L"red.png", GUID_ContainerFormatPng, 40, 30, red);
  WritePicture(folder_ / L"blue.jpg", GUID_ContainerFormatJpeg, 200, 100, blue);
  folder_.MakeFile(L"notes.txt", 10);
  JobCountingList& list = MakeList<JobCountingList>();
  list.SetShowParentFolder(true);
  list.SetPath(folder_.Path());
  EventLog log;
  log.Attach(list);
  list.SetThumbnails(true);
  EXPECT_EQ(list.ViewStyle(), TViewStyle::vsIcon);
  EXPECT_EQ(log.Count("Populated"), 1);
  ShowAndDraw();
  const auto shown_list = SendMessageW(list.Handle(), LVM_GETIMAGELIST, LVSIL_NORMAL, 0);
  EXPECT_NE(shown_list, reinterpret_cast<LRESULT>(list.LargeSystemImages().Handle()));
  EXPECT_EQ(list.ThumbnailWidth(), 100);

  // Every row drawn has a slot of its own; only objects get jobs.
  TListItem* parent = Row(list, L" .. ");
  TListItem* png = Row(list, L"red.png");
  TListItem* jpeg = Row(list, L"blue.jpg");
  TListItem* text = Row(list, L"notes.txt");
  ASSERT_TRUE(parent && png && jpeg && text);
  std::vector<int> slots;
  for (TListItem* row : {parent, png, jpeg, text}) slots.push_back(row->ImageIndex());
  std::sort(slots.begin(), slots.end());
  EXPECT_EQ(slots, (std::vector<int>{0, 1, 2, 3}));
  std::sort(list.jobs_for.begin(), list.jobs_for.end());
  EXPECT_EQ(list.jobs_for, (std::vector<std::wstring>{folder_ / L"blue.jpg", folder_ / L"notes.txt",
                                                      folder_ / L"red.png"}));
  // The placeholder: a silver frame round the window's colour.
  EXPECT_EQ(RowPixel(list, parent, 0, 0), kSilver);
  EXPECT_EQ(RowPixel(list, parent, 99, 99), kSilver);
  EXPECT_EQ(RowPixel(list, parent, 3, 3), ColorToRGB(clWindow));

  // The pictures land padded to the slot's size and framed; the text file
  // keeps its placeholder.
  ASSERT_TRUE(PumpUntil([&] { return RowPixel(list, png, 5, 5) == red; }));
  ASSERT_TRUE(PumpUntil([&] { return Near(RowPixel(list, jpeg, 50, 25), blue); }));
  EXPECT_EQ(RowPixel(list, png, 0, 0), kSilver);
  EXPECT_EQ(RowPixel(list, png, 50, 50), ColorToRGB(clWindow));
  EXPECT_EQ(RowPixel(list, jpeg, 50, 75), ColorToRGB(clWindow));
  EXPECT_EQ(RowPixel(list, jpeg, 99, 99), kSilver);
  PumpFor(std::chrono::milliseconds(100));
  EXPECT_EQ(RowPixel(list, text, 3, 3), ColorToRGB(clWindow));
  // And the window shows it.
  UpdateWindow(list.Handle());
  EXPECT_GT(ShownPixels(list.Handle(), png->DisplayRect(TDisplayCode::drIcon), red), 30 * 20);

  // Another size: every picture is made again at it.
  list.SetThumbnailWidth(64);
  EXPECT_EQ(list.ThumbnailWidth(), 64);
  EXPECT_EQ(png->ImageIndex(), -1);
  UpdateWindow(list.Handle());
  ASSERT_GE(png->ImageIndex(), 0);
  EXPECT_EQ(RowPixel(list, png, 63, 99), kSilver);
  ASSERT_TRUE(PumpUntil([&] { return RowPixel(list, png, 5, 5) == red; }));
  EXPECT_THROW(list.SetThumbnailHeight(0), Exception);
  EXPECT_EQ(list.ThumbnailHeight(), 100);

  // Off keeps the icon view and gives the system's large icons back; any
  // later view style ends them too.
  list.SetThumbnails(false);
  EXPECT_EQ(list.ViewStyle(), TViewStyle::vsIcon);
  EXPECT_EQ(SendMessageW(list.Handle(), LVM_GETIMAGELIST, LVSIL_NORMAL, 0),
            reinterpret_cast<LRESULT>(list.LargeSystemImages().Handle()));
  list.SetThumbnails(true);
  list.SetViewStyle(TViewStyle::vsReport);
  EXPECT_FALSE(list.Thumbnails());
  EXPECT_EQ(SendMessageW(list.Handle(), LVM_GETIMAGELIST, LVSIL_NORMAL, 0),
            reinterpret_cast<LRESULT>(list.LargeSystemImages().Handle()));
}

// Each object's picture is one colour, told by the file's name; the jobs
// hold until the gate opens.
struct Gate {
  UniqueHandle open{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  std::atomic<int> freed{0};
};

COLORREF ColourOfName(const std::wstring& path) {
  static const COLORREF kColours[] = {RGB(200, 0, 0),   RGB(0, 200, 0),   RGB(0, 0, 200),
                                      RGB(200, 200, 0), RGB(0, 200, 200), RGB(200, 0, 200)};
  const wchar_t letter = path[path.find_last_of(L'\\') + 1];
  return kColours[(letter - L'a') % 6];
}

class HeldPictureJob : public TKivThumbnailThread {
 public:
  HeldPictureJob(std::shared_ptr<Gate> gate, COLORREF colour, int slot, uint32_t tick, int width,
                 int height, PCIDLIST_ABSOLUTE item)
      : TKivThumbnailThread(slot, tick, width, height, item),
        gate_(std::move(gate)),
        colour_(colour) {}
  ~HeldPictureJob() override { ++gate_->freed; }

 protected:
  void Execute() override {
    while (WaitForSingleObject(gate_->open.get(), 1) == WAIT_TIMEOUT)
      if (Terminated()) return;
    TBitmap picture;
    picture.Resize(Width() / 2, Height() / 2, colour_);
    SetResult(picture.ReleaseHandle());
  }

 private:
  std::shared_ptr<Gate> gate_;
  const COLORREF colour_;
};

class HeldPicturesList : public TKivShellList {
 public:
  using TKivShellList::TKivShellList;
  std::shared_ptr<Gate> gate = std::make_shared<Gate>();
  int jobs = 0;

 protected:
  TKivThumbnailThread* CreateThumbnailJob(int slot, uint32_t tick, int width, int height,
                                          PCIDLIST_ABSOLUTE item) override {
    ++jobs;
    return new HeldPictureJob(gate, ColourOfName(IdListToPath(item)), slot, tick, width, height,
                              item);
  }
};

// Whether every drawn row shows its own object's colour.
bool EveryRowShowsItsOwn(HeldPicturesList& list) {
  for (int i = 0; i < list.Items().Count(); ++i) {
    TListItem* row = list.Items()[i];
    if (row->ImageIndex() < 0) continue;
    if (RowPixel(list, row, 5, 5) != ColourOfName(list.ItemPath(row))) return false;
  }
  return true;
}

TEST_F(ShellListThumbnails, HeldPicturesLandOnlyOnTheRowsTheyWereMadeFor) {
  TempFolder other;
  // Written an hour ago: only what the test changes is new to a merge.
  for (const wchar_t* name : {L"a1.dat", L"b1.dat", L"c1.dat", L"d1.dat"}) {
    UniqueFile file(CreateFileW(folder_.MakeFile(name, 1).c_str(), FILE_WRITE_ATTRIBUTES, 0,
                                nullptr, OPEN_EXISTING, 0, nullptr));
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER then{{now.dwLowDateTime, now.dwHighDateTime}};
    then.QuadPart -= 36000000000ull;
    const FILETIME hour_ago{then.LowPart, then.HighPart};
    ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &hour_ago));
  }
  for (const wchar_t* name : {L"e2.dat", L"f2.dat", L"a2.dat"}) other.MakeFile(name, 1);
  HeldPicturesList& list = MakeList<HeldPicturesList>();
  list.SetAutomaticRefresh(false);
  list.SetPath(folder_.Path());
  list.SetThumbnails(true);
  ShowAndDraw();
  const auto release_and_check = [&](const char* step) {
    SetEvent(list.gate->open.get());
    EXPECT_TRUE(PumpUntil([&] { return EveryRowShowsItsOwn(list); })) << step;
    ResetEvent(list.gate->open.get());
  };

  // A navigation: the old folder's pictures never reach the new rows.
  list.SetPath(other.Path());
  UpdateWindow(list.Handle());
  release_and_check("navigation");

  // A size change reuses the slots' numbers.
  list.SetPath(folder_.Path());
  UpdateWindow(list.Handle());
  list.SetThumbnailWidth(80);
  UpdateWindow(list.Handle());
  release_and_check("size change");

  // A sort moves the rows, not their pictures.
  list.SetThumbnailWidth(100);
  UpdateWindow(list.Handle());
  list.SortByColumn(0);
  UpdateWindow(list.Handle());
  release_and_check("sort");

  // A merge that removes rows while their pictures are on the way.
  list.SetThumbnailWidth(90);
  UpdateWindow(list.Handle());
  ASSERT_TRUE(DeleteFileW((folder_ / L"a1.dat").c_str()));
  list.MergeRefresh();
  UpdateWindow(list.Handle());
  EXPECT_FALSE(HasCaption(list, ShellDisplayName(folder_.Path(), L"b1.dat").replace(0, 1, L"a")));
  release_and_check("merge");

  // A file just changed gets its picture again, in its own slot.
  const int images = ImageList_GetImageCount(
      reinterpret_cast<HIMAGELIST>(SendMessageW(list.Handle(), LVM_GETIMAGELIST, LVSIL_NORMAL, 0)));
  const int jobs = list.jobs;
  TListItem* changed = Row(list, L"b1.dat");
  const int slot = changed->ImageIndex();
  {
    UniqueFile file(CreateFileW((folder_ / L"b1.dat").c_str(), FILE_APPEND_DATA, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    DWORD written = 0;
    ASSERT_TRUE(file && WriteFile(file.get(), "x", 1, &written, nullptr));
  }
  list.MergeRefresh();
  UpdateWindow(list.Handle());
  EXPECT_EQ(list.jobs, jobs + 1);
  EXPECT_EQ(changed->ImageIndex(), slot);
  EXPECT_EQ(ImageList_GetImageCount(reinterpret_cast<HIMAGELIST>(
                SendMessageW(list.Handle(), LVM_GETIMAGELIST, LVSIL_NORMAL, 0))),
            images);
  release_and_check("re-made picture");

  // Freed with pictures on the way: it waits for its jobs, which end.
  list.SetThumbnailWidth(70);
  UpdateWindow(list.Handle());
  const std::shared_ptr<Gate> gate = list.gate;
  const int made = list.jobs;
  DestroyForm();
  // A job frees itself on its own thread, just after its end was heard.
  EXPECT_TRUE(PumpUntil([&] { return gate->freed == made; }));
}

// What the control was asked to show behind the rows, seen as it was asked:
// Wine draws no background picture and refuses one by name, so the request
// is what can be checked.
struct BackgroundRequest {
  ULONG flags;
  std::wstring file;
  bool file_there;
  COLORREF first_pixel;
  COLORREF text_background;  // as last set before the request
};

TEST_F(ShellListThumbnails, BackgroundPictureGoesThroughATemporaryFileOfItsOwn) {
  TKivShellList& list = ListOn(folder_.Path());
  ShowAndDraw();
  std::vector<BackgroundRequest> requests;
  COLORREF text_background = 0;
  test::SentMessages watch([&](const CWPSTRUCT& sent) {
    if (sent.hwnd != list.Handle()) return false;
    if (sent.message == LVM_SETTEXTBKCOLOR) text_background = static_cast<COLORREF>(sent.lParam);
    if (sent.message != LVM_SETBKIMAGEW) return false;
    const auto& image = *reinterpret_cast<const LVBKIMAGEW*>(sent.lParam);
    BackgroundRequest request{image.ulFlags, image.pszImage ? image.pszImage : L"", false,
                              CLR_INVALID, text_background};
    if (!request.file.empty()) {
      UniqueFile file(CreateFileW(request.file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
      request.file_there = static_cast<bool>(file);
      std::vector<char> bytes(GetFileSize(file.get(), nullptr));
      DWORD read = 0;
      TBitmap saved;
      if (ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
          saved.LoadFromBytes(bytes.data(), read))
        request.first_pixel = saved.Canvas().Pixel(0, 0);
    }
    requests.push_back(request);
    return true;
  });
  ASSERT_TRUE(watch.Installed());

  TBitmap picture;
  picture.Resize(8, 8, static_cast<TColor>(RGB(255, 0, 0)));
  list.SetBackgroundImage(picture);
  list.SetColor(static_cast<TColor>(RGB(255, 255, 0)));
  list.RecreateWnd();
  ShowAndDraw();
  ASSERT_EQ(requests.size(), 3u);
  const std::wstring prefix =
      IncludeTrailingBackslash(TempPath()) + L"TKivShellListBackgroundImage_Temp";
  for (const BackgroundRequest& request : requests) {
    EXPECT_EQ(request.flags, static_cast<ULONG>(LVBKIF_SOURCE_URL | LVBKIF_STYLE_TILE));
    EXPECT_EQ(request.file.rfind(prefix, 0), 0u) << ToUtf8(request.file);
    EXPECT_EQ(request.file.substr(request.file.size() - 4), L".bmp");
    EXPECT_TRUE(request.file_there);
    EXPECT_EQ(request.first_pixel, RGB(255, 0, 0));
    EXPECT_EQ(request.text_background, CLR_NONE);
    EXPECT_EQ(GetFileAttributesW(request.file.c_str()), INVALID_FILE_ATTRIBUTES);
  }

  // An empty picture takes the background away, through no file.
  requests.clear();
  list.SetBackgroundImage(TBitmap());
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].flags, static_cast<ULONG>(LVBKIF_SOURCE_NONE));
  EXPECT_TRUE(requests[0].file.empty());
}

}  // namespace
}  // namespace wf::test
