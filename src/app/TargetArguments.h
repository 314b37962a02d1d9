#pragma once

#include "app/CommandStreams.h"
#include "capture/TargetWindow.h"

#include <QList>
#include <QRectF>
#include <QString>

#include <expected>
#include <optional>

namespace ovisu {

class WindowCapture;
struct CaptureFailure;

// The windows a user may translate, as the commands list them (this process's own excluded).
std::expected<QList<TargetWindow>, CaptureFailure> eligibleTargets(WindowCapture& capture);

// A window named on the command line by identifier (decimal or 0x hex), exact display title, or
// a part of the title that only one window has.
std::expected<TargetWindow, QString> findTarget(const QList<TargetWindow>& targets, const QString& name);

// The eligible window that name gives, as findTarget() finds it. When the windows cannot be
// listed or none fits, that has been reported as "ovisu <command>: …" and the exit status is the error.
std::expected<TargetWindow, int> requireTarget(WindowCapture& capture, const QString& name, const char* command,
                                               CommandStreams& streams);

// "x,y,w,h" as fractions of the window (origin top-left), sanitised; nothing when unusable.
std::optional<QRectF> parseRegion(const QString& text);

}  // namespace ovisu
