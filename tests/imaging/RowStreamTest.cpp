// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/RowPump.h"
#include "imaging/RowSink.h"
#include "imaging/RowSource.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace vestiscop::imaging {
namespace {

// A 4 x 3 grey image whose row y holds the value 10 * (y + 1).
std::unique_ptr<ByteImage> labelledRows()
{
    auto image = ByteImage::create(4, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            *image->pixel(x, y) = static_cast<std::uint8_t>(10 * (y + 1));
    return image;
}

// A stage of a given length that yields numbered rows and ends (or throws)
// after a given number, to drive the pump and the sink.
class CountingStage : public Filter {
public:
    CountingStage(int rowLength, int declaredCount, int actualRows, bool failInsteadOfEnding = false)
        : Filter(rowLength, declaredCount), m_row(static_cast<std::size_t>(rowLength)), m_actualRows(actualRows),
          m_fail(failInsteadOfEnding)
    {
    }

    const std::uint8_t* pull() override
    {
        if (m_pulled == m_actualRows) {
            if (m_fail)
                throw std::runtime_error("broken stage");
            throw EndOfStream();
        }
        ++m_pulled;
        std::fill(m_row.begin(), m_row.end(), static_cast<std::uint8_t>(m_pulled));
        return m_row.data();
    }

    int pulled() const { return m_pulled; }

private:
    std::vector<std::uint8_t> m_row;
    int m_actualRows;
    bool m_fail;
    int m_pulled = 0;
};

class RecordingProgress : public ProgressObserver {
public:
    void begin(int steps) override { log += "begin " + std::to_string(steps) + ";"; }
    void step() override { ++steps; }
    std::string log;
    int steps = 0;
};

TEST(RowSourceTest, BottomUpYieldsLastRowFirstThenEnds)
{
    auto image = labelledRows();
    RowSource source(*image, -1);
    EXPECT_EQ(source.rowLength(), 4);
    EXPECT_EQ(source.rowCount(), 3);
    EXPECT_EQ(source.pull(), image->row(2));
    EXPECT_EQ(source.pull(), image->row(1));
    EXPECT_EQ(source.pull(), image->row(0));
    EXPECT_THROW(source.pull(), Filter::EndOfStream);
    EXPECT_THROW(source.pull(), Filter::EndOfStream);
}

TEST(RowSourceTest, TopDownOverWindowFollowsParentStride)
{
    auto parent = RgbImage::create(10, 6);
    auto window = parent->window(4, 2);
    RowSource source(*window, 1);
    EXPECT_EQ(source.rowLength(), 12);
    EXPECT_EQ(source.rowCount(), 2);
    EXPECT_EQ(source.pull(), parent->data());
    EXPECT_EQ(source.pull(), parent->data() + 30);
    EXPECT_THROW(source.pull(), Filter::EndOfStream);
}

TEST(RowSinkTest, PumpCopiesImageThroughSourceAndSinkInBothDirections)
{
    for (const int direction : {1, -1}) {
        auto from = labelledRows();
        auto to = ByteImage::create(4, 3);
        RowSource source(*from, direction);
        RowSink sink(*to, direction, source);
        NullProgress progress;
        pumpRows(sink, progress);
        for (int y = 0; y < 3; ++y)
            EXPECT_EQ(*to->pixel(3, y), 10 * (y + 1)) << "direction " << direction;
    }
}

TEST(RowSinkTest, OppositeDirectionsFlipTheImage)
{
    auto from = labelledRows();
    auto to = ByteImage::create(4, 3);
    RowSource source(*from, 1);
    RowSink sink(*to, -1, source);
    EXPECT_EQ(sink.pull(), to->row(2));
    EXPECT_EQ(*to->pixel(0, 2), 10);
    sink.pull();
    sink.pull();
    EXPECT_EQ(*to->pixel(0, 0), 30);
    EXPECT_THROW(sink.pull(), Filter::EndOfStream);
}

TEST(RowSinkTest, WritesOnlyInsideAWindow)
{
    auto parent = ByteImage::create(6, 4);
    std::fill(parent->data(), parent->data() + 24, std::uint8_t{0});
    auto window = parent->window(2, 2);
    CountingStage upstream(2, 2, 2);
    RowSink sink(*window, 1, upstream);
    NullProgress progress;
    pumpRows(sink, progress);
    EXPECT_EQ(*parent->pixel(1, 0), 1);
    EXPECT_EQ(*parent->pixel(1, 1), 2);
    EXPECT_EQ(*parent->pixel(2, 0), 0);
    EXPECT_EQ(*parent->pixel(0, 2), 0);
}

TEST(RowPumpTest, KnownCountPullsThatManyWithOneStepEach)
{
    CountingStage stage(3, 5, 100);
    RecordingProgress progress;
    pumpRows(stage, progress);
    EXPECT_EQ(stage.pulled(), 5);
    EXPECT_EQ(progress.log, "begin 5;");
    EXPECT_EQ(progress.steps, 5);
}

TEST(RowPumpTest, UnknownCountPullsUntilEndOfStream)
{
    CountingStage stage(3, -1, 7);
    RecordingProgress progress;
    pumpRows(stage, progress);
    EXPECT_EQ(stage.pulled(), 7);
    EXPECT_EQ(progress.log, "begin 1;");
    EXPECT_EQ(progress.steps, 1);
}

TEST(RowPumpTest, EarlyEndIsNormalAndGivesOneStep)
{
    CountingStage stage(3, 5, 2);
    RecordingProgress progress;
    pumpRows(stage, progress);
    EXPECT_EQ(stage.pulled(), 2);
    EXPECT_EQ(progress.steps, 3);
}

TEST(RowPumpTest, OtherFailuresPassThrough)
{
    CountingStage stage(3, 5, 2, true);
    RecordingProgress progress;
    EXPECT_THROW(pumpRows(stage, progress), std::runtime_error);
    EXPECT_EQ(progress.steps, 2);
}

} // namespace
} // namespace vestiscop::imaging
