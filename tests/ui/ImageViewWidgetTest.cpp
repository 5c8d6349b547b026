// SPDX-License-Identifier: GPL-3.0-or-later
// The image view as a window: keys, keypad zoom, dragging and the scroll bars
// reach the geometry, and painting shows the visible layer over the
// background.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QTest>

#include "imaging/Image.h"
#include "ui/CImgViewCtrl.h"
#include "ui/ControlIds.h"
#include "ui/ImageLayer.h"

using namespace vestiscop;
using namespace vestiscop::ui;

namespace {

std::unique_ptr<imaging::RgbImage> filled(int width, int height, std::uint8_t blue, std::uint8_t green,
                                          std::uint8_t red)
{
    auto image = imaging::RgbImage::create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = image->pixel(x, y);
            p[0] = blue;
            p[1] = green;
            p[2] = red;
        }
    return image;
}

class ImageViewWidgetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_view.setFrameShape(QFrame::NoFrame);
        m_view.resize(300, 200);
        m_view.addLayer(&m_layer, 1, true);
        m_view.setBackground(Qt::black);
    }

    void showWith(const imaging::RgbImage& image)
    {
        m_layer.setImage(image, false);
        m_view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_view));
        m_view.invalidate();
    }

    ViewPoint origin() const { return m_view.viewGeometry().origin(); }

    CImgView m_view;
    ImageLayer m_layer;
};

} // namespace

TEST_F(ImageViewWidgetTest, ArrowKeysScrollAndShiftIsFinerThanCtrl)
{
    auto image = filled(1000, 1000, 0, 0, 255);
    showWith(*image);
    m_view.scrollTo(-500, -500);
    // The bars take their room; the origin is where it was asked to be.
    EXPECT_EQ(origin(), (ViewPoint{-500, -500}));
    QTest::keyClick(&m_view, Qt::Key_Left);
    EXPECT_EQ(origin().x, -490);
    QTest::keyClick(&m_view, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(origin().y, -450);
    QTest::keyClick(&m_view, Qt::Key_Right, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(origin().x, -491);
    // The bars follow the origin.
    EXPECT_EQ(m_view.horizontalScrollBar()->value(), 491);
    EXPECT_EQ(m_view.verticalScrollBar()->value(), 450);
}

TEST_F(ImageViewWidgetTest, KeypadZoomsAboutTheCentre)
{
    auto image = filled(1000, 1000, 0, 0, 255);
    showWith(*image);
    QTest::keyClick(&m_view, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_DOUBLE_EQ(m_view.viewGeometry().scaleX(), 1.5);
    // The main keyboard's plus is not the keypad's.
    QTest::keyClick(&m_view, Qt::Key_Plus);
    EXPECT_DOUBLE_EQ(m_view.viewGeometry().scaleX(), 1.5);
    QTest::keyClick(&m_view, Qt::Key_Slash, Qt::KeypadModifier);
    EXPECT_DOUBLE_EQ(m_view.viewGeometry().scaleX(), 1.0);
    QTest::keyClick(&m_view, Qt::Key_Asterisk, Qt::KeypadModifier);
    // Fit: the 1000-pixel picture into the 200-pixel-high window.
    EXPECT_DOUBLE_EQ(m_view.viewGeometry().scaleX(), 0.2);
    EXPECT_FALSE(m_view.horizontalScrollBar()->isVisible());
}

TEST_F(ImageViewWidgetTest, DraggingMovesThePictureWithThePointer)
{
    auto image = filled(1000, 1000, 0, 0, 255);
    showWith(*image);
    m_view.scrollTo(-300, -300);
    QWidget* surface = m_view.viewport();
    QTest::mousePress(surface, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QTest::mouseMove(surface, QPoint(130, 80));
    QTest::mouseRelease(surface, Qt::LeftButton, Qt::NoModifier, QPoint(130, 80));
    EXPECT_EQ(origin(), (ViewPoint{-270, -320}));
}

TEST_F(ImageViewWidgetTest, SmallPictureIsPaintedCentredOnTheBackground)
{
    auto image = filled(100, 80, 0, 255, 0);
    showWith(*image);
    EXPECT_EQ(origin(), (ViewPoint{100, 60}));
    const QImage shown = m_view.viewport()->grab().toImage();
    EXPECT_EQ(shown.pixelColor(150, 100), QColor(0, 255, 0));  // inside
    EXPECT_EQ(shown.pixelColor(100, 60), QColor(0, 255, 0));   // top-left pixel
    EXPECT_EQ(shown.pixelColor(99, 100), QColor(Qt::black));   // just left of it
    EXPECT_EQ(shown.pixelColor(200, 140), QColor(Qt::black));  // just past the bottom-right
}

TEST(ImageViewControl, TakesThePlaceAndIdOfTheDialogItem)
{
    QWidget dialog;
    auto* frame = new QFrame(&dialog);
    setControlId(frame, 1000);
    frame->setGeometry(20, 30, 200, 150);
    CImgViewCtrl view;
    EXPECT_FALSE(view.createInPlace(999, &dialog));
    EXPECT_EQ(findControl(&dialog, 1000), frame);
    ASSERT_TRUE(view.createInPlace(1000, &dialog));
    EXPECT_EQ(findControl(&dialog, 1000), &view);
    EXPECT_EQ(view.geometry(), QRect(20, 30, 200, 150));
    EXPECT_EQ(view.parentWidget(), &dialog);
    EXPECT_EQ(dialog.findChildren<QFrame*>().size(), 1) << "the placeholder is gone";
    view.setParent(nullptr);
}
