// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ResultSpeech.h"

#include <QAccessible>
#include <QWidget>
#include <QtGlobal>

namespace vestiscop::ui {

AnswerRoute answerRoute(bool fieldHasFocus, bool canAnnounce)
{
    if (!fieldHasFocus)
        return AnswerRoute::FocusArrival;
    return canAnnounce ? AnswerRoute::Announcement : AnswerRoute::Stopover;
}

int stopoverLeft(long long restedMilliseconds)
{
    if (restedMilliseconds < 0 || restedMilliseconds >= StopoverMilliseconds)
        return 0;
    return StopoverMilliseconds - static_cast<int>(restedMilliseconds);
}

bool screenReaderListens()
{
    return QAccessible::isActive();
}

bool toolkitAnnounces()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    return true;
#else
    return false;
#endif
}

void announce([[maybe_unused]] QWidget* widget, [[maybe_unused]] const QString& words)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    if (words.isEmpty())
        return;
    QAccessibleAnnouncementEvent event(widget, words);
    QAccessible::updateAccessibility(&event);
#endif
}

} // namespace vestiscop::ui
