#include "base/RecordTimeText.h"

#include <QLocale>

namespace ovisu {

QString historyTimeText(const QDateTime& date) {
    static const QLocale chinese(QLocale::Chinese, QLocale::China);
    return chinese.toString(date.toLocalTime(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

}  // namespace ovisu
