#include "base/TextSimilarity.h"

#include <QList>

#include <algorithm>
#include <vector>

namespace ovisu {

namespace {

int distance(const QList<uint>& longer, const QList<uint>& shorter) {
    // Two rows as wide as the shorter text: memory stays small for long texts.
    std::vector<int> previous(static_cast<size_t>(shorter.size()) + 1);
    std::vector<int> current(previous.size());
    for (size_t column = 0; column < previous.size(); ++column)
        previous[column] = static_cast<int>(column);

    for (qsizetype row = 0; row < longer.size(); ++row) {
        current[0] = static_cast<int>(row) + 1;
        for (qsizetype column = 0; column < shorter.size(); ++column) {
            const int substitution = previous[column] + (longer[row] == shorter[column] ? 0 : 1);
            const int deletion = previous[column + 1] + 1;
            const int insertion = current[column] + 1;
            current[column + 1] = std::min({substitution, deletion, insertion});
        }
        std::swap(previous, current);
    }
    return previous.back();
}

}  // namespace

int levenshteinDistance(const QString& a, const QString& b) {
    const QList<uint> first = a.toUcs4();
    const QList<uint> second = b.toUcs4();
    return first.size() >= second.size() ? distance(first, second) : distance(second, first);
}

bool similar(const QString& a, const QString& b, double threshold) {
    if (a.isEmpty() || b.isEmpty())
        return false;
    if (a == b)
        return true;
    const QList<uint> first = a.toUcs4();
    const QList<uint> second = b.toUcs4();
    const auto longerLength = std::max(first.size(), second.size());
    const int edits = first.size() >= second.size() ? distance(first, second) : distance(second, first);
    return threshold <= 1.0 - static_cast<double>(edits) / static_cast<double>(longerLength);
}

}  // namespace ovisu
