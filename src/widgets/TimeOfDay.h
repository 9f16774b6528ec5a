#pragma once

#include <QString>
#include <QTime>

namespace tarvelo::widgets {

// A time of day in the system's own time format, always with seconds: the
// clock of the Status page and the time column of the logs.
QString TimeOfDayText(const QTime& time = QTime::currentTime());

// Milliseconds from `time` to the turn of its next second (1 to 1000): a
// clock that shows seconds wakes then instead of polling.
int MsToNextSecond(const QTime& time);

// The format behind it: the locale's short time format with seconds added
// after the minutes when it has none.
QString TimeOfDayFormat(const QLocale& locale);

}  // namespace tarvelo::widgets
