// Where the main window comes up, and the size setting: the decisions, without a screen.
#include "app/main_window_place.h"

#include <gtest/gtest.h>

#include "app/main_window_menu.h"

namespace rc::app {
namespace {

const Monitor kLaptop{{0, 0, 1366, 768}, {0, 0, 1366, 740}};  // a panel along its bottom
const Monitor kProjector{{1366, 0, 1920, 1080}, {1366, 0, 1920, 1080}};

PlaceInputs TwoMonitors() {
  PlaceInputs in;
  in.monitors = {kLaptop, kProjector};
  in.width = 170;
  in.height = 98;
  in.design_width = 246;
  in.design_height = 98;
  return in;
}

TEST(MainWindowPlace, CentredByDesignOnTheActiveThenPointerThenPrimaryMonitor) {
  PlaceInputs in = TwoMonitors();
  // The design's place in the work area, by the design size, whatever the width now.
  EXPECT_EQ(ChoosePlace(in), (ScreenPoint{560, 321}));
  in.pointer_monitor = 1;
  EXPECT_EQ(ChoosePlace(in), (ScreenPoint{1366 + 837, 491}));
  in.active_monitor = 0;  // the slide show wins over the mouse
  EXPECT_EQ(ChoosePlace(in), (ScreenPoint{560, 321}));
  in.active_monitor = 7;  // a monitor unplugged since it was asked about
  EXPECT_EQ(ChoosePlace(in), (ScreenPoint{560, 321}));
}

TEST(MainWindowPlace, TheTeachersPlaceHoldsWhileTheWindowWouldStandOnAMonitor) {
  PlaceInputs in = TwoMonitors();
  in.active_monitor = 1;
  in.remembered = ScreenPoint{100, 600};  // on the laptop, beside the slides' monitor
  EXPECT_EQ(ChoosePlace(in), (ScreenPoint{100, 600}));
  in.remembered = ScreenPoint{1366 - 80, 10};  // its middle just over the edge: projector
  EXPECT_EQ(ChoosePlace(in), (ScreenPoint{1366 - 80, 10}));
  // Its middle off every monitor: the projector that held it is gone, or most of the window
  // would be out of sight.
  for (ScreenPoint off : {ScreenPoint{4000, 300}, ScreenPoint{-100, 10}, ScreenPoint{100, 740}}) {
    in.remembered = off;
    EXPECT_EQ(ChoosePlace(in), (ScreenPoint{1366 + 837, 491})) << off.x << "," << off.y;
  }
}

TEST(MainWindowPlace, OneKeyPerArrangementWhateverTheOrder) {
  EXPECT_EQ(PlaceSettingKey({kLaptop, kProjector}),
            "main_window_place:1366x768+0+0,1920x1080+1366+0");
  EXPECT_EQ(PlaceSettingKey({kProjector, kLaptop}), PlaceSettingKey({kLaptop, kProjector}));
  // A projector to the left has negative offsets; a mirrored one is another arrangement.
  const Monitor left{{-1920, 0, 1920, 1080}, {}};
  EXPECT_EQ(PlaceSettingKey({kLaptop, left}), "main_window_place:1920x1080-1920+0,1366x768+0+0");
  EXPECT_NE(PlaceSettingKey({kLaptop}), PlaceSettingKey({kLaptop, kProjector}));
}

TEST(MainWindowPlace, StoredValuesThatAreNotAPlaceOrASizeAreIgnored) {
  EXPECT_EQ(ParsePlace(FormatPlace({-1500, 20})), (ScreenPoint{-1500, 20}));
  for (const char* bad : {"", "12", "12,", ",5", "1,2,3", "1;2", "x,1", "1 ,2", "1,2 ",
                          "99999999999,1"}) {
    EXPECT_EQ(ParsePlace(bad), std::nullopt) << bad;
  }
  EXPECT_EQ(ParseSize("200"), 200);
  for (const char* bad : {"", "0", "120", "-100", "200%", "1e2"}) {
    EXPECT_EQ(ParseSize(bad), std::nullopt) << bad;
  }
}

}  // namespace
}  // namespace rc::app
