#include "interface/UIFixedDictionaryStore.h"

#include "base/AppLogger.h"
#include "base/Paths.h"
#include "base/StoredJsonValues.h"
#include "interface/UIOCRTextBlock.h"

#include <QJsonArray>
#include <QJsonObject>

namespace ovisu {

namespace {

const QString kCategory = QStringLiteral("cache");

std::optional<UIFixedDictionaryEntry> decodeEntry(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto id = storedUuid(object.value(QStringLiteral("id")));
    const QJsonValue source = object.value(QStringLiteral("source"));
    const QJsonValue translation = object.value(QStringLiteral("translation"));
    const QJsonValue kindValue = object.value(QStringLiteral("kind"));
    if (!id || !source.isString() || !translation.isString())
        return std::nullopt;
    UIFixedDictionaryEntry entry{*id, source.toString(), translation.toString(), std::nullopt};
    if (!kindValue.isUndefined() && !kindValue.isNull()) {
        entry.kind = kindValue.isString() ? uiElementKindFromRawValue(kindValue.toString()) : std::nullopt;
        if (!entry.kind)
            return std::nullopt;
    }
    return entry;
}

}  // namespace

QString UIFixedDictionaryStore::defaultFileURL() {
    return paths::quillonFolder() + QStringLiteral("/ui-fixed-dictionary.json");
}

UIFixedDictionaryStore::UIFixedDictionaryStore(QString fileURL) : m_file(std::move(fileURL), kCategory) {}

QByteArray UIFixedDictionaryStore::encode(const QList<UIFixedDictionaryEntry>& entries) {
    QJsonArray array;
    for (const UIFixedDictionaryEntry& entry : entries) {
        QJsonObject object{
            {QStringLiteral("id"), entry.id.toString(QUuid::WithoutBraces).toUpper()},
            {QStringLiteral("source"), entry.source},
            {QStringLiteral("translation"), entry.translation},
        };
        if (entry.kind)
            object.insert(QStringLiteral("kind"), rawValue(*entry.kind));
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

std::expected<QList<UIFixedDictionaryEntry>, QString> UIFixedDictionaryStore::decode(const QJsonDocument& document) {
    return decodeStoredArray(document, QStringLiteral("term"), QStringLiteral("terms"), decodeEntry);
}

const QList<UIFixedDictionaryEntry>& UIFixedDictionaryStore::memory() const {
    if (m_memory)
        return *m_memory;
    auto decoded = m_file.read(decode);
    if (decoded) {
        setMemory(std::move(*decoded));
    } else {
        setMemory({});
        m_loadError = decoded.error();
        AppLogger::shared().warning(kCategory,
                                    QStringLiteral("UI 固定词典文件无法读取，本次按空词典使用：") + decoded.error());
    }
    return *m_memory;
}

void UIFixedDictionaryStore::setMemory(QList<UIFixedDictionaryEntry> entries) const {
    m_sourceForms.clear();
    m_sourceForms.reserve(entries.size());
    for (const UIFixedDictionaryEntry& entry : entries)
        m_sourceForms.append(uiComparisonForm(entry.source));
    m_memory = std::move(entries);
}

QList<UIFixedDictionaryEntry> UIFixedDictionaryStore::entries() const { return memory(); }

std::optional<QString> UIFixedDictionaryStore::loadError() const {
    (void)memory();
    return m_loadError;
}

std::optional<UIFixedDictionaryEntry> UIFixedDictionaryStore::resolve(const QString& text, UIElementKind kind) const {
    const QString form = uiComparisonForm(text);
    if (form.isEmpty())
        return std::nullopt;
    const QList<UIFixedDictionaryEntry>& all = memory();
    for (qsizetype index = 0; index < all.size(); ++index)
        if ((!all[index].kind || *all[index].kind == kind) && m_sourceForms[index] == form)
            return all[index];
    return std::nullopt;
}

std::expected<void, QString> UIFixedDictionaryStore::save(const QList<UIFixedDictionaryEntry>& entries) {
    // Reading first tells whether the file on disk is one that must be moved, not replaced.
    (void)memory();
    if (auto written = m_file.write(encode(entries)); !written)
        return written;
    setMemory(entries);
    m_loadError.reset();
    return {};
}

}  // namespace ovisu
