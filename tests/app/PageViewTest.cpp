#include "app/WebBrowser.h"

#include <gtest/gtest.h>

namespace {

// Pages are made for 96 dots per inch; the scale is taken in single
// precision and the percentage truncated.
TEST(PageViewTest, ZoomFollowsTheScreensResolution) {
    const std::pair<int, int> cases[] = {{96, 100}, {120, 125}, {144, 150}, {110, 114},
                                         {72, 75},  {192, 200}, {0, 0}};
    for (const auto& [dotsPerInch, zoom] : cases)
        EXPECT_EQ(DocumentZoomPercent(dotsPerInch), zoom) << dotsPerInch;
}

} // namespace
