#include "engine/TranslationDurationFormatter.h"

#include <cmath>

namespace ovisu {

QString TranslationDurationFormatter::string(std::optional<double> seconds) {
    if (!seconds || !std::isfinite(*seconds) || *seconds < 0)
        return QStringLiteral("耗时未知");
    if (*seconds < 0.01)
        return QStringLiteral("<0.01 秒");
    return QString::asprintf("%.2f", *seconds) + QStringLiteral(" 秒");
}

}  // namespace ovisu
