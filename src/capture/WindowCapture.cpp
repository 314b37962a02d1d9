#include "capture/WindowCapture.h"

#include <QTextStream>

namespace ovisu {

QTextStream& operator<<(QTextStream& stream, const CaptureFailure& failure) { return stream << failure.message; }

}  // namespace ovisu
