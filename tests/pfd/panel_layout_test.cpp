// Where the panel goes in a window of any size: the largest that fits, proportions kept, centred.
#include <gtest/gtest.h>

#include "pfd/panel_layout.h"

namespace {

TEST(PanelLayout, FitsTheLargestPanelAndCentresIt) {
  // A 1024 x 768 LCD: the 332 x 332 panel grows to the full height, 768 / 332 = 2.31 times,
  // with 128 black pixels on either side.
  const PanelLayout lcd = FitLayout(332, 332, 1024, 768);
  EXPECT_FALSE(lcd.standard);
  EXPECT_NEAR(lcd.scale, 2.3133, 1e-4);
  EXPECT_EQ(lcd.ScaledPanelWidth(), 768);
  EXPECT_EQ(lcd.ScaledPanelHeight(), 768);
  EXPECT_EQ(lcd.originX, 128);
  EXPECT_EQ(lcd.originY, 0);

  // Twice today's Windows client area: exactly twice, nothing around it.
  const PanelLayout twice = FitLayout(331, 321, 662, 642);
  EXPECT_DOUBLE_EQ(twice.scale, 2.0);
  EXPECT_EQ(twice.originX, 0);
  EXPECT_EQ(twice.originY, 0);

  // A tall narrow strip: the width decides, the panel sits in the middle of the height.
  const PanelLayout strip = FitLayout(332, 332, 166, 600);
  EXPECT_DOUBLE_EQ(strip.scale, 0.5);
  EXPECT_EQ(strip.originX, 0);
  EXPECT_EQ(strip.originY, (600 - 166) / 2);
}

TEST(PanelLayout, NoWindowKeepsTheStandardLayout) {
  EXPECT_TRUE(FitLayout(332, 332, 0, 0).standard);
  const PanelLayout standard = StandardLayout(331, 321);
  EXPECT_TRUE(standard.standard);
  EXPECT_DOUBLE_EQ(standard.scale, 1.0);
  EXPECT_EQ(standard.ScaledPanelWidth(), 331);
}

}  // namespace
