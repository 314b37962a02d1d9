#include "base/StoredJsonValues.h"

#include <cmath>

namespace ovisu {

std::optional<QUuid> storedUuid(const QJsonValue& value) {
    if (!value.isString())
        return std::nullopt;
    const QString text = value.toString();
    const QUuid uuid = QUuid::fromString(text);
    if (text.size() != 36 || (uuid.isNull() && text != QStringLiteral("00000000-0000-0000-0000-000000000000")))
        return std::nullopt;
    return uuid;
}

std::optional<double> finiteNumber(const QJsonValue& value) {
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        return std::nullopt;
    return value.toDouble();
}

}  // namespace ovisu
