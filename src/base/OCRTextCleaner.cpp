#include "base/OCRTextCleaner.h"

#include <QRegularExpression>
#include <QStringList>

namespace ovisu {

namespace {

constexpr auto kUnicode = QRegularExpression::UseUnicodePropertiesOption;

// A leading run of circle- or dot-like marks ending in a dot-like mark, before kana or kanji, is
// how recognisers read "……"; an opening bracket before it is kept.
QString repairedEllipsis(const QString& line) {
    static const QRegularExpression misreadEllipsis(
        QStringLiteral(u"^((?:「|『|（|\\()?)(([oOcC0〇○。・.]{2,})[.。・]([oOcC0〇○。・]*))\\s*(?=[ぁ-ゖァ-ヶ一-龯])"),
        kUnicode);
    QString result = line;
    const QRegularExpressionMatch match = misreadEllipsis.match(result);
    if (match.hasMatch())
        result.replace(match.capturedStart(), match.capturedLength(), match.captured(1) + QStringLiteral(u"……"));
    return result;
}

}  // namespace

QString OCRTextCleaner::clean(const QString& text) {
    static const QRegularExpression spaceRun(QStringLiteral("[\\t ]+"));

    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));

    QStringList kept;
    const QStringList lines = normalised.split(QLatin1Char('\n'));
    for (QString line : lines) {
        line.replace(spaceRun, QStringLiteral(" "));
        // trimmed() takes every Unicode white space, the ideographic space U+3000 included.
        line = repairedEllipsis(line.trimmed());
        if (line.isEmpty())
            continue;
        if (!kept.isEmpty() && kept.constLast() == line)
            continue;  // a stuttered line; A, B, A all stay
        kept.append(line);
    }
    return kept.join(QLatin1Char('\n'));
}

QString OCRTextCleaner::comparisonForm(const QString& text) {
    static const QRegularExpression ignored(QStringLiteral("[\\s\\p{P}\\p{S}]"), kUnicode);
    return clean(text).toLower().remove(ignored);
}

}  // namespace ovisu
