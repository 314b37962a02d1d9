#include "interface/UIStoredTranslations.h"

#include "base/AppLogger.h"
#include "base/SettingsStore.h"
#include "interface/UIElementClassifier.h"
#include "interface/UIOCRTextBlock.h"

#include <QUuid>

#include <algorithm>

namespace ovisu {

namespace {
UIStoredTranslations::DictionaryOutcome statusOnly(const QString& statusLine) {
    UIStoredTranslations::DictionaryOutcome outcome;
    outcome.statusLine = statusLine;
    return outcome;
}
}  // namespace

UIStoredTranslations::UIStoredTranslations(UITranslationCache& cache, UIFixedDictionaryStore& dictionary)
    : m_cache(cache), m_dictionary(dictionary), m_dictionaryEntries(dictionary.entries()) {}

std::optional<StoredUITranslation> UIStoredTranslations::resolve(const QString& blockText) const {
    const auto cached = m_cache.entry(blockText);
    if (cached && cached->manuallyCorrected)
        return StoredUITranslation{cached->translation, true, StoredUITranslation::Origin::manualCorrection};
    if (const auto term = m_dictionary.resolve(blockText, UIElementClassifier::classify(blockText)))
        return StoredUITranslation{term->translation, false, StoredUITranslation::Origin::fixedDictionary};
    if (cached)
        return StoredUITranslation{cached->translation, false, StoredUITranslation::Origin::automaticCache};
    return std::nullopt;
}

void UIStoredTranslations::saveAutomatic(const QString& source, const QString& translation) {
    // The label is already shown; a cache that cannot be written only costs asking again later.
    if (const auto saved = m_cache.save(source, translation, false); !saved)
        AppLogger::shared().warning(QStringLiteral("cache"), QStringLiteral("界面自动译文缓存写入失败：") + saved.error());
}

std::expected<bool, QString> UIStoredTranslations::saveManualCorrection(const QString& source, const QString& typed) {
    const QString translation = typed.trimmed();
    if (translation.isEmpty() || uiComparisonForm(source).isEmpty())
        return false;
    if (const auto saved = m_cache.save(source, translation, true); !saved)
        return std::unexpected(QStringLiteral("保存人工修正失败：") + saved.error());
    return true;
}

QString UIStoredTranslations::correctionPrefill(const QString& source) const {
    const auto cached = m_cache.entry(source);
    return cached ? cached->translation : QString();
}

std::expected<void, QString> UIStoredTranslations::clearAutomatic() {
    if (const auto cleared = m_cache.clearAutomaticTranslations(); !cleared)
        return std::unexpected(QStringLiteral("清除 UI 自动缓存失败：") + cleared.error());
    return {};
}

std::expected<void, QString> UIStoredTranslations::clearEverything() {
    if (const auto cleared = m_cache.clearAll(); !cleared)
        return std::unexpected(QStringLiteral("清除 UI 缓存失败：") + cleared.error());
    return {};
}

void UIStoredTranslations::clearAutomaticForSourceChange() {
    if (const auto cleared = m_cache.clearAutomaticTranslations(); !cleared)
        AppLogger::shared().error(QStringLiteral("cache"),
                                  QStringLiteral("切换翻译源时清理自动 UI 缓存失败：") + cleared.error());
}

QString UIStoredTranslations::migrationFlagKey() {
    return QStringLiteral("interfaceAccurateOCRCacheMigrationBuild114");
}

void UIStoredTranslations::migrateInterfaceCacheForAccurateOCRIfNeeded(SettingsStore& settings) {
    if (settings.boolValue(migrationFlagKey(), false))
        return;
    const QString category = QStringLiteral("migration");
    const int dropped = std::max(0, m_cache.entryCount() - m_cache.manualCorrectionCount());
    if (const auto cleared = m_cache.clearAutomaticTranslations(); !cleared) {
        AppLogger::shared().error(category, QStringLiteral("清理旧版界面 OCR 自动缓存失败：") + cleared.error());
        return;
    }
    // Without the flag the next start only drops automatic entries once more, which is harmless.
    if (const auto flagged = settings.setBool(migrationFlagKey(), true); !flagged)
        AppLogger::shared().warning(category, QStringLiteral("界面 OCR 缓存迁移标记保存失败：") + flagged.error());
    AppLogger::shared().info(category, QStringLiteral("高精度界面 OCR 已启用，清理旧版自动缓存 %1 条；人工修正已保留")
                                           .arg(dropped));
}

QString UIStoredTranslations::summaryLine() const {
    const int manual = m_cache.manualCorrectionCount();
    const int automatic = std::max(0, m_cache.entryCount() - manual);
    return QStringLiteral("静态缓存 %1 条 · 永久人工修正 %2 条 · 固定词典 %3 条")
        .arg(automatic)
        .arg(manual)
        .arg(m_dictionary.entries().size());
}

QString UIStoredTranslations::cacheManagerText() const {
    const QList<UITranslationEntry> entries = m_cache.sortedEntries();
    if (entries.isEmpty())
        return QStringLiteral("还没有 UI 翻译缓存。");
    QStringList parts;
    parts.reserve(entries.size());
    for (const UITranslationEntry& entry : entries)
        parts.append(QStringLiteral("[") +
                     (entry.manuallyCorrected ? QStringLiteral("永久人工修正") : QStringLiteral("自动静态缓存")) +
                     QStringLiteral("] ") +
                     entry.updatedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                     QStringLiteral("\n原文：") + entry.source + QStringLiteral("\n译文：") + entry.translation);
    return parts.join(QStringLiteral("\n\n"));
}

void UIStoredTranslations::reloadDictionaryEntries() { m_dictionaryEntries = m_dictionary.entries(); }

bool UIStoredTranslations::validDictionaryRow(std::optional<int> row) const {
    return row && *row >= 0 && *row < m_dictionaryEntries.size();
}

UIStoredTranslations::DictionaryOutcome UIStoredTranslations::persistDictionary() {
    DictionaryOutcome outcome;
    outcome.changed = true;
    if (const auto saved = m_dictionary.save(m_dictionaryEntries); !saved)
        outcome.realtimeError = QStringLiteral("保存 UI 固定词典失败：") + saved.error();
    return outcome;
}

UIStoredTranslations::DictionaryOutcome UIStoredTranslations::addDictionaryEntry(const QString& source,
                                                                                 const QString& translation,
                                                                                 std::optional<UIElementKind> kind) {
    const QString trimmedSource = source.trimmed();
    const QString trimmedTranslation = translation.trimmed();
    if (trimmedSource.isEmpty() || trimmedTranslation.isEmpty())
        return statusOnly(dictionaryEmptyFieldsStatus());
    m_dictionaryEntries.append(UIFixedDictionaryEntry{QUuid::createUuid(), trimmedSource, trimmedTranslation, kind});
    return persistDictionary();
}

UIStoredTranslations::DictionaryOutcome UIStoredTranslations::editDictionaryEntry(std::optional<int> row,
                                                                                  const QString& source,
                                                                                  const QString& translation,
                                                                                  std::optional<UIElementKind> kind) {
    if (!validDictionaryRow(row))
        return statusOnly(dictionaryNoSelectionStatus());
    const QString trimmedSource = source.trimmed();
    const QString trimmedTranslation = translation.trimmed();
    if (trimmedSource.isEmpty() || trimmedTranslation.isEmpty())
        return statusOnly(dictionaryEmptyFieldsStatus());
    UIFixedDictionaryEntry& entry = m_dictionaryEntries[*row];
    entry = UIFixedDictionaryEntry{entry.id, trimmedSource, trimmedTranslation, kind};
    return persistDictionary();
}

UIStoredTranslations::DictionaryOutcome UIStoredTranslations::removeDictionaryEntry(std::optional<int> row) {
    if (!validDictionaryRow(row))
        return statusOnly(dictionaryNoSelectionStatus());
    m_dictionaryEntries.removeAt(*row);
    return persistDictionary();
}

std::expected<UIFixedDictionaryEntry, QString> UIStoredTranslations::dictionaryEntryForEditing(
    std::optional<int> row) const {
    if (!validDictionaryRow(row))
        return std::unexpected(dictionaryNoSelectionStatus());
    return m_dictionaryEntries.at(*row);
}

QStringList UIStoredTranslations::dictionaryKindItems() {
    return {QStringLiteral("全部类型"), QStringLiteral("菜单"), QStringLiteral("按钮"),
            QStringLiteral("日期"),     QStringLiteral("属性"), QStringLiteral("普通文字")};
}

std::optional<UIElementKind> UIStoredTranslations::kindForItem(int item) { return uiElementKindFromIndex(item - 1); }

int UIStoredTranslations::itemForKind(std::optional<UIElementKind> kind) {
    return kind ? static_cast<int>(*kind) + 1 : 0;
}

QString UIStoredTranslations::kindTitle(std::optional<UIElementKind> kind) {
    return dictionaryKindItems().value(itemForKind(kind));
}

QString UIStoredTranslations::correctionTitle() { return QStringLiteral("永久修正界面译文"); }
QString UIStoredTranslations::correctionInformativeText() {
    return QStringLiteral("以后识别到同一段原文时，会优先使用你的修正。");
}
QString UIStoredTranslations::correctionPlaceholder() { return QStringLiteral("输入简体中文译文"); }
QString UIStoredTranslations::correctionSavedStatus() { return QStringLiteral("已保存永久人工修正"); }
QString UIStoredTranslations::cacheManagerTitle() { return QStringLiteral("UI 缓存与人工修正"); }
QString UIStoredTranslations::clearAutomaticButtonTitle() { return QStringLiteral("清除自动缓存"); }
QString UIStoredTranslations::clearEverythingButtonTitle() { return QStringLiteral("清除全部（含人工修正）"); }
QString UIStoredTranslations::clearEverythingMessage() { return QStringLiteral("清除全部 UI 缓存和人工修正？"); }
QString UIStoredTranslations::clearEverythingInformativeText() {
    return QStringLiteral("永久人工修正也会删除，此操作无法撤销。");
}
QString UIStoredTranslations::clearEverythingConfirmTitle() { return QStringLiteral("全部清除"); }
QString UIStoredTranslations::dictionaryNote() {
    return QStringLiteral("固定菜单、按钮、日期或属性用语；人工双击修正仍具有最高优先级。");
}
QString UIStoredTranslations::addDictionaryEntryButtonTitle() { return QStringLiteral("＋ 添加词条"); }
QString UIStoredTranslations::addDictionaryEntryTitle() { return QStringLiteral("添加 UI 固定词条"); }
QString UIStoredTranslations::editDictionaryEntryTitle() { return QStringLiteral("编辑 UI 固定词条"); }
QString UIStoredTranslations::dictionarySourceFieldTitle() { return QStringLiteral("原文"); }
QString UIStoredTranslations::dictionaryTranslationFieldTitle() { return QStringLiteral("固定译文"); }
QString UIStoredTranslations::dictionaryKindFieldTitle() { return QStringLiteral("适用类型"); }
QString UIStoredTranslations::dictionaryNoSelectionStatus() { return QStringLiteral("请先在固定词典中选择一行"); }
QString UIStoredTranslations::dictionaryEmptyFieldsStatus() { return QStringLiteral("固定词条的原文和译文不能为空"); }

}  // namespace ovisu
