#include "diagnostics/DiagnosticExportNames.h"

#include "base/ApplicationVersion.h"
#include "diagnostics/SoftwareDiagnosticText.h"

#include <QLocale>

namespace ovisu {

QString proposedDiagnosticLogFileName(const QDateTime& now) {
    const QString stamp =
        QLocale(QLocale::Chinese, QLocale::China).toString(now.toLocalTime(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return QStringLiteral("Ovisu-诊断日志-") + stamp.left(10).replace(QLatin1Char('/'), QLatin1Char('-')) +
           QStringLiteral(".txt");
}

QString proposedDiagnosticPackageFileName(const QDateTime& now) {
    const QString stamp = now.toUTC().toString(Qt::ISODate).replace(QLatin1Char(':'), QLatin1Char('-'));
    return QStringLiteral("Ovisu-") + applicationShortVersion() + QStringLiteral("-完整诊断包-") + stamp +
           QStringLiteral(".zip");
}

}  // namespace ovisu
