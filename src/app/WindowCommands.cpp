#include "app/WindowCommands.h"

#include "app/CommandSupport.h"
#include "app/TextTable.h"
#include "capture/CaptureRegionGeometry.h"
#include "capture/WindowCapture.h"
#include "capture/WindowListing.h"

#include <QCoreApplication>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace ovisu {
namespace {

std::expected<QList<TargetWindow>, QString> targets(WindowCapture& capture) {
    const auto windows = capture.listWindows();
    if (!windows) return std::unexpected(windows.error());
    return WindowListing::eligibleTargets(*windows, QCoreApplication::applicationPid());
}

QString frameText(const QRect& frame) {
    return QStringLiteral("%1,%2 %3x%4").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height());
}

// A window named by its identifier (decimal or 0x hex), its exact display title, or a part of it.
std::expected<TargetWindow, QString> findTarget(const QList<TargetWindow>& list, const QString& name) {
    bool isNumber = false;
    const quint32 id = name.startsWith(QLatin1String("0x")) ? name.mid(2).toUInt(&isNumber, 16) : name.toUInt(&isNumber);
    for (const TargetWindow& target : list)
        if ((isNumber && target.windowID() == id) || target.title == name) return target;
    QList<TargetWindow> partial;
    for (const TargetWindow& target : list)
        if (target.title.contains(name, Qt::CaseInsensitive)) partial.append(target);
    if (partial.size() == 1) return partial.first();
    if (partial.isEmpty()) return std::unexpected(QStringLiteral("no window matches '%1' (see 'ovisu windows')").arg(name));
    return std::unexpected(QStringLiteral("'%1' matches %2 windows; name one by its identifier").arg(name).arg(partial.size()));
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
    return QRectF(values[0], values[1], values[2], values[3]);
}

}  // namespace

int runWindowsCommand(const QStringList& arguments, CommandStreams& streams) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("List the windows that can be translated."));
    const QCommandLineOption jsonOption("json", QStringLiteral("Print a JSON array."));
    parser.addOption(jsonOption);
    if (const auto exit = parseCommandArguments(parser, arguments, streams)) return *exit;

    const auto capture = makeWindowCapture();
    const auto list = targets(*capture);
    if (!list) {
        streams.err << "ovisu windows: " << list.error() << "\n";
        return 1;
    }
    if (parser.isSet(jsonOption)) {
        QJsonArray array;
        for (const TargetWindow& target : *list) {
            const QRect frame = target.frame();
            array.append(QJsonObject{{"id", static_cast<qint64>(target.windowID())},
                                     {"title", target.title},
                                     {"frame", QJsonObject{{"x", frame.x()}, {"y", frame.y()}, {"width", frame.width()}, {"height", frame.height()}}}});
        }
        streams.out << QJsonDocument(array).toJson(QJsonDocument::Compact) << "\n";
        return 0;
    }
    if (list->isEmpty()) {
        streams.out << "No window can be translated (normal windows of at least 260 x 140 that are on screen).\n";
        return 0;
    }
    TextTable table({"id", "frame", "title"});
    for (const TargetWindow& target : *list)
        table.addRow({QString::number(target.windowID()), frameText(target.frame()), target.title});
    streams.out << table.render();
    return 0;
}

int runCaptureCommand(const QStringList& arguments, CommandStreams& streams) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Capture one image of a window, or the subtitle crop of it."));
    const QCommandLineOption windowOption("window", QStringLiteral("The window: identifier or (part of) its title."), "ID|TITLE");
    const QCommandLineOption regionOption("region", QStringLiteral("Subtitle region as fractions of the window: x,y,w,h."), "x,y,w,h");
    const QCommandLineOption outputOption({"o", "output"}, QStringLiteral("The PNG file to write."), "FILE");
    parser.addOption(windowOption);
    parser.addOption(regionOption);
    parser.addOption(outputOption);
    if (const auto exit = parseCommandArguments(parser, arguments, streams)) return *exit;
    if (!parser.isSet(windowOption) || !parser.isSet(outputOption)) {
        streams.err << "ovisu capture: --window and -o FILE.png are required\n";
        return 2;
    }
    std::optional<QRectF> region;
    if (parser.isSet(regionOption)) {
        region = CaptureRegionGeometry::sanitizedTopLeftNormalized(parseRegion(parser.value(regionOption)));
        if (!region) {
            streams.err << "ovisu capture: the region must be four fractions x,y,w,h of the window, e.g. 0.1,0.7,0.8,0.25\n";
            return 2;
        }
    }

    const auto capture = makeWindowCapture();
    const auto list = targets(*capture);
    if (!list) {
        streams.err << "ovisu capture: " << list.error() << "\n";
        return 1;
    }
    const auto target = findTarget(*list, parser.value(windowOption));
    if (!target) {
        streams.err << "ovisu capture: " << target.error() << "\n";
        return 1;
    }
    auto image = capture->captureWindow(target->windowID());
    if (!image) {
        streams.err << "ovisu capture: " << image.error() << "\n";
        return 1;
    }
    if (region) {
        const auto crop = CaptureRegionGeometry::cropImageForOCR(*image, region);
        if (!crop) {
            streams.err << "ovisu capture: the region is too small to recognise\n";
            return 1;
        }
        *image = *crop;
    }
    QImageWriter writer(parser.value(outputOption), "png");
    if (!writer.write(*image)) {
        streams.err << "ovisu capture: cannot write " << parser.value(outputOption) << ": " << writer.errorString() << "\n";
        return 1;
    }
    streams.out << "Captured " << target->title << " (" << image->width() << "x" << image->height() << ") to "
                << parser.value(outputOption) << "\n";
    return 0;
}

}  // namespace ovisu
