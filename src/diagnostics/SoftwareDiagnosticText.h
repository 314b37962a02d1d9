#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace ovisu {

// What the header of the software diagnostic text is made of; plain values, so the text can be
// built the same way by the desktop program and by a command line without a session.
struct SoftwareDiagnosticInputs {
    QString version;
    QString system;                      // the operating-system version string
    std::optional<QString> providerTitle;  // none when no source is listed
    bool interfaceMode = false;
    bool screenCapturePermission = false;  // X11: the display can be captured
    QDateTime exportedAt;
    QString combinedLog;  // every log file, oldest first
};

// "Ovisu诊断信息" with version, system, source, mode, capture permission and export time, a line
// of 60 hyphens, then the log (or "暂无日志。" when it is empty). The page shows it, "复制全部"
// copies it and the diagnostic package stores it as its summary.
QString softwareDiagnosticText(const SoftwareDiagnosticInputs& inputs);

QString translationModeTitle(bool interfaceMode);

// The page's summary line: "日志占用：" + the size as a file size is usually written ("1.2 MB")
// + " · 自动保留最近 4 个文件".
QString logUsageSummary(qint64 totalBytes);

}  // namespace ovisu
