#pragma once

#include <QString>

#include <optional>

namespace ovisu {

class TranslationDurationFormatter {
public:
    // "耗时未知" for an unknown, infinite, NaN or negative value; "<0.01 秒" below 0.01;
    // otherwise two decimals, as in "1.50 秒".
    static QString string(std::optional<double> seconds);
};

}  // namespace ovisu
