#include "base/ReferenceDate.h"

#include <QTimeZone>

#include <cmath>

namespace ovisu {

namespace {

// 2001-01-01 00:00:00 UTC in milliseconds since 1970.
constexpr qint64 kReferenceDateMSecs = 978'307'200'000;
// About ±300,000 years: far beyond any real date, well inside what a double and QDateTime hold.
constexpr double kLimitSeconds = 1e13;

}  // namespace

double secondsSinceReferenceDate(const QDateTime& date) {
    return static_cast<double>(date.toMSecsSinceEpoch() - kReferenceDateMSecs) / 1000.0;
}

std::optional<QDateTime> dateFromReferenceSeconds(double seconds) {
    if (!std::isfinite(seconds) || std::fabs(seconds) > kLimitSeconds)
        return std::nullopt;
    const qint64 msecs = std::llround(seconds * 1000.0) + kReferenceDateMSecs;
    QDateTime date = QDateTime::fromMSecsSinceEpoch(msecs, QTimeZone::utc());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

}  // namespace ovisu
