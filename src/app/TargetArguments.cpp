#include "app/TargetArguments.h"

#include "capture/CaptureRegionGeometry.h"
#include "capture/WindowCapture.h"
#include "capture/WindowListing.h"

#include <QCoreApplication>
#include <QStringList>

namespace ovisu {

std::expected<QList<TargetWindow>, CaptureFailure> eligibleTargets(WindowCapture& capture) {
    const auto windows = capture.listWindows();
    if (!windows) return std::unexpected(windows.error());
    return WindowListing::eligibleTargets(*windows, QCoreApplication::applicationPid());
}

std::expected<TargetWindow, QString> findTarget(const QList<TargetWindow>& targets, const QString& name) {
    bool isNumber = false;
    const quint32 id = name.startsWith(QLatin1String("0x")) ? name.mid(2).toUInt(&isNumber, 16) : name.toUInt(&isNumber);
    for (const TargetWindow& target : targets)
        if ((isNumber && target.windowID() == id) || target.title == name) return target;
    QList<TargetWindow> partial;
    for (const TargetWindow& target : targets)
        if (target.title.contains(name, Qt::CaseInsensitive)) partial.append(target);
    if (partial.size() == 1) return partial.first();
    if (partial.isEmpty()) return std::unexpected(QStringLiteral("no window matches '%1' (see 'ovisu windows')").arg(name));
    return std::unexpected(QStringLiteral("'%1' matches %2 windows; name one by its identifier").arg(name).arg(partial.size()));
}

std::expected<TargetWindow, int> requireTarget(WindowCapture& capture, const QString& name, const char* command,
                                               CommandStreams& streams) {
    const auto targets = eligibleTargets(capture);
    if (!targets) {
        streams.err << "ovisu " << command << ": " << targets.error() << "\n";
        return std::unexpected(1);
    }
    auto target = findTarget(*targets, name);
    if (!target) {
        streams.err << "ovisu " << command << ": " << target.error() << "\n";
        return std::unexpected(1);
    }
    return std::move(*target);
}

std::optional<QRectF> parseRegion(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) return std::nullopt;
    double values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts[i].trimmed().toDouble(&ok);
        if (!ok) return std::nullopt;
    }
    return CaptureRegionGeometry::sanitizedTopLeftNormalized(QRectF(values[0], values[1], values[2], values[3]));
}

}  // namespace ovisu
