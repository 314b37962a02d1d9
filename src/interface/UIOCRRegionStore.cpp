#include "interface/UIOCRRegionStore.h"

#include "base/AppLogger.h"
#include "base/Paths.h"
#include "base/StoredJsonValues.h"

#include <QJsonArray>
#include <QJsonObject>

namespace ovisu {

namespace {

const QString kCategory = QStringLiteral("interface");

std::optional<UIOCRRegion> decodeRegion(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto id = storedUuid(object.value(QStringLiteral("id")));
    const QJsonValue name = object.value(QStringLiteral("name"));
    const auto x = finiteNumber(object.value(QStringLiteral("x")));
    const auto y = finiteNumber(object.value(QStringLiteral("y")));
    const auto width = finiteNumber(object.value(QStringLiteral("width")));
    const auto height = finiteNumber(object.value(QStringLiteral("height")));
    const QJsonValue isEnabled = object.value(QStringLiteral("isEnabled"));
    if (!id || !name.isString() || !x || !y || !width || !height || !isEnabled.isBool())
        return std::nullopt;
    return UIOCRRegion{*id, name.toString(), QRectF(*x, *y, *width, *height), isEnabled.toBool()};
}

}  // namespace

QString UIOCRRegionStore::defaultFileURL() {
    return paths::quillonFolder() + QStringLiteral("/ui-ocr-regions.json");
}

UIOCRRegionStore::UIOCRRegionStore(QString fileURL) : m_file(std::move(fileURL), kCategory) {}

QByteArray UIOCRRegionStore::encode(const QList<UIOCRRegion>& regions) {
    QJsonArray array;
    for (const UIOCRRegion& region : regions)
        array.append(QJsonObject{
            {QStringLiteral("id"), region.id.toString(QUuid::WithoutBraces).toUpper()},
            {QStringLiteral("name"), region.name},
            {QStringLiteral("x"), region.normalizedRect.x()},
            {QStringLiteral("y"), region.normalizedRect.y()},
            {QStringLiteral("width"), region.normalizedRect.width()},
            {QStringLiteral("height"), region.normalizedRect.height()},
            {QStringLiteral("isEnabled"), region.isEnabled},
        });
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

std::expected<QList<UIOCRRegion>, QString> UIOCRRegionStore::decode(const QJsonDocument& document) {
    return decodeStoredArray(document, QStringLiteral("region"), QStringLiteral("regions"), decodeRegion);
}

std::expected<QList<UIOCRRegion>, QString> UIOCRRegionStore::load() {
    auto result = m_file.read(decode);
    if (!result)
        AppLogger::shared().warning(kCategory, QStringLiteral("UI 区域文件无法读取，按整窗口识别：") + result.error());
    return result;
}

std::expected<void, QString> UIOCRRegionStore::save(const QList<UIOCRRegion>& regions) {
    if (!m_file.hasBeenRead())
        (void)load();
    return m_file.write(encode(regions));
}

}  // namespace ovisu
