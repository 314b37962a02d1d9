#pragma once

#include <QDateTime>
#include <QString>

namespace ovisu {

// "yyyy-MM-dd HH:mm:ss" in local time, as the history and the overlay show the time of a
// translation.
QString historyTimeText(const QDateTime& date);

}  // namespace ovisu
