#include <gtest/gtest.h>

#include <algorithm>

#include "plot/plot_labels.h"

namespace scenarioc {
namespace {

TEST(TextWidth, GrowsWithTheTextAndCountsCharactersNotBytes) {
  EXPECT_LT(text_width("IL", 12), text_width("MW", 12));
  EXPECT_LT(text_width("MARINA", 12), text_width("MARINA", 12, true));
  EXPECT_NEAR(text_width("MARINA", 24) - 1, 2 * (text_width("MARINA", 12) - 1), 1e-9);
  // "CITTÀ": five characters, six bytes; the À is reckoned as one wide one.
  EXPECT_LT(text_width("CITT\xC3\x80", 12), text_width("CITTWW", 12));
  EXPECT_GT(text_width("CITT\xC3\x80", 12), text_width("CITT", 12));
}

TEST(SpreadLabels, KeepsOrderAndPitchAndStaysInBounds) {
  struct Case {
    std::vector<double> anchors;
    double lo, hi;
    std::vector<double> expected;  // empty: only the rules are checked
  };
  const Case cases[] = {
      {{10, 50, 90}, 0, 100, {10, 50, 90}},     // room enough: where they belong
      {{50, 50, 50}, 0, 100, {40, 50, 60}},     // a pile: centred on its point
      {{90, 0, 52}, 0, 100, {90, 0, 52}},       // result in the order given
      {{0, 1, 2}, 0, 100, {0, 10, 20}},         // pushed in from the low end
      {{99, 100, 100}, 0, 100, {80, 90, 100}},  // and from the high end
      {{0, 40, 45, 50, 100}, 0, 100, {0, 35, 45, 55, 100}},
      {std::vector<double>(30, 50), 0, 1000, {}},
  };
  for (const Case& c : cases) {
    const std::vector<double> at = spread_labels(c.anchors, 10, c.lo, c.hi);
    ASSERT_EQ(at.size(), c.anchors.size());
    if (!c.expected.empty()) {
      for (size_t i = 0; i < at.size(); ++i) EXPECT_NEAR(at[i], c.expected[i], 1e-9) << i;
    }
    std::vector<double> sorted = at;
    std::sort(sorted.begin(), sorted.end());
    for (size_t i = 1; i < sorted.size(); ++i) EXPECT_GE(sorted[i] - sorted[i - 1], 10 - 1e-9);
    for (double v : at) {
      EXPECT_GE(v, c.lo - 1e-9);
      EXPECT_LE(v, c.hi + 1e-9);
    }
  }
}

TEST(PlaceLabels, NamesOfPointsCloseTogetherNeverCoverEachOther) {
  const Box area{0, 0, 800, 500};
  const Box corner{700, 0, 800, 60};
  std::vector<LabelRequest> labels;
  // Twenty stations a few pixels apart along a diagonal, and one in the corner.
  for (int i = 0; i < 20; ++i) labels.push_back({300.0 + i * 3, 200.0 + i * 2, 120, 16, true});
  labels.push_back({760, 30, 60, 16, true});
  std::vector<Obstacle> track;
  for (int x = 0; x < 800; x += 3) track.push_back({static_cast<double>(x), 240, 40});
  const std::vector<PlacedLabel> placed = place_labels(labels, area, {corner}, track);
  ASSERT_EQ(placed.size(), labels.size());
  for (size_t i = 0; i < placed.size(); ++i) {
    ASSERT_TRUE(placed[i].shown) << i;
    EXPECT_TRUE(placed[i].box.inside(area)) << i;
    EXPECT_FALSE(placed[i].box.overlaps(corner)) << i;
    EXPECT_NEAR(placed[i].box.width(), labels[i].width, 1e-9);
    for (size_t j = 0; j < i; ++j) EXPECT_FALSE(placed[i].box.overlaps(placed[j].box)) << i << " " << j;
  }
  // The first ones, with room still around them, keep off the track.
  for (size_t i = 0; i < 5; ++i)
    for (const Obstacle& o : track)
      EXPECT_FALSE(placed[i].box.contains(o.x, o.y)) << "over the track: " << i;
  // The first is set right beside its point, with no rule.
  EXPECT_FALSE(placed[0].leader);
  EXPECT_TRUE(placed[10].leader);
}

TEST(PlaceLabels, ALabelThatNeedNotBeShownIsLeftOutWhenThereIsNoRoom) {
  // Room for two names beside the point, one each side.
  const Box area{0, 0, 60, 30};
  const LabelRequest name{30, 15, 20, 16, true};
  LabelRequest optional = name;
  optional.required = false;
  const std::vector<PlacedLabel> placed = place_labels({name, name, optional}, area, {}, {});
  EXPECT_TRUE(placed[0].shown);
  EXPECT_TRUE(placed[1].shown);
  EXPECT_FALSE(placed[0].box.overlaps(placed[1].box));
  EXPECT_FALSE(placed[2].shown);
  // A required one is set where it covers least, rather than not at all.
  EXPECT_TRUE(place_labels({name, name, name}, area, {}, {})[2].shown);
}

}  // namespace
}  // namespace scenarioc
