#include "diagnostics/SoftwareDiagnosticText.h"

#include <QLocale>

namespace ovisu {

QString translationModeTitle(bool interfaceMode) {
    return interfaceMode ? QStringLiteral("界面模式") : QStringLiteral("对白模式");
}

// Decimal units as file browsers count them: whole kilobytes, one decimal for megabytes, two for
// gigabytes.
QString logUsageSummary(qint64 totalBytes) {
    QString size;
    if (totalBytes <= 0)
        size = QStringLiteral("0 KB");
    else if (totalBytes < 1000)
        size = QStringLiteral("%1 字节").arg(totalBytes);
    else if (totalBytes < 1'000'000)
        size = QStringLiteral("%1 KB").arg(qRound64(totalBytes / 1e3));
    else if (totalBytes < 1'000'000'000)
        size = QStringLiteral("%1 MB").arg(totalBytes / 1e6, 0, 'f', 1);
    else
        size = QStringLiteral("%1 GB").arg(totalBytes / 1e9, 0, 'f', 2);
    return QStringLiteral("日志占用：") + size + QStringLiteral(" · 自动保留最近 4 个文件");
}

QString softwareDiagnosticText(const SoftwareDiagnosticInputs& inputs) {
    const QString exportedAt =
        QLocale(QLocale::Chinese, QLocale::China).toString(inputs.exportedAt.toLocalTime(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    QString text = QStringLiteral("Ovisu诊断信息\n版本：") + inputs.version + QStringLiteral("\n系统：") + inputs.system +
                   QStringLiteral("\n翻译源：") + inputs.providerTitle.value_or(QStringLiteral("尚未选择")) +
                   QStringLiteral("\n翻译模式：") + translationModeTitle(inputs.interfaceMode) +
                   QStringLiteral("\n屏幕录制权限：") +
                   (inputs.screenCapturePermission ? QStringLiteral("已授权") : QStringLiteral("未授权")) +
                   QStringLiteral("\n导出时间：") + exportedAt + QLatin1Char('\n') + QString(60, QLatin1Char('-')) +
                   QLatin1Char('\n');
    text += inputs.combinedLog.isEmpty() ? QStringLiteral("暂无日志。\n") : inputs.combinedLog;
    return text;
}

}  // namespace ovisu
