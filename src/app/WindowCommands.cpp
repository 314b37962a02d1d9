#include "app/WindowCommands.h"

#include "app/CommandSupport.h"
#include "app/TargetArguments.h"
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

QString frameText(const QRect& frame) {
    return QStringLiteral("%1,%2 %3x%4").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height());
}

}  // namespace

int runWindowsCommand(const QStringList& arguments, CommandStreams& streams) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("List the windows that can be translated."));
    const QCommandLineOption jsonOption("json", QStringLiteral("Print a JSON array."));
    parser.addOption(jsonOption);
    if (const auto exit = parseCommandArguments(parser, arguments, streams)) return *exit;

    const auto capture = makeWindowCapture();
    const auto list = eligibleTargets(*capture);
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
        region = parseRegion(parser.value(regionOption));
        if (!region) {
            streams.err << "ovisu capture: the region must be four fractions x,y,w,h of the window, e.g. 0.1,0.7,0.8,0.25\n";
            return 2;
        }
    }

    const auto capture = makeWindowCapture();
    const auto target = requireTarget(*capture, parser.value(windowOption), "capture", streams);
    if (!target) return target.error();
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
