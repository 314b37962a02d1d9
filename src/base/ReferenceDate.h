#pragma once

#include <QDateTime>

#include <optional>

namespace ovisu {

// Dates in the stores are JSON numbers: seconds (fractional) since 2001-01-01 00:00:00 UTC,
// the form the files have always had.
double secondsSinceReferenceDate(const QDateTime& date);

// The date for such a number; nothing for a value no date can hold (NaN, infinite, far out of range).
std::optional<QDateTime> dateFromReferenceSeconds(double seconds);

}  // namespace ovisu
