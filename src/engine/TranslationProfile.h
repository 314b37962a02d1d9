#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QList>
#include <QString>

#include <expected>
#include <optional>

namespace ovisu {

// A named snapshot of "which source with which settings". It never holds a secret: secrets stay
// in the credential file and are looked up again when the source is used.
//
// The optional fields were added over time; a profile saved before one of them existed leaves
// that setting alone when it is applied.
struct TranslationProfile {
    QString name;
    int providerRawValue = 0;
    QString model;
    QString endpoint;
    QString prompt;
    std::optional<QString> userPromptTemplate;
    std::optional<QString> promptPresetID;
    std::optional<QString> workContext;
    std::optional<QString> glossary;
    std::optional<bool> filterThinking;
    std::optional<bool> streamingEnabled;
    std::optional<bool> deepSeekThinkingDisabled;
    double temperature = 0;
    int maxTokens = 0;
    double topP = 0;
    int contextCount = 0;

    friend bool operator==(const TranslationProfile&, const TranslationProfile&) = default;
};

namespace TranslationProfileCodec {

// Absent optional fields are left out of the JSON.
QJsonArray encode(const QList<TranslationProfile>& profiles);
QByteArray encodeBytes(const QList<TranslationProfile>& profiles);

// The whole list or an error: one entry with a missing required key or a mistyped field makes
// the list unreadable, so it is never half-read and then written back shorter. The result is
// sorted by name.
std::expected<QList<TranslationProfile>, QString> decode(const QJsonValue& stored);
std::expected<QList<TranslationProfile>, QString> decode(const QByteArray& bytes);

// Localized, case-insensitive order by name; profiles whose names compare equal keep their order.
void sortByName(QList<TranslationProfile>& profiles);
// Whether two profile names count as the same name.
bool sameName(const QString& left, const QString& right);

}  // namespace TranslationProfileCodec

}  // namespace ovisu
