#include "engine/TranslationProfile.h"

#include <QCollator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QLocale>

#include <algorithm>
#include <climits>
#include <cmath>

namespace ovisu::TranslationProfileCodec {
namespace {

// Reads one field of one entry; `error` collects the first problem and stops further reading.
class FieldReader {
public:
    FieldReader(const QJsonObject& object, int index) : m_object(object), m_index(index) {}

    QString string(const char* key) {
        const QJsonValue value = required(key);
        if (!value.isUndefined() && !value.isString()) fail(key, "is not a string");
        return value.toString();
    }
    double number(const char* key) {
        const QJsonValue value = required(key);
        if (!value.isUndefined() && !value.isDouble()) fail(key, "is not a number");
        return value.toDouble();
    }
    int integer(const char* key) { return toInteger(key, required(key)); }

    std::optional<QString> optionalString(const char* key) {
        const QJsonValue value = m_object.value(QLatin1String(key));
        if (value.isUndefined() || value.isNull()) return std::nullopt;
        if (!value.isString()) {
            fail(key, "is not a string");
            return std::nullopt;
        }
        return value.toString();
    }
    std::optional<bool> optionalBool(const char* key) {
        const QJsonValue value = m_object.value(QLatin1String(key));
        if (value.isUndefined() || value.isNull()) return std::nullopt;
        if (!value.isBool()) {
            fail(key, "is not a Boolean");
            return std::nullopt;
        }
        return value.toBool();
    }

    const QString& error() const { return m_error; }

private:
    QJsonValue required(const char* key) {
        const QJsonValue value = m_object.value(QLatin1String(key));
        if (value.isUndefined()) fail(key, "is missing");
        return value;
    }
    int toInteger(const char* key, const QJsonValue& value) {
        if (value.isUndefined()) return 0;
        const double number = value.toDouble();
        if (!value.isDouble() || !std::isfinite(number) || std::trunc(number) != number || number < double(INT_MIN) ||
            number > double(INT_MAX)) {
            fail(key, "is not an integer");
            return 0;
        }
        return static_cast<int>(number);
    }
    void fail(const char* key, const char* problem) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("profile %1: “%2” %3").arg(m_index).arg(QLatin1String(key), QLatin1String(problem));
    }

    const QJsonObject& m_object;
    int m_index;
    QString m_error;
};

std::expected<TranslationProfile, QString> decodeOne(const QJsonValue& entry, int index) {
    if (!entry.isObject()) return std::unexpected(QStringLiteral("profile %1 is not an object").arg(index));
    const QJsonObject object = entry.toObject();
    FieldReader read(object, index);
    TranslationProfile profile;
    profile.name = read.string("name");
    profile.providerRawValue = read.integer("providerRawValue");
    profile.model = read.string("model");
    profile.endpoint = read.string("endpoint");
    profile.prompt = read.string("prompt");
    profile.userPromptTemplate = read.optionalString("userPromptTemplate");
    profile.promptPresetID = read.optionalString("promptPresetID");
    profile.workContext = read.optionalString("workContext");
    profile.glossary = read.optionalString("glossary");
    profile.filterThinking = read.optionalBool("filterThinking");
    profile.streamingEnabled = read.optionalBool("streamingEnabled");
    profile.deepSeekThinkingDisabled = read.optionalBool("deepSeekThinkingDisabled");
    profile.temperature = read.number("temperature");
    profile.maxTokens = read.integer("maxTokens");
    profile.topP = read.number("topP");
    profile.contextCount = read.integer("contextCount");
    if (!read.error().isEmpty()) return std::unexpected(read.error());
    return profile;
}

}  // namespace

QJsonArray encode(const QList<TranslationProfile>& profiles) {
    QJsonArray array;
    for (const TranslationProfile& profile : profiles) {
        QJsonObject object{
            {QStringLiteral("name"), profile.name},
            {QStringLiteral("providerRawValue"), profile.providerRawValue},
            {QStringLiteral("model"), profile.model},
            {QStringLiteral("endpoint"), profile.endpoint},
            {QStringLiteral("prompt"), profile.prompt},
            {QStringLiteral("temperature"), profile.temperature},
            {QStringLiteral("maxTokens"), profile.maxTokens},
            {QStringLiteral("topP"), profile.topP},
            {QStringLiteral("contextCount"), profile.contextCount},
        };
        const auto putString = [&object](const char* key, const std::optional<QString>& value) {
            if (value) object.insert(QLatin1String(key), *value);
        };
        const auto putBool = [&object](const char* key, std::optional<bool> value) {
            if (value) object.insert(QLatin1String(key), *value);
        };
        putString("userPromptTemplate", profile.userPromptTemplate);
        putString("promptPresetID", profile.promptPresetID);
        putString("workContext", profile.workContext);
        putString("glossary", profile.glossary);
        putBool("filterThinking", profile.filterThinking);
        putBool("streamingEnabled", profile.streamingEnabled);
        putBool("deepSeekThinkingDisabled", profile.deepSeekThinkingDisabled);
        array.append(object);
    }
    return array;
}

QByteArray encodeBytes(const QList<TranslationProfile>& profiles) {
    return QJsonDocument(encode(profiles)).toJson(QJsonDocument::Compact);
}

std::expected<QList<TranslationProfile>, QString> decode(const QJsonValue& stored) {
    if (!stored.isArray()) return std::unexpected(QStringLiteral("the stored profiles are not a JSON array"));
    const QJsonArray array = stored.toArray();
    QList<TranslationProfile> profiles;
    profiles.reserve(array.size());
    for (qsizetype index = 0; index < array.size(); ++index) {
        auto profile = decodeOne(array.at(index), static_cast<int>(index));
        if (!profile) return std::unexpected(profile.error());
        profiles.append(std::move(*profile));
    }
    sortByName(profiles);
    return profiles;
}

std::expected<QList<TranslationProfile>, QString> decode(const QByteArray& bytes) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return std::unexpected(QStringLiteral("not valid JSON: ") + parseError.errorString());
    if (!document.isArray()) return std::unexpected(QStringLiteral("the profiles are not a JSON array"));
    return decode(QJsonValue(document.array()));
}

void sortByName(QList<TranslationProfile>& profiles) {
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(profiles.begin(), profiles.end(), [&collator](const auto& left, const auto& right) {
        return collator.compare(left.name, right.name) < 0;
    });
}

bool sameName(const QString& left, const QString& right) {
    return QString::compare(left, right, Qt::CaseInsensitive) == 0;
}

}  // namespace ovisu::TranslationProfileCodec
