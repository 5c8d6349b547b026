// SPDX-License-Identifier: GPL-3.0-or-later
// The image view's geometry, checked without a window against values worked
// out by hand from the pixel-centred layout rules.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "imaging/Image.h"
#include "ui/ImageLayer.h"
#include "ui/ViewGeometry.h"

using namespace vestiscop;
using namespace vestiscop::ui;

namespace {

// A layer of a fixed extent at scale 1 that remembers the scales it is told.
class BoxLayer : public ViewLayer {
public:
    BoxLayer(int width, int height) : m_width(width), m_height(height) {}
    void setScale(double scaleX, double scaleY) override
    {
        m_scaleX = scaleX;
        m_scaleY = scaleY;
    }
    void draw(ViewSurface&, const ViewRect&) override {}
    bool bounds(ViewRect& out) const override
    {
        out = {0, 0, static_cast<int>(m_width * m_scaleX), static_cast<int>(m_height * m_scaleY)};
        return true;
    }
    double m_scaleX = 0;
    double m_scaleY = 0;

private:
    int m_width;
    int m_height;
};

std::unique_ptr<imaging::RgbImage> rgbImage(int width, int height)
{
    auto image = imaging::RgbImage::create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * 3; ++x)
            image->row(y)[x] = static_cast<std::uint8_t>(x + y);
    return image;
}

} // namespace

TEST(ViewGeometryLayers, IdZeroFollowsTheLastIdAndExplicitIdsKeepOrder)
{
    ViewGeometry view;
    BoxLayer one(1, 1), four(1, 1), five(1, 1), two(1, 1), anotherFour(1, 1);
    EXPECT_EQ(view.addLayer(&one, 0, true), 1);  // empty list: id 1
    EXPECT_EQ(view.addLayer(&four, 4, true), 4);
    EXPECT_EQ(view.addLayer(&five, 0, true), 5);
    EXPECT_EQ(view.addLayer(&two, 2, false), 2);
    EXPECT_EQ(view.addLayer(&anotherFour, 4, true), 4);

    std::vector<int> ids;
    for (const LayerEntry& entry : view.layers())
        ids.push_back(entry.id);
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 4, 4, 5}));
    // Same id: the later one goes after the earlier, and find gives the first.
    EXPECT_EQ(view.layers()[2].layer, &four);
    EXPECT_EQ(view.layers()[3].layer, &anotherFour);
    ASSERT_NE(view.findLayer(4), nullptr);
    EXPECT_EQ(view.findLayer(4)->layer, &four);
    EXPECT_FALSE(view.findLayer(2)->visible);
    EXPECT_EQ(view.findLayer(3), nullptr);
}

TEST(ViewGeometryLayers, NewLayerIsToldTheCurrentScale)
{
    ViewGeometry view;
    view.setZoom(2.0);
    BoxLayer layer(10, 10);
    view.addLayer(&layer, 0, true);
    EXPECT_EQ(layer.m_scaleX, 2.0);
    EXPECT_EQ(layer.m_scaleY, 2.0);
    view.setZoom(3.0);
    EXPECT_EQ(layer.m_scaleX, 3.0);
}

struct ZoomCase {
    double start;
    int zoomIns;  // negative: zoom outs
    double expected;
};

class ViewGeometryZoomSteps : public ::testing::TestWithParam<ZoomCase> {};

