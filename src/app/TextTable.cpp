#include "app/TextTable.h"

#include <algorithm>

namespace ovisu {
namespace {

bool isWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1FAFF) ||
           (c >= 0x20000 && c <= 0x3FFFD);
}

}  // namespace

int TextTable::displayWidth(const QString& text) {
    int width = 0;
    for (char32_t c : text.toUcs4()) width += isWide(c) ? 2 : 1;
    return width;
}

QString TextTable::render() const {
    QList<int> widths;
    for (const QStringList& row : m_rows) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (widths.size() <= i) widths.append(0);
            widths[i] = std::max(widths[i], displayWidth(row[i]));
        }
    }
    QString out;
    for (const QStringList& row : m_rows) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) line += QString(widths[i] - displayWidth(row[i]) + 2, QLatin1Char(' '));
        }
        out += line + QLatin1Char('\n');
    }
    return out;
}

}  // namespace ovisu
