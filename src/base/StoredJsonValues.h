#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QUuid>

#include <expected>
#include <optional>
#include <type_traits>

namespace ovisu {

// Readers of the values the JSON stores keep. Each answers nothing for a value of the wrong type
// or form, so that a store's decoder can refuse the item holding it.

// A UUID in the bare 36-character form the stores write (either case). QUuid alone also reads the
// braced forms and answers the nil UUID for text it cannot read, so the length is checked and the
// nil UUID is taken only when it is written out.
std::optional<QUuid> storedUuid(const QJsonValue& value);

// A number, and a finite one.
std::optional<double> finiteNumber(const QJsonValue& value);

// A document holding an array, each item read by decodeItem (a callable from const QJsonValue&
// to std::optional<Item>). The errors name the first item it refuses, counting from 1:
// "the file does not hold a list of <itemsName>", "<itemName> <n> lacks a member or has one of
// the wrong type".
template <typename DecodeItem>
auto decodeStoredArray(const QJsonDocument& document, const QString& itemName, const QString& itemsName,
                       DecodeItem decodeItem)
    -> std::expected<QList<typename std::invoke_result_t<DecodeItem, const QJsonValue&>::value_type>, QString> {
    using Item = typename std::invoke_result_t<DecodeItem, const QJsonValue&>::value_type;
    if (!document.isArray())
        return std::unexpected(QStringLiteral("the file does not hold a list of %1").arg(itemsName));
    const QJsonArray array = document.array();
    QList<Item> items;
    items.reserve(array.size());
    for (qsizetype index = 0; index < array.size(); ++index) {
        auto item = decodeItem(array.at(index));
        if (!item)
            return std::unexpected(
                QStringLiteral("%1 %2 lacks a member or has one of the wrong type").arg(itemName).arg(index + 1));
        items.append(std::move(*item));
    }
    return items;
}

}  // namespace ovisu
