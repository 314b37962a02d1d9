#include "interface/UIElementClassifier.h"

#include "base/OCRTextCleaner.h"
#include "interface/UIOCRTextBlock.h"

#include <QRegularExpression>
#include <QStringList>

namespace ovisu {

namespace {

bool containsAnyForm(const QString& form, const QStringList& words) {
    for (const QString& word : words)
        if (form.contains(uiComparisonForm(word)))
            return true;
    return false;
}

}  // namespace

UIElementKind UIElementClassifier::classify(const QString& text) {
    static const QRegularExpression date(
        QStringLiteral("(?:\\d{4}[-/.年]\\d{1,2}[-/.月]\\d{1,2}日?|\\d{1,2}:\\d{2}|月|火|水|木|金|土|日曜日)"));
    static const QRegularExpression attribute(
        QStringLiteral("(?:HP|MP|LV|LEVEL|好感度|体力|知力|魅力|所持金)\\s*[:：]?\\s*\\d*"),
        QRegularExpression::CaseInsensitiveOption);
    static const QStringList menuWords{QStringLiteral("設定"), QStringLiteral("環境設定"), QStringLiteral("メニュー"),
                                       QStringLiteral("menu"), QStringLiteral("option"),   QStringLiteral("config"),
                                       QStringLiteral("load"), QStringLiteral("save")};
    static const QStringList buttonWords{QStringLiteral("決定"), QStringLiteral("確認"),  QStringLiteral("戻る"),
                                         QStringLiteral("進む"), QStringLiteral("開始"),  QStringLiteral("終了"),
                                         QStringLiteral("はい"), QStringLiteral("いいえ"), QStringLiteral("ok"),
                                         QStringLiteral("cancel")};

    const QString cleaned = OCRTextCleaner::clean(text);
    const QString form = uiComparisonForm(cleaned);
    if (date.match(cleaned).hasMatch())
        return UIElementKind::date;
    if (containsAnyForm(form, menuWords))
        return UIElementKind::menu;
    // Characters as the user sees them: a kanji outside the basic plane is one, not two.
    if (cleaned.toUcs4().size() <= 12 && containsAnyForm(form, buttonWords))
        return UIElementKind::button;
    if (attribute.match(cleaned).hasMatch())
        return UIElementKind::attribute;
    return UIElementKind::text;
}

}  // namespace ovisu
