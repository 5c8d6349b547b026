// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a finished result reaches the screen reader, heard once however soon
// it follows the key or the drop that asked for it.
//
// The answer of an analysis is the colour field's current line and
// description, read when the focus arrives at the field. A focus that rests
// on the busy indicator for a moment only, or comes back to the field it
// never left, is not spoken (the screen reader finds the indicator gone, or
// nothing new), so the arrival waits for the indicator to have been heard,
// and a field that already has the focus gets the answer announced where
// the toolkit can announce, or reached by way of the indicator where it
// cannot. Confirmations are announced where the toolkit can, and are the
// name list's description, read when it takes the focus, where it cannot.

#include <QString>

class QWidget;

namespace vestiscop::ui {

// How long the focus rests on the busy indicator before it moves on.
inline constexpr int StopoverMilliseconds = 500;

enum class AnswerRoute {
    FocusArrival,  // the focus comes to the colour field, which reads the answer
    Announcement,  // the field has the focus already: the answer is announced
    Stopover,      // the field has the focus already and nothing can be announced:
                   // the focus goes to the busy indicator first
};

AnswerRoute answerRoute(bool fieldHasFocus, bool canAnnounce);

// Milliseconds the focus must still stay on the busy indicator it reached
// restedMilliseconds ago (negative: it is not there), 0 when it may move on.
int stopoverLeft(long long restedMilliseconds);

// Whether a screen reader follows the window: the waits and detours are
// for it alone, without one a result is shown at once.
bool screenReaderListens();

// Whether this toolkit can hand the screen reader words to say.
bool toolkitAnnounces();

// Asks the screen reader to say words on behalf of widget, after what it is
// saying; does nothing where the toolkit cannot.
void announce(QWidget* widget, const QString& words);

} // namespace vestiscop::ui
