// SPDX-License-Identifier: GPL-3.0-or-later
// How an answer reaches the screen reader: by the focus arriving at the
// colour field, by an announcement, or by way of the busy indicator; and how
// long the focus stays on the indicator before it moves on.

#include <gtest/gtest.h>

#include "ui/ResultSpeech.h"

namespace vestiscop::ui {
namespace {

TEST(ResultSpeech, AnswerRoute)
{
    struct Case {
        bool fieldHasFocus;
        bool canAnnounce;
        AnswerRoute expected;
    };
    for (const Case& c : {
             // The focus comes from elsewhere: its arrival reads the answer,
             // an announcement as well would say it twice.
             Case{false, false, AnswerRoute::FocusArrival},
             Case{false, true, AnswerRoute::FocusArrival},
             // A second file dropped on the field that has the focus.
             Case{true, true, AnswerRoute::Announcement},
             Case{true, false, AnswerRoute::Stopover},
         })
        EXPECT_EQ(answerRoute(c.fieldHasFocus, c.canAnnounce), c.expected) << c.fieldHasFocus << c.canAnnounce;
}

TEST(ResultSpeech, StopoverLeft)
{
    struct Case {
        long long rested;
        int expected;
    };
    for (const Case& c : {
             Case{-1, 0},  // the focus is not on the indicator: nothing to wait for
             Case{0, StopoverMilliseconds},  // a scanner that answers at once
             Case{1, StopoverMilliseconds - 1},
             Case{StopoverMilliseconds - 1, 1},
             Case{StopoverMilliseconds, 0},
             Case{4000, 0},  // a flatbed's scan: the indicator was read long ago
             Case{1LL << 40, 0},  // no overflow into a wait
         })
        EXPECT_EQ(stopoverLeft(c.rested), c.expected) << c.rested;
}

} // namespace
} // namespace vestiscop::ui
