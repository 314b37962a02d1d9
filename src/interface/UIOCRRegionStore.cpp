#include "interface/UIOCRRegionStore.h"

#include "base/AppLogger.h"
#include "base/AtomicFile.h"
#include "base/Paths.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include <cmath>

namespace ovisu {

namespace {

const QString kCategory = QStringLiteral("interface");

// The stored form is the bare 36-character text; QUuid also reads braced forms and answers the
// nil UUID for text it cannot read, so both are checked.
std::optional<QUuid> storedUuid(const QJsonValue& value) {
    if (!value.isString())
        return std::nullopt;
    const QString text = value.toString();
    const QUuid uuid = QUuid::fromString(text);
    if (text.size() != 36 || (uuid.isNull() && text != QStringLiteral("00000000-0000-0000-0000-000000000000")))
        return std::nullopt;
    return uuid;
}

std::optional<double> finiteNumber(const QJsonValue& value) {
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        return std::nullopt;
    return value.toDouble();
}

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

bool fileIsThere(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

}  // namespace

QString UIOCRRegionStore::defaultFileURL() {
    return paths::quillonFolder() + QStringLiteral("/ui-ocr-regions.json");
}

UIOCRRegionStore::UIOCRRegionStore(QString fileURL) : m_fileURL(std::move(fileURL)) {}

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
    if (!document.isArray())
        return std::unexpected(QStringLiteral("the file does not hold a list of regions"));
    const QJsonArray array = document.array();
    QList<UIOCRRegion> regions;
    regions.reserve(array.size());
    for (qsizetype index = 0; index < array.size(); ++index) {
        auto region = decodeRegion(array.at(index));
        if (!region)
            return std::unexpected(
                QStringLiteral("region %1 lacks a member or has one of the wrong type").arg(index + 1));
        regions.append(std::move(*region));
    }
    return regions;
}

std::expected<QList<UIOCRRegion>, QString> UIOCRRegionStore::load() {
    const JsonFileRead read = readJsonFile(m_fileURL);
    std::expected<QList<UIOCRRegion>, QString> result;
    switch (read.status) {
    case JsonFileRead::Status::missing:
        m_fileState = FileState::usable;
        return QList<UIOCRRegion>{};
    case JsonFileRead::Status::unreadable:
        result = std::unexpected(read.error);
        break;
    case JsonFileRead::Status::ok:
        result = decode(read.document);
        if (!result)
            result = std::unexpected(QStringLiteral("“%1”: %2").arg(m_fileURL, result.error()));
        break;
    }
    if (!result) {
        m_fileState = FileState::needsSettingAside;
        AppLogger::shared().warning(kCategory, QStringLiteral("UI 区域文件无法读取，按整窗口识别：") + result.error());
        return result;
    }
    m_fileState = FileState::usable;
    return result;
}

std::expected<void, QString> UIOCRRegionStore::save(const QList<UIOCRRegion>& regions) {
    if (m_fileState == FileState::unknown)
        (void)load();
    if (m_fileState == FileState::needsSettingAside && fileIsThere(m_fileURL)) {
        if (auto moved = setAsideUnreadableFile(m_fileURL, kCategory); !moved)
            return std::unexpected(moved.error());
    }
    m_fileState = FileState::usable;
    return writeFileAtomically(m_fileURL, encode(regions));
}

}  // namespace ovisu
