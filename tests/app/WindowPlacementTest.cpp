// Where a window with a stored place opens, given the area it must be seen in.
#include <gtest/gtest.h>

#include "app/WindowPlacement.h"

namespace wf {
namespace {

constexpr RECT kArea{0, 0, 1024, 738};

RECT Window(LONG left, LONG top, LONG width = 332, LONG height = 566) {
  return {left, top, left + width, top + height};
}

void ExpectPlace(const RECT& window, const RECT& area, LONG x, LONG y) {
  const POINT place = FitIntoArea(window, area);
  EXPECT_EQ(place.x, x) << "from " << window.left << "," << window.top;
  EXPECT_EQ(place.y, y) << "from " << window.left << "," << window.top;
}

TEST(FitIntoArea, KeepsAWindowThatIsWhollyInside) {
  ExpectPlace(Window(0, 0), kArea, 0, 0);
  ExpectPlace(Window(100, 50), kArea, 100, 50);
  ExpectPlace(Window(1024 - 332, 738 - 566), kArea, 1024 - 332, 738 - 566);
}

TEST(FitIntoArea, MovesAWindowThatLeavesTheAreaBackToItsNearestEdge) {
  ExpectPlace(Window(-30000, -30000), kArea, 0, 0);
  ExpectPlace(Window(30000, 30000), kArea, 1024 - 332, 738 - 566);
  // Only the coordinate that is out moves, and by as little as it must.
  ExpectPlace(Window(-10, 100), kArea, 0, 100);
  ExpectPlace(Window(900, -1), kArea, 1024 - 332, 0);
}

TEST(FitIntoArea, WorksInAnAreaAwayFromTheOrigin) {
  // A second monitor left of and above the primary one.
  constexpr RECT left_monitor{-1280, -200, 0, 824};
  ExpectPlace(Window(-30000, 100), left_monitor, -1280, 100);
  ExpectPlace(Window(-100, -500), left_monitor, -332, -200);
  ExpectPlace(Window(-900, 0), left_monitor, -900, 0);
}

TEST(FitIntoArea, ShowsTheTopLeftOfAWindowLargerThanTheArea) {
  // Its caption strip is along the top: that is what must stay reachable.
  ExpectPlace(Window(-500, -500, 2000, 1000), kArea, 0, 0);
  ExpectPlace(Window(500, 500, 2000, 1000), kArea, 0, 0);
  // Too tall only: across, it stays where it was.
  ExpectPlace(Window(300, 30000, 300, 1000), kArea, 300, 0);
}

}  // namespace
}  // namespace wf
