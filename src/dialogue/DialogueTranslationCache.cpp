#include "dialogue/DialogueTranslationCache.h"

#include "base/AppLogger.h"
#include "base/AtomicFile.h"
#include "base/Paths.h"
#include "base/ReferenceDate.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>
#include <cmath>
#include <vector>

namespace ovisu {

namespace {

const QString kCategory = QStringLiteral("cache");

std::optional<qint64> integerValue(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    // Whole numbers only, and only those a double holds exactly.
    if (!std::isfinite(number) || std::trunc(number) != number || std::fabs(number) > 9'007'199'254'740'992.0)
        return std::nullopt;
    return static_cast<qint64>(number);
}

std::optional<DialogueTranslationCacheEntry> decodeEntry(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const QJsonValue key = object.value(QStringLiteral("key"));
    const QJsonValue source = object.value(QStringLiteral("source"));
    const QJsonValue translation = object.value(QStringLiteral("translation"));
    const QJsonValue lastUsedAt = object.value(QStringLiteral("lastUsedAt"));
    if (!key.isString() || !source.isString() || !translation.isString() || !lastUsedAt.isDouble())
        return std::nullopt;
    const auto date = dateFromReferenceSeconds(lastUsedAt.toDouble());
    const auto hitCount = integerValue(object.value(QStringLiteral("hitCount")));
    if (!date || !hitCount)
        return std::nullopt;
    return DialogueTranslationCacheEntry{key.toString(), source.toString(), translation.toString(), *date, *hitCount};
}

}  // namespace

QString DialogueTranslationCache::defaultFilePath() {
    return paths::ovisuFolder() + QStringLiteral("/dialogue-translation-cache.json");
}

DialogueTranslationCache::DialogueTranslationCache(QString filePath, Clock clock)
    : m_filePath(std::move(filePath)), m_clock(std::move(clock)) {
    if (!m_clock)
        m_clock = [] { return QDateTime::currentDateTimeUtc(); };
    load();
}

QByteArray DialogueTranslationCache::encode(const QHash<QString, DialogueTranslationCacheEntry>& entries) {
    QJsonObject root;
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        const DialogueTranslationCacheEntry& entry = it.value();
        root.insert(it.key(), QJsonObject{
                                  {QStringLiteral("key"), entry.key},
                                  {QStringLiteral("source"), entry.source},
                                  {QStringLiteral("translation"), entry.translation},
                                  {QStringLiteral("lastUsedAt"), secondsSinceReferenceDate(entry.lastUsedAt)},
                                  {QStringLiteral("hitCount"), entry.hitCount},
                              });
    }
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

std::optional<QHash<QString, DialogueTranslationCacheEntry>> DialogueTranslationCache::decode(const QByteArray& bytes) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject root = document.object();
    QHash<QString, DialogueTranslationCacheEntry> entries;
    entries.reserve(root.size());
    for (auto it = root.constBegin(); it != root.constEnd(); ++it) {
        auto entry = decodeEntry(it.value());
        if (!entry)
            return std::nullopt;
        entries.insert(it.key(), std::move(*entry));
    }
    return entries;
}

void DialogueTranslationCache::load() {
    const QFileInfo info(m_filePath);
    if (!info.exists() && !info.isSymLink())
        return;
    QFile file(m_filePath);
    std::optional<QHash<QString, DialogueTranslationCacheEntry>> decoded;
    if (!info.isDir() && file.open(QIODevice::ReadOnly))
        decoded = decode(file.readAll());
    if (!decoded) {
        m_fileNeedsSettingAside = true;
        AppLogger::shared().warning(kCategory,
                                    QStringLiteral("对白翻译缓存文件无法读取，本次按空缓存使用：") + m_filePath);
        return;
    }
    m_entries = std::move(*decoded);
}

std::optional<QString> DialogueTranslationCache::resolve(const QString& key) {
    const auto found = m_entries.find(key);
    if (found == m_entries.end())
        return std::nullopt;
    const QDateTime now = m_clock();
    const qint64 ageMSecs = found->lastUsedAt.msecsTo(now);
    if (ageMSecs > static_cast<qint64>(lifetime * 1000)) {
        m_entries.erase(found);
        persist();
        return std::nullopt;
    }
    found->lastUsedAt = now;
    found->hitCount += 1;
    const QString translation = found->translation;
    persist();
    return translation;
}

void DialogueTranslationCache::save(const QString& key, const QString& source, const QString& translation) {
    const auto existing = m_entries.constFind(key);
    const qint64 hitCount = existing == m_entries.cend() ? 0 : existing->hitCount;
    m_entries.insert(key, DialogueTranslationCacheEntry{key, source, translation, m_clock(), hitCount});

    if (m_entries.size() > maximumCount) {
        std::vector<std::pair<QDateTime, QString>> byLastUse;  // last use, map key
        byLastUse.reserve(static_cast<size_t>(m_entries.size()));
        for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it)
            byLastUse.emplace_back(it->lastUsedAt, it.key());
        // The key breaks ties, so which entry goes never depends on hash order.
        std::sort(byLastUse.begin(), byLastUse.end());
        const size_t surplus = byLastUse.size() - maximumCount;
        for (size_t index = 0; index < surplus; ++index)
            m_entries.remove(byLastUse[index].second);
    }
    persist();
}

void DialogueTranslationCache::persist() {
    if (m_fileNeedsSettingAside) {
        // The unreadable file may still mean something to someone; it is moved, never overwritten.
        // When it cannot be moved, the cache lives in memory only for now.
        if (QFileInfo::exists(m_filePath) || QFileInfo(m_filePath).isSymLink()) {
            if (!setAsideUnreadableFile(m_filePath, kCategory))
                return;
        }
        m_fileNeedsSettingAside = false;
    }
    // A cache that cannot be written only costs a repeated request later.
    if (const auto written = writeFileAtomically(m_filePath, encode(m_entries)); !written)
        AppLogger::shared().warning(kCategory, QStringLiteral("对白翻译缓存写入失败：") + written.error());
}

}  // namespace ovisu
