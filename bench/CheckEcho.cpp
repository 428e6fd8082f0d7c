#include "bench/CheckEcho.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "bench/Hosting.h"
#include "bench/PlacedListHost.h"
#include "framework/Application.h"
#include "shell/list/ShellControls.h"

namespace bench {
namespace {

// The two lists side by side on the virtual desktop (1024 x 768).
constexpr RECT kClickedPlace{0, 0, 512, 600};
constexpr RECT kOtherPlace{512, 0, 1024, 600};
// A box lies left of the row's icon, in the icon's lower 16 pixels: the
// point is well inside it.
constexpr int kBoxLeftOfIcon = 8;
constexpr int kBoxAboveIconBottom = 4;
constexpr int kNameRightOfLeft = 10;
// The first rows clicked; each run clicks rows of its own, further down.
constexpr int kFirstRow = 1;
constexpr int kRowsPerRun = 2;
constexpr DWORD kWaitSliceMs = 10;

struct Click {
  double messages = kNotMeasured;
  double state = kNotMeasured;
  double painted = kNotMeasured;
  EchoSeen seen = EchoSeen::kNever;
  int fillsOnDown = 0;
  int fillsOnUp = 0;
};

POINT BoxPoint(wf::TListItem* row) {
  const RECT icon = row->DisplayRect(wf::TDisplayCode::drIcon);
  return {icon.left - kBoxLeftOfIcon, icon.bottom - kBoxAboveIconBottom};
}

POINT NamePoint(wf::TListItem* row) {
  const RECT label = row->DisplayRect(wf::TDisplayCode::drLabel);
  return {label.left + kNameRightOfLeft, (label.top + label.bottom) / 2};
}

// The left button pressed and released at `at`, as the window would
// receive them from the platform's input. With `expected` (a selection
// state), the other list's row of that index is watched for it: right
// after the click, after the other list's paint, then while messages are
// handled. Without, only the other list's paint is waited for. `fills`
// counts the other list's fills.
Click ClickAt(HWND clicked, POINT at, wf::TKivShellList& other, const int& fills, int row,
              int expected, double timeoutSeconds) {
  Click click;
  const LPARAM where = MAKELPARAM(at.x, at.y);
  const auto holds = [&] {
    return row < other.Items().Count() && other.Items()[row]->StateIndex() == expected;
  };
  const int fillsBefore = fills;
  const auto start = Clock::now();
  SendMessageW(clicked, WM_LBUTTONDOWN, MK_LBUTTON, where);
  const int fillsAfterDown = fills;
  SendMessageW(clicked, WM_LBUTTONUP, 0, where);
  click.messages = SecondsSince(start);
  click.fillsOnDown = fillsAfterDown - fillsBefore;
  click.fillsOnUp = fills - fillsAfterDown;
  if (expected >= 0 && holds()) {
    click.seen = EchoSeen::kInClick;
    click.state = click.messages;
  }
  UpdateWindow(other.Handle());
  click.painted = SecondsSince(start);
  if (expected < 0) return click;
  if (click.seen == EchoSeen::kNever && holds()) {
    click.seen = EchoSeen::kAtPaint;
    click.state = click.painted;
  }
  while (click.seen == EchoSeen::kNever && SecondsSince(start) < timeoutSeconds) {
    MsgWaitForMultipleObjectsEx(0, nullptr, kWaitSliceMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    wf::Application->ProcessMessages();
    UpdateWindow(other.Handle());
    if (!holds()) continue;
    click.seen = EchoSeen::kPumping;
    click.state = click.painted = SecondsSince(start);
  }
  return click;
}

void Keep(ClickTimes& times, const Click& click) {
  times.messages.Add(click.messages);
  times.painted.Add(click.painted);
  if (!std::isnan(click.state)) times.state.Add(click.state);
  ++times.seen[static_cast<int>(click.seen)];
  times.fillsOnDown += click.fillsOnDown;
  times.fillsOnUp += click.fillsOnUp;
}

// The two lists of one link, the second following the first's folder.
class LinkedPair {
 public:
  LinkedPair()
      : link_(std::make_unique<wf::TKivShellLink>(nullptr)),
        clicked_(kClickedPlace, link_.get()),
        other_(kOtherPlace, link_.get()) {
    Other().OnPopulated = [this](wf::TObject*) { ++otherFills_; };
  }

  wf::TKivShellList& Clicked() { return clicked_.List(); }
  wf::TKivShellList& Other() { return other_.List(); }

  void Show(const std::wstring& folder, int size) {
    Clicked().SetPath(folder);
    Settle();
    if (Clicked().Items().Count() != size || Other().Items().Count() != size)
      throw BenchError("the lists show " + std::to_string(Clicked().Items().Count()) + " and " +
                       std::to_string(Other().Items().Count()) + " rows of " + ToUtf8(folder) +
                       ", not " + std::to_string(size));
  }

  // Both drawn and nothing left queued, before the next click.
  void Settle() {
    UpdateWindow(clicked_.ListWindow());
    UpdateWindow(other_.ListWindow());
    PumpPending();
    wf::Application->ProcessMessages();
  }

  // The box of row `row` clicked; checks that the clicked row took the
  // state and that the other list's row of that index is the same object.
  Click ClickBox(int row, wf::TKivSelectionState expected, double timeoutSeconds) {
    wf::TListItem* item = Clicked().Items()[row];
    const Click click = ClickAt(clicked_.ListWindow(), BoxPoint(item), Other(), otherFills_, row,
                                expected, timeoutSeconds);
    Settle();
    item = Clicked().Items()[row];
    if (item->StateIndex() != expected)
      throw BenchError("the click on row " + std::to_string(row) + "'s box left it in state " +
                       std::to_string(item->StateIndex()) + ", not " + std::to_string(expected));
    if (Other().Items()[row]->Caption() != item->Caption())
      throw BenchError("the other list's row " + std::to_string(row) + " is " +
                       ToUtf8(Other().Items()[row]->Caption()) + ", not " +
                       ToUtf8(item->Caption()));
    if (click.seen == EchoSeen::kNever)
      throw BenchError("the other list's row " + std::to_string(row) +
                       " did not take the new state within the timeout");
    return click;
  }

  Click ClickName(int row, double timeoutSeconds) {
    const Click click = ClickAt(clicked_.ListWindow(), NamePoint(Clicked().Items()[row]), Other(),
                                otherFills_, row, -1, timeoutSeconds);
    Settle();
    return click;
  }

 private:
  // Declared first, gone last: the lists leave it as they go.
  std::unique_ptr<wf::TKivShellLink> link_;
  PlacedListHost clicked_;
  PlacedListHost other_;
  int otherFills_ = 0;
};

void MeasureSize(LinkedPair& pair, const std::wstring& folder, int runs, double timeoutSeconds,
                 EchoSize& report) {
  pair.Show(folder, report.size);
  const int pageRows =
      static_cast<int>(SendMessageW(pair.Clicked().Handle(), LVM_GETCOUNTPERPAGE, 0, 0));
  const int rowsUsable = std::min(pageRows, report.size) - kFirstRow - kRowsPerRun;
  if (rowsUsable < kRowsPerRun) throw BenchError("the lists show too few rows to click");
  // Untimed: the first tick and untick, the shell's answers cached.
  pair.ClickName(kFirstRow, timeoutSeconds);
  pair.ClickBox(kFirstRow + 1, wf::ssChecked, timeoutSeconds);
  report.boxClickSelects = pair.Clicked().Items()[kFirstRow + 1]->Selected();
  pair.ClickBox(kFirstRow + 1, wf::ssUnChecked, timeoutSeconds);
  for (int run = 0; run < runs; ++run) {
    // A row not selected, then another: the box click changes the
    // selection as a user's would.
    const int named = kFirstRow + (run * kRowsPerRun) % rowsUsable;
    Keep(report.select, pair.ClickName(named, timeoutSeconds));
    Keep(report.tick, pair.ClickBox(named + 1, wf::ssChecked, timeoutSeconds));
    Keep(report.untick, pair.ClickBox(named + 1, wf::ssUnChecked, timeoutSeconds));
  }
}

void Label(ClickTimes& times, const std::string& key, const std::string& what) {
  times.messages = {key + "_messages", what + ": the click's messages"};
  times.state = {key + "_state", what + ": the other row's state"};
  times.painted = {key + "_painted", what + ": the other list painted"};
}

}  // namespace

std::vector<EchoSize> MeasureCheckEcho(const std::vector<std::pair<int, std::wstring>>& folders,
                                       int runs, double timeoutSeconds) {
  std::vector<EchoSize> reports;
  LinkedPair pair;
  for (const auto& [size, folder] : folders) {
    EchoSize& report = reports.emplace_back();
    report.size = size;
    Label(report.tick, "selection_echo_tick", "tick");
    Label(report.untick, "selection_echo_untick", "untick");
    Label(report.select, "selection_echo_select", "name");
    try {
      MeasureSize(pair, folder, runs, timeoutSeconds, report);
    } catch (const std::exception& e) {
      report.failure = e.what();
    }
  }
  return reports;
}

}  // namespace bench
