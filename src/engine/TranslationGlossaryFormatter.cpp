#include "engine/TranslationGlossaryFormatter.h"

#include <QRegularExpression>
#include <QStringList>

namespace ovisu {

namespace {

const QString kArrow = QStringLiteral(u" → ");

// Any newline a pasted glossary may carry, CR LF counted once.
QStringList splitAtNewlines(const QString& text) {
    static const QRegularExpression newline(QStringLiteral(u"\r\n|[\n\r\v\f\u0085\u2028\u2029]"));
    return text.split(newline);
}

// A line that already reads "left → right" with both sides trimmed and non-empty is what this
// formatter produces. It is kept as it is: re-splitting it at a separator that sits inside the
// right side ("甲 → 乙=丙", the normal form of "甲=>乙=丙") would otherwise turn the translation
// into a second arrow on every pass.
bool isAlreadyNormal(const QString& line) {
    for (qsizetype at = line.indexOf(kArrow); at >= 0; at = line.indexOf(kArrow, at + 1)) {
        const QString left = line.left(at);
        const QString right = line.mid(at + kArrow.size());
        if (!left.isEmpty() && !right.isEmpty() && left.trimmed() == left && right.trimmed() == right)
            return true;
    }
    return false;
}

QString normalizedLine(const QString& line) {
    if (isAlreadyNormal(line))
        return line;
    static const QString separators[] = {QStringLiteral(u"\t"), QStringLiteral(u"=>"),
                                         QStringLiteral(u"="), QStringLiteral(u"→")};
    for (const QString& separator : separators) {
        const qsizetype at = line.indexOf(separator);
        if (at < 0)
            continue;
        const QString left = line.left(at).trimmed();
        const QString right = line.mid(at + separator.size()).trimmed();
        if (!left.isEmpty() && !right.isEmpty())
            return left + kArrow + right;
    }
    return line;
}

}  // namespace

QString TranslationGlossaryFormatter::normalized(const QString& glossary) {
    QStringList kept;
    for (const QString& raw : splitAtNewlines(glossary)) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        kept.append(normalizedLine(line));
    }
    return kept.join(u'\n');
}

}  // namespace ovisu
