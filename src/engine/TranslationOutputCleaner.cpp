#include "engine/TranslationOutputCleaner.h"

#include <QList>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace ovisu {

namespace {

constexpr auto kUnicode = QRegularExpression::UseUnicodePropertiesOption;

// Removes every match; a pattern that failed to compile leaves the text as it is.
QString removingAll(QString text, const QRegularExpression& pattern) {
    if (pattern.isValid())
        text.remove(pattern);
    return text;
}

}  // namespace

QString TranslationOutputCleaner::clean(const QString& text, bool filterThinking) {
    QString result = text.trimmed();
    if (!filterThinking)
        return result;

    static const QRegularExpression closedThink(
        QStringLiteral(u"<think(?:ing)?>.*?</think(?:ing)?>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption |
            kUnicode);
    static const QRegularExpression openThink(
        QStringLiteral(u"<think(?:ing)?>.*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption |
            kUnicode);
    // (*ANY): a line may also start after CR, NEL or a Unicode line separator.
    static const QRegularExpression answerLabel(
        QStringLiteral(u"(*ANY)^(?:最终译文|译文|translation)\\s*[:：]\\s*"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption | kUnicode);

    result = removingAll(result, closedThink);
    result = removingAll(result, openThink);
    if (answerLabel.isValid()) {
        const QRegularExpressionMatch label = answerLabel.match(result);
        if (label.hasMatch())
            result.remove(label.capturedStart(), label.capturedLength());
    }
    return result.trimmed();
}

QString TranslationOutputCleaner::deduplicated(const QString& text) {
    const QString trimmedText = text.trimmed();
    if (trimmedText.isEmpty())
        return trimmedText;

    static const QRegularExpression ignoredInKey(QStringLiteral(u"[\\s\\p{P}\\p{S}]"), kUnicode);
    static const QRegularExpression whiteSpaceRun(QStringLiteral(u"\\s+"), kUnicode);
    if (!ignoredInKey.isValid() || !whiteSpaceRun.isValid())
        return trimmedText;

    QStringList output;
    QStringList window;  // comparison keys of the last three recorded lines, oldest first
    for (const QString& line : trimmedText.split(u'\n')) {
        const QString trimmed = line.trimmed();
        const QString key = removingAll(trimmed.toLower(), ignoredInKey);
        // Lengths are counted in code points so that a character outside the basic plane is
        // one character, not two.
        const qsizetype keyLength = key.toUcs4().size();
        if (key.isEmpty() && !trimmed.isEmpty())
            continue;
        if (keyLength > 2 && window.contains(key))
            continue;
        output.append(trimmed);
        if (keyLength >= 3) {
            window.append(key);
            if (window.size() > 3)
                window.removeFirst();
        }
    }
    QString joined = output.join(u'\n');

    const QString compact = removingAll(joined, whiteSpaceRun);
    const QList<uint> scalars = compact.toUcs4();
    const qsizetype half = scalars.size() / 2;
    if (scalars.size() > 7 && scalars.size() % 2 == 0 &&
        std::equal(scalars.begin(), scalars.begin() + half, scalars.begin() + half)) {
        // Equal halves in code points are equal halves in UTF-16 too, so the midpoint is exact.
        const QString firstHalf = compact.left(compact.size() / 2);
        const qsizetype at = joined.indexOf(firstHalf);
        if (at >= 0)
            joined.truncate(at + firstHalf.size());
    }
    return joined.trimmed();
}

}  // namespace ovisu
