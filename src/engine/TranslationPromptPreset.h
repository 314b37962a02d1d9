#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <expected>
#include <optional>

namespace ovisu {

// A named pair of system prompt and user template. Built-in ids start with "builtin.", the
// user's own with "custom." followed by a UUID.
struct TranslationPromptPreset {
    QString id;
    QString name;
    QString systemPrompt;
    QString userPromptTemplate;

    friend bool operator==(const TranslationPromptPreset&, const TranslationPromptPreset&) = default;

    // The four presets every user has, always listed first and in this order.
    static QList<TranslationPromptPreset> builtIns();
    // "custom." followed by a new UUID.
    static QString newCustomID();
};

namespace TranslationPromptPresetCodec {

QJsonObject toJson(const TranslationPromptPreset& preset);
// All four keys must be strings; extra keys are ignored.
std::optional<TranslationPromptPreset> fromJson(const QJsonValue& value);

// One preset as an exported file: pretty-printed, keys sorted.
QByteArray encode(const TranslationPromptPreset& preset);
std::optional<TranslationPromptPreset> decode(const QByteArray& bytes);

// The stored list of user presets; one bad entry makes the whole list unreadable.
QJsonArray encodeList(const QList<TranslationPromptPreset>& presets);
std::expected<QList<TranslationPromptPreset>, QString> decodeList(const QJsonValue& stored);

}  // namespace TranslationPromptPresetCodec

}  // namespace ovisu