TEST_P(ViewGeometryZoomSteps, KeypadStepsByOneAndAHalfWithinLimits)
{
    const ZoomCase& c = GetParam();
    ViewGeometry view;
    BoxLayer layer(100, 100);
    view.addLayer(&layer, 1, true);
    view.layout(300, 200);
    view.setZoom(c.start);
    const auto key = c.zoomIns >= 0 ? ViewGeometry::Key::ZoomIn : ViewGeometry::Key::ZoomOut;
    for (int i = 0; i < (c.zoomIns >= 0 ? c.zoomIns : -c.zoomIns); ++i)
        view.pressKey(key, false, false);
    EXPECT_DOUBLE_EQ(view.scaleX(), c.expected);
    EXPECT_DOUBLE_EQ(view.scaleY(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Steps, ViewGeometryZoomSteps,
                         ::testing::Values(ZoomCase{1.0, 5, 7.59375},    // 1.5^5
                                           ZoomCase{160.0, 1, 160.0},    // at the top already
                                           ZoomCase{120.0, 1, 160.0},    // 180 clamps
                                           ZoomCase{0.1, -1, 0.1},       // at the bottom already
                                           ZoomCase{1.0, -2, 1.0 / 1.5 / 1.5}));

TEST(ViewGeometryZoom, ClampsAndKeepsScalesEqual)
{
    ViewGeometry view;
    EXPECT_TRUE(view.setZoom(500.0, 0.01));
    EXPECT_EQ(view.scaleX(), 0.1);  // each clamped, then the smaller taken
    EXPECT_EQ(view.scaleY(), 0.1);
    EXPECT_FALSE(view.setZoom(0.05)) << "clamps to the current scale: nothing changes";
    EXPECT_TRUE(view.setZoom(3.0, 2.0));
    EXPECT_EQ(view.scaleX(), 2.0);
    EXPECT_EQ(view.scaleY(), 2.0);
}

TEST(ViewGeometryZoom, HoldsTheContentPointUnderTheClientCentre)
{
    ViewGeometry view;
    BoxLayer layer(1000, 1000);
    view.addLayer(&layer, 1, true);
    view.layout(300, 200);
    ASSERT_TRUE(view.scrollTo(-400, -300));
    // Centre (150, 100) shows content pixel (550, 400) at scale 1.
    view.setZoom(2.0);
    // At scale 2 that pixel is at layer (1100, 800): origin = centre - that.
    EXPECT_EQ(view.origin(), (ViewPoint{150 - 1100, 100 - 800}));
    view.setZoom(0.5);
    EXPECT_EQ(view.origin(), (ViewPoint{150 - 275, 100 - 200}));
}

TEST(ViewGeometryZoom, FitScalesContentToTheClientWithoutBars)
{
    ViewGeometry view;
    BoxLayer layer(600, 300);
    view.addLayer(&layer, 1, true);
    view.layout(300, 200, 15, 15);
    EXPECT_EQ(view.pressKey(ViewGeometry::Key::Fit, false, false), ViewGeometry::KeyResult::Zoomed);
    // min(300 / 600, 200 / 300) = 0.5: the width decides.
    EXPECT_DOUBLE_EQ(view.scaleX(), 0.5);
    EXPECT_DOUBLE_EQ(view.scaleY(), 0.5);
}

TEST(ViewGeometryZoom, FitWithoutContentDoesNothing)
{
    ViewGeometry view;
    ImageLayer empty;
    view.addLayer(&empty, 1, true);
    view.layout(300, 200);
    EXPECT_EQ(view.pressKey(ViewGeometry::Key::Fit, false, false), ViewGeometry::KeyResult::None);
    EXPECT_EQ(view.scaleX(), 1.0);
}

TEST(ViewGeometryOrigin, SmallImageIsCentred)
{
    ViewGeometry view;
    auto image = rgbImage(100, 80);
    ImageLayer layer;
    layer.setImage(*image, false);
    view.addLayer(&layer, 1, true);
    view.layout(300, 200);
    EXPECT_EQ(view.origin(), (ViewPoint{100, 60}));
    // Centred content cannot be scrolled away.
    EXPECT_FALSE(view.scrollTo(0, 0));
    EXPECT_EQ(view.origin(), (ViewPoint{100, 60}));
}

TEST(ViewGeometryOrigin, WideImageScrollsBetweenItsEdges)
{
    ViewGeometry view;
    auto image = rgbImage(1000, 100);
    ImageLayer layer;
    layer.setImage(*image, false);
    view.addLayer(&layer, 1, true);
    view.layout(300, 200);
    EXPECT_EQ(view.origin().x, 0);
    EXPECT_EQ(view.pressKey(ViewGeometry::Key::Left, false, false), ViewGeometry::KeyResult::None);
    EXPECT_EQ(view.origin().x, 0);

    EXPECT_TRUE(view.scrollTo(-5000, 0));
    EXPECT_EQ(view.origin().x, -700);
    EXPECT_TRUE(view.scrollTo(5000, 0));
    EXPECT_EQ(view.origin().x, 0);
    EXPECT_TRUE(view.scrollTo(-350, 0));
    EXPECT_EQ(view.origin().x, -350);
}

struct StepCase {
    ViewGeometry::Key key;
    bool shift;
    bool ctrl;
    ViewPoint expected;
};

class ViewGeometryArrowKeys : public ::testing::TestWithParam<StepCase> {};

TEST_P(ViewGeometryArrowKeys, StepDependsOnModifiers)
{
    const StepCase& c = GetParam();
    ViewGeometry view;
    BoxLayer layer(2000, 2000);
    view.addLayer(&layer, 1, true);
    view.layout(300, 200);
    view.scrollTo(-500, -500);
    EXPECT_EQ(view.pressKey(c.key, c.shift, c.ctrl), ViewGeometry::KeyResult::Scrolled);
    EXPECT_EQ(view.origin(), c.expected);
}

using Key = ViewGeometry::Key;
INSTANTIATE_TEST_SUITE_P(
    Keys, ViewGeometryArrowKeys,
    ::testing::Values(StepCase{Key::Left, false, false, {-490, -500}}, StepCase{Key::Right, false, false, {-510, -500}},
                      StepCase{Key::Up, false, false, {-500, -490}}, StepCase{Key::Down, false, false, {-500, -510}},
                      StepCase{Key::Left, true, false, {-499, -500}}, StepCase{Key::Right, false, true, {-550, -500}},
                      // Shift wins over Ctrl.
                      StepCase{Key::Down, true, true, {-500, -501}}));

TEST(ViewGeometryScrollBars, RangesFollowTheContentAndTheClient)
{
    ViewGeometry view;
    BoxLayer layer(1000, 150);
    view.addLayer(&layer, 1, true);
    // The horizontal bar takes 20 pixels: 150 no longer fits into 160, so
    // the vertical bar is needed too.
    view.layout(300, 160, 15, 20);
    EXPECT_EQ(view.client(), (ViewRect{0, 0, 285, 140}));
    const ScrollBarState horizontal = view.horizontalBar();
    EXPECT_TRUE(horizontal.shown);
    EXPECT_EQ(horizontal.minimum, 0);
    EXPECT_EQ(horizontal.maximum, 1000 - 285);
    EXPECT_EQ(horizontal.page, 285);
    EXPECT_TRUE(view.verticalBar().shown);

    view.scrollTo(-100, 0);
    EXPECT_EQ(view.horizontalBar().value, 100);
    // Line and page steps, and the thumb.
    EXPECT_TRUE(view.scrollBarAction(ViewGeometry::Axis::Horizontal, ViewGeometry::BarAction::LineForward, 0));
    EXPECT_EQ(view.origin().x, -110);
    EXPECT_TRUE(view.scrollBarAction(ViewGeometry::Axis::Horizontal, ViewGeometry::BarAction::PageBack, 0));
    EXPECT_EQ(view.origin().x, 0);  // +285 clamps at the left edge
    EXPECT_TRUE(view.scrollBarAction(ViewGeometry::Axis::Horizontal, ViewGeometry::BarAction::Thumb, 300));
    EXPECT_EQ(view.origin().x, -300);
}

TEST(ViewGeometryScrollBars, ContentThatFitsWithoutBarsShowsNone)
{
    ViewGeometry view;
    BoxLayer layer(300, 200);
    view.addLayer(&layer, 1, true);
    view.layout(300, 200, 15, 15);
    EXPECT_FALSE(view.horizontalBar().shown);
    EXPECT_FALSE(view.verticalBar().shown);
    EXPECT_EQ(view.client(), (ViewRect{0, 0, 300, 200}));
}

TEST(ViewGeometryLayout, ContentBoundsUniteAllLayersVisibleOrNot)
{
    ViewGeometry view;
    auto small = rgbImage(10, 40);
    auto wide = rgbImage(50, 5);
    ImageLayer first, second;
    first.setImage(*small, false);
    second.setImage(*wide, false);
    view.addLayer(&first, 1, true);
    view.addLayer(&second, 2, false);
    view.layout(20, 20);
    EXPECT_EQ(view.contentBounds(), (ViewRect{0, 0, 50, 40}));
}
