#include "interface/UITranslationCache.h"

#include "base/AppLogger.h"
#include "base/Paths.h"
#include "base/ReferenceDate.h"
#include "interface/UIOCRTextBlock.h"

#include <QJsonObject>

#include <algorithm>

namespace ovisu {

namespace {

const QString kCategory = QStringLiteral("cache");

std::optional<UITranslationEntry> decodeEntry(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const QJsonValue source = object.value(QStringLiteral("source"));
    const QJsonValue translation = object.value(QStringLiteral("translation"));
    const QJsonValue manuallyCorrected = object.value(QStringLiteral("manuallyCorrected"));
    const QJsonValue updatedAt = object.value(QStringLiteral("updatedAt"));
    if (!source.isString() || !translation.isString() || !manuallyCorrected.isBool() || !updatedAt.isDouble())
        return std::nullopt;
    const auto date = dateFromReferenceSeconds(updatedAt.toDouble());
    if (!date)
        return std::nullopt;
    return UITranslationEntry{source.toString(), translation.toString(), manuallyCorrected.toBool(), *date};
}

}  // namespace

QString UITranslationCache::defaultFileURL() {
    return paths::quillonFolder() + QStringLiteral("/ui-translation-cache.json");
}

UITranslationCache::UITranslationCache(QString fileURL, Clock clock)
    : m_file(std::move(fileURL), kCategory), m_clock(std::move(clock)) {
    if (!m_clock)
        m_clock = [] { return QDateTime::currentDateTimeUtc(); };
}

QByteArray UITranslationCache::encode(const QHash<QString, UITranslationEntry>& entries) {
    QJsonObject root;
    for (auto it = entries.cbegin(); it != entries.cend(); ++it)
        root.insert(it.key(), QJsonObject{
                                  {QStringLiteral("source"), it->source},
                                  {QStringLiteral("translation"), it->translation},
                                  {QStringLiteral("manuallyCorrected"), it->manuallyCorrected},
                                  {QStringLiteral("updatedAt"), secondsSinceReferenceDate(it->updatedAt)},
                              });
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::expected<QHash<QString, UITranslationEntry>, QString> UITranslationCache::decode(const QJsonDocument& document) {
    if (!document.isObject())
        return std::unexpected(QStringLiteral("the file does not hold an object of translations"));
    const QJsonObject root = document.object();
    QHash<QString, UITranslationEntry> entries;
    entries.reserve(root.size());
    for (auto it = root.constBegin(); it != root.constEnd(); ++it) {
        auto entry = decodeEntry(it.value());
        if (!entry)
            return std::unexpected(
                QStringLiteral("the entry “%1” lacks a member or has one of the wrong type").arg(it.key()));
        entries.insert(it.key(), std::move(*entry));
    }
    return entries;
}

const QHash<QString, UITranslationEntry>& UITranslationCache::entries() const {
    if (m_memory)
        return *m_memory;
    auto decoded = m_file.read(decode);
    if (decoded) {
        m_memory = std::move(*decoded);
    } else {
        m_memory.emplace();
        m_loadError = decoded.error();
        AppLogger::shared().warning(kCategory,
                                    QStringLiteral("UI 翻译缓存文件无法读取，本次按空缓存使用：") + decoded.error());
    }
    return *m_memory;
}

std::optional<QString> UITranslationCache::loadError() const {
    (void)entries();
    return m_loadError;
}

std::expected<void, QString> UITranslationCache::persist(const QHash<QString, UITranslationEntry>& entries) {
    // Reading first tells whether the file on disk is one to move aside, not to replace: clearing
    // everything is a write that needs no earlier read.
    (void)this->entries();
    if (auto written = m_file.write(encode(entries)); !written)
        return written;
    m_memory = entries;
    m_loadError.reset();
    return {};
}

std::expected<void, QString> UITranslationCache::save(const QString& source, const QString& translation,
                                                      bool manuallyCorrected) {
    const QString form = uiComparisonForm(source);
    if (form.isEmpty())
        return {};
    QHash<QString, UITranslationEntry> updated = entries();
    const auto existing = updated.constFind(form);
    if (existing != updated.cend() && existing->manuallyCorrected && !manuallyCorrected)
        return {};
    updated.insert(form, UITranslationEntry{source, translation, manuallyCorrected, m_clock()});
    return persist(updated);
}

std::optional<UITranslationEntry> UITranslationCache::entry(const QString& text) const {
    const QString form = uiComparisonForm(text);
    if (form.isEmpty())
        return std::nullopt;
    const auto& all = entries();
    const auto found = all.constFind(form);
    if (found == all.cend())
        return std::nullopt;
    return *found;
}

int UITranslationCache::manualCorrectionCount() const {
    const auto& all = entries();
    return int(std::count_if(all.cbegin(), all.cend(),
                             [](const UITranslationEntry& entry) { return entry.manuallyCorrected; }));
}

int UITranslationCache::entryCount() const { return int(entries().size()); }

QList<UITranslationEntry> UITranslationCache::sortedEntries() const {
    const auto& all = entries();
    // Sorting keys alongside keeps equal times in a fixed order, whatever the hash order.
    QList<std::pair<QString, const UITranslationEntry*>> keyed;
    keyed.reserve(all.size());
    for (auto it = all.cbegin(); it != all.cend(); ++it)
        keyed.append({it.key(), &it.value()});
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        if (a.second->updatedAt != b.second->updatedAt)
            return a.second->updatedAt > b.second->updatedAt;
        return a.first < b.first;
    });
    QList<UITranslationEntry> sorted;
    sorted.reserve(keyed.size());
    for (const auto& [key, entry] : std::as_const(keyed))
        sorted.append(*entry);
    return sorted;
}

std::expected<void, QString> UITranslationCache::clearAutomaticTranslations() {
    QHash<QString, UITranslationEntry> kept = entries();
    kept.removeIf([](const auto& item) { return !item.value().manuallyCorrected; });
    return persist(kept);
}

std::expected<void, QString> UITranslationCache::clearAll() { return persist({}); }

}  // namespace ovisu
