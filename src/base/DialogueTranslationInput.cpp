#include "base/DialogueTranslationInput.h"

#include "base/OCRTextCleaner.h"

#include <QStringList>
#include <QTextBoundaryFinder>

namespace ovisu {

namespace {

bool isAsciiAlphanumeric(QChar character) {
    const char16_t unit = character.unicode();
    return (unit >= u'0' && unit <= u'9') || (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z');
}

// A user-perceived character that is one ASCII letter or digit with nothing combined onto it.
bool isPlainAsciiAlphanumeric(const QString& grapheme) {
    return grapheme.size() == 1 && isAsciiAlphanumeric(grapheme.front());
}

QString firstGrapheme(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.toStart();
    const qsizetype end = finder.toNextBoundary();
    return end > 0 ? text.left(end) : text;
}

QString lastGrapheme(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.toEnd();
    const qsizetype start = finder.toPreviousBoundary();
    return start >= 0 ? text.mid(start) : text;
}

}  // namespace

QString DialogueTranslationInput::joinedForMeaning(const QString& text) {
    const QString cleaned = OCRTextCleaner::clean(text);
    if (cleaned.isEmpty())
        return QString();
    const QStringList parts = cleaned.split(QLatin1Char('\n'));

    QString result = parts.constFirst();
    for (qsizetype index = 1; index < parts.size(); ++index) {
        const QString& part = parts.at(index);
        if (!result.isEmpty() && !part.isEmpty() && isPlainAsciiAlphanumeric(lastGrapheme(result)) &&
            isPlainAsciiAlphanumeric(firstGrapheme(part)))
            result += QLatin1Char(' ');
        result += part;
    }
    return result;
}

}  // namespace ovisu
