#pragma once

#include <QDateTime>
#include <QString>

namespace ovisu {

// The names the export dialog proposes. The text log: "Ovisu-诊断日志-" and the local date
// ("2024-05-01") with ".txt"; the package: "Ovisu-1.26-完整诊断包-" and the UTC time in ISO-8601
// with "-" for ":" ("2024-05-01T13-03-07Z") with ".zip", so the name is valid on every file system.
QString proposedDiagnosticLogFileName(const QDateTime& now);
QString proposedDiagnosticPackageFileName(const QDateTime& now);

}  // namespace ovisu
