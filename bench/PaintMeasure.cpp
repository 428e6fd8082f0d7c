#include "bench/PaintMeasure.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "bench/BenchCore.h"
#include "bench/RatioReport.h"
#include "framework/Handles.h"
#include "framework/Form.h"
#include "framework/Graphics.h"
#include "ui/PaxPanel.h"

namespace bench {
namespace {

constexpr wf::TColor kPanelColor = 11233108;
const wchar_t kCaption[] = L" Corvane Wayfold - Version 1.1";

void Fill(HDC dc, RECT r, COLORREF color) {
  SetBkColor(dc, color);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

// A picture with some structure, so that a misplaced copy shows.
void MakePicture(wf::TBitmap& picture, int width, int height) {
  picture.SetSize(width, height);
  for (int x = 0; x < width; x += 4)
    Fill(picture.Dc(), RECT{x, 0, x + 4, height}, RGB(40 + x % 200, 90, 160 - x % 120));
  Fill(picture.Dc(), RECT{0, 0, width, 1}, RGB(250, 250, 250));
}

bool SamePixels(const wf::TBitmap& a, const wf::TBitmap& b) {
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (GetPixel(a.Dc(), x, y) != GetPixel(b.Dc(), x, y)) return false;
  return true;
}

double TimeOne(const std::function<void()>& paint) {
  const auto start = Clock::now();
  paint();
  return SecondsSince(start);
}

void PrintPair(const std::string& what, Measure& panel, Measure& raw, bool same) {
  PrintRatioHeader(what, kPaintTarget);
  const std::string extra = same ? "" : "PIXELS DIFFER";
  PrintRatioLine(raw, nullptr, kPaintTarget, "");
  PrintRatioLine(panel, &raw, kPaintTarget, extra);
  PrintRatioResult(kPaintsPerMeasure, panel, &raw, kPaintTarget,
                   same ? " same_pixels=1" : " same_pixels=0");
}

void MeasureCaptionPanel(wf::TForm& form) {
  wf::TPaxPanel panel(nullptr);
  panel.SetParent(&form);
  panel.SetBounds(0, 0, 332, 23);
  panel.SetUseXPThemes(false);
  panel.SetBevelOuter(wf::TBevelCut::bvNone);
  panel.SetColor(kPanelColor);
  panel.SetAlignment(wf::TAlignment::taLeftJustify);
  panel.Font().SetName(L"Tahoma");
  panel.Font().SetHeight(-11);
  panel.Font().SetColor(wf::clWhite);
  panel.Font().SetStyle(wf::fsBold);
  panel.SetCaption(kCaption);
  wf::TBitmap picture;
  MakePicture(picture, 331, 23);
  panel.SetBackground(picture);
  panel.SetBackgroundType(wf::bgtCenterBitmap);

  wf::TBitmap target, raw_target;
  target.SetSize(332, 23);
  raw_target.SetSize(332, 23);
  const HWND hwnd = panel.Handle();
  const auto paint_panel = [&] {
    SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(target.Dc()), PRF_CLIENT);
  };
  // The raw drawing knows where everything goes: the picture at x = 1 and
  // the caption's offset, measured once.
  const HFONT font = panel.Font().Handle();
  const UINT format = DT_LEFT | DT_EXPANDTABS;
  RECT measured{0, 0, 332, 23};
  {
    wf::SavedDcScope saved(raw_target.Dc());
    SelectObject(raw_target.Dc(), font);
    DrawTextW(raw_target.Dc(), kCaption, -1, &measured, format | DT_CALCRECT);
  }
  const int top = (23 - (measured.bottom - measured.top)) / 2;
  const auto paint_raw = [&] {
    const wf::UniqueDc memory(CreateCompatibleDC(raw_target.Dc()));
    const wf::UniqueBitmap bitmap(CreateCompatibleBitmap(raw_target.Dc(), 332, 23));
    HDC dc = memory.get();
    const wf::SelectScope bitmap_selected(dc, bitmap.get());
    Fill(dc, RECT{0, 0, 332, 23}, wf::ColorToRGB(kPanelColor));
    BitBlt(dc, 1, 0, 331, 23, picture.Dc(), 0, 0, SRCCOPY);
    {
      const wf::SelectScope font_selected(dc, font);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(255, 255, 255));
      RECT text{0, top, 332, top + 23};
      DrawTextW(dc, kCaption, -1, &text, format);
    }
    BitBlt(raw_target.Dc(), 0, 0, 332, 23, dc, 0, 0, SRCCOPY);
  };
  paint_panel();
  paint_raw();
  const bool same = SamePixels(target, raw_target);
  Measure ours{"paint_caption_panel", "caption panel 332x23, centred picture"};
  Measure raw{"paint_caption_panel_raw", "  raw: fill, blit, DrawTextW, blit"};
  // Alternating, so that both see the same state of the machine.
  for (int i = 0; i < kPaintsPerMeasure; ++i) {
    ours.Add(TimeOne(paint_panel));
    raw.Add(TimeOne(paint_raw));
  }
  PrintPair("caption panel, one paint", ours, raw, same);
}

void MeasureTiledPanel(wf::TForm& form) {
  wf::TPaxPanel panel(nullptr);
  panel.SetParent(&form);
  panel.SetBounds(0, 0, 332, 566);
  panel.SetUseXPThemes(false);
  panel.SetBevelOuter(wf::TBevelCut::bvNone);
  wf::TBitmap tile;
  MakePicture(tile, 48, 40);
  panel.SetBackground(tile);
  panel.SetBackgroundType(wf::bgtTileBitmap);

  wf::TBitmap target, raw_target, ready;
  target.SetSize(332, 566);
  raw_target.SetSize(332, 566);
  // The ready picture: the tiles laid once.
  ready.SetSize(332, 566);
  for (int y = 0; y < 566; y += tile.Height())
    for (int x = 0; x < 332; x += tile.Width())
      BitBlt(ready.Dc(), x, y, tile.Width(), tile.Height(), tile.Dc(), 0, 0, SRCCOPY);
  const HWND hwnd = panel.Handle();
  const auto paint_panel = [&] {
    SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(target.Dc()), PRF_CLIENT);
  };
  const auto paint_raw = [&] {
    BitBlt(raw_target.Dc(), 0, 0, 332, 566, ready.Dc(), 0, 0, SRCCOPY);
  };
  paint_panel();
  paint_raw();
  const bool same = SamePixels(target, raw_target);
  Measure ours{"paint_tiled_panel", "tiled panel 332x566"};
  Measure raw{"paint_tiled_panel_raw", "  raw: one blit of the ready picture"};
  for (int i = 0; i < kPaintsPerMeasure; ++i) {
    ours.Add(TimeOne(paint_panel));
    raw.Add(TimeOne(paint_raw));
  }
  PrintPair("tiled panel, one paint", ours, raw, same);
}

}  // namespace

void RunPaintMeasure(const Options&) {
  std::printf("\n== painting the caption panel (%d paints each, medians) ==\n", kPaintsPerMeasure);
  try {
    wf::TForm form(nullptr);
    form.SetBounds(0, 0, 400, 640);
    MeasureCaptionPanel(form);
    MeasureTiledPanel(form);
  } catch (const std::exception& e) {
    std::printf("  not measured: %s\n", e.what());
  }
  std::fflush(stdout);
}

}  // namespace bench
