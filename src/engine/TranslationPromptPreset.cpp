#include "engine/TranslationPromptPreset.h"

#include "engine/DefaultPrompts.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QUuid>

namespace ovisu {

QList<TranslationPromptPreset> TranslationPromptPreset::builtIns() {
    return {
        {QStringLiteral("builtin.otome-localization"), QStringLiteral("日乙自然本地化（推荐）"), DefaultPrompts::otome(),
         DefaultPrompts::shortTemplate()},
        {QStringLiteral("builtin.hy-mt2-otome"), QStringLiteral("Hy-MT2 日乙指令（推荐）"), DefaultPrompts::hymt(),
         DefaultPrompts::hymtTemplate()},
        {QStringLiteral("builtin.faithful-dialogue"), QStringLiteral("忠实对白"), DefaultPrompts::faithfulDialoguePrompt(),
         DefaultPrompts::faithfulDialogueTemplate()},
        {QStringLiteral("builtin.concise-ui"), QStringLiteral("游戏 UI 简洁翻译"), DefaultPrompts::conciseUIPrompt(),
         DefaultPrompts::conciseUITemplate()},
    };
}

QString TranslationPromptPreset::newCustomID() {
    return QStringLiteral("custom.") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

namespace TranslationPromptPresetCodec {

QJsonObject toJson(const TranslationPromptPreset& preset) {
    return QJsonObject{
        {QStringLiteral("id"), preset.id},
        {QStringLiteral("name"), preset.name},
        {QStringLiteral("systemPrompt"), preset.systemPrompt},
        {QStringLiteral("userPromptTemplate"), preset.userPromptTemplate},
    };
}

std::optional<TranslationPromptPreset> fromJson(const QJsonValue& value) {
    if (!value.isObject()) return std::nullopt;
    const QJsonObject object = value.toObject();
    const QJsonValue id = object.value(QStringLiteral("id"));
    const QJsonValue name = object.value(QStringLiteral("name"));
    const QJsonValue systemPrompt = object.value(QStringLiteral("systemPrompt"));
    const QJsonValue userPromptTemplate = object.value(QStringLiteral("userPromptTemplate"));
    if (!id.isString() || !name.isString() || !systemPrompt.isString() || !userPromptTemplate.isString())
        return std::nullopt;
    return TranslationPromptPreset{id.toString(), name.toString(), systemPrompt.toString(),
                                   userPromptTemplate.toString()};
}

QByteArray encode(const TranslationPromptPreset& preset) {
    return QJsonDocument(toJson(preset)).toJson(QJsonDocument::Indented);
}

std::optional<TranslationPromptPreset> decode(const QByteArray& bytes) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    return fromJson(document.object());
}

QJsonArray encodeList(const QList<TranslationPromptPreset>& presets) {
    QJsonArray array;
    for (const TranslationPromptPreset& preset : presets) array.append(toJson(preset));
    return array;
}

std::expected<QList<TranslationPromptPreset>, QString> decodeList(const QJsonValue& stored) {
    if (!stored.isArray()) return std::unexpected(QStringLiteral("the stored presets are not a JSON array"));
    const QJsonArray array = stored.toArray();
    QList<TranslationPromptPreset> presets;
    presets.reserve(array.size());
    for (qsizetype index = 0; index < array.size(); ++index) {
        auto preset = fromJson(array.at(index));
        if (!preset)
            return std::unexpected(
                QStringLiteral("preset %1 is not an object with the string keys id, name, systemPrompt and "
                               "userPromptTemplate")
                    .arg(index));
        presets.append(std::move(*preset));
    }
    return presets;
}

}  // namespace TranslationPromptPresetCodec

}  // namespace ovisu
