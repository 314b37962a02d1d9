#include "engine/SystemTranslationOutputRefiner.h"

#include <QList>
#include <QRegularExpression>

namespace ovisu {

namespace {

constexpr auto kUnicode = QRegularExpression::UseUnicodePropertiesOption;

bool isSpacePunctuationOrSymbol(char32_t scalar) {
    return QChar::isSpace(scalar) || QChar::isPunct(scalar) || QChar::isSymbol(scalar);
}

std::optional<QString> interjectionFor(char32_t kana) {
    switch (kana) {
    case U'ア': return QStringLiteral(u"啊");
    case U'ン': return QStringLiteral(u"嗯");
    case U'エ': return QStringLiteral(u"诶");
    case U'オ': return QStringLiteral(u"哦");
    case U'ウ': return QStringLiteral(u"呜");
    case U'イ': return QStringLiteral(u"咦");
    default: return std::nullopt;
    }
}

bool containsHan(const QString& text) {
    for (const uint scalar : text.toUcs4()) {
        if (scalar >= 0x3400 && scalar <= 0x9FFF)
            return true;
    }
    return false;
}

QString withoutWhiteSpace(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (const QChar character : text) {
        if (!character.isSpace())
            result += character;
    }
    return result;
}

}  // namespace

std::optional<QString> SystemTranslationOutputRefiner::singleKanaFallback(const QString& source,
                                                                          const QString& translation) {
    QList<char32_t> remaining;
    for (const uint scalar : source.toUcs4()) {
        if (!isSpacePunctuationOrSymbol(scalar))
            remaining.append(scalar);
    }
    if (remaining.size() != 1 || remaining.front() < 0x30A0 || remaining.front() > 0x30FF)
        return std::nullopt;
    const char32_t kana = remaining.front();
    const std::optional<QString> interjection = interjectionFor(kana);
    if (!interjection || containsHan(translation))
        return std::nullopt;
    // The table holds basic-plane kana only, so the kana is a single UTF-16 unit.
    return QString(source).replace(QChar(static_cast<char16_t>(kana)), *interjection);
}

QString SystemTranslationOutputRefiner::refineChillingSensation(const QString& source,
                                                                const QString& translation) {
    const QString compactSource = withoutWhiteSpace(source);
    if (!compactSource.contains(QStringLiteral(u"ぞくっとする感覚")) ||
        !compactSource.contains(QStringLiteral(u"這い上がってくる")))
        return translation;
    if (translation.contains(QStringLiteral(u"战栗")) || translation.contains(QStringLiteral(u"不寒而栗")))
        return translation;
    const QString corrected = QStringLiteral(u"一股令人不寒而栗的感觉涌了上来");
    return QString(translation)
        .replace(QStringLiteral(u"不寒而行"), QStringLiteral(u"不寒而栗"))
        .replace(QStringLiteral(u"一种不寒而栗的感觉爬上来"), corrected)
        .replace(QStringLiteral(u"一种不寒而栗的感觉爬了上来"), corrected);
}

QString SystemTranslationOutputRefiner::refineKatakanaHesitation(const QString& source,
                                                                 const QString& translation) {
    static const QRegularExpression sourceStutter(
        QStringLiteral(u"([ァ-ヶー])\\s*(?:\\.{2,}|…+|⋯+)\\s*\\1[ァ-ヶー]+"), kUnicode);
    static const QRegularExpression translatedStutter(
        QStringLiteral(u"([\\p{Han}])([.]{2,}|…+|⋯+)([\\p{Han}]{2,})"), kUnicode);
    if (!sourceStutter.isValid() || !translatedStutter.isValid())
        return translation;
    if (!sourceStutter.match(source).hasMatch())
        return translation;
    const QRegularExpressionMatch stutter = translatedStutter.match(translation);
    if (!stutter.hasMatch())
        return translation;
    // Han characters outside the basic plane are two UTF-16 units: take whole code points.
    const QList<uint> word = stutter.captured(3).toUcs4();
    const char32_t firstOfWord = word.front();
    return QString(translation)
        .replace(stutter.capturedStart(1), stutter.capturedLength(1),
                 QString::fromUcs4(&firstOfWord, 1));
}

QString SystemTranslationOutputRefiner::refine(const QString& source, const QString& translation) {
    const QString fallback = singleKanaFallback(source, translation).value_or(translation);
    return refineKatakanaHesitation(source, refineChillingSensation(source, fallback));
}

}  // namespace ovisu
