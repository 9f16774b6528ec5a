#include "widgets/TimeOfDay.h"

#include <QLocale>
#include <QRegularExpression>

namespace tarvelo::widgets {

QString TimeOfDayFormat(const QLocale& locale) {
  QString format = locale.timeFormat(QLocale::ShortFormat);
  if (!format.contains('s')) {
    static const QRegularExpression minutes("m+");
    const QRegularExpressionMatch m = minutes.match(format);
    if (m.hasMatch()) format.insert(m.capturedEnd(), ":ss");
    else format += ":ss";
  }
  return format;
}

QString TimeOfDayText(const QTime& time) {
  static const QLocale locale = QLocale::system();
  static const QString format = TimeOfDayFormat(locale);
  return locale.toString(time, format);
}

int MsToNextSecond(const QTime& time) { return 1000 - time.msec(); }

}  // namespace tarvelo::widgets
