#include "interface/UIElementKind.h"

#include "base/SettingsStore.h"

#include <QJsonArray>

#include <algorithm>

namespace ovisu {

namespace {
const QString enabledKindsKey = QStringLiteral("enabledUIElementKinds");
}

QList<UIElementKind> allUIElementKinds() {
    return {UIElementKind::menu, UIElementKind::button, UIElementKind::date, UIElementKind::attribute,
            UIElementKind::text};
}

QString rawValue(UIElementKind kind) {
    switch (kind) {
    case UIElementKind::menu: return QStringLiteral("menu");
    case UIElementKind::button: return QStringLiteral("button");
    case UIElementKind::date: return QStringLiteral("date");
    case UIElementKind::attribute: return QStringLiteral("attribute");
    case UIElementKind::text: return QStringLiteral("text");
    }
    return QStringLiteral("text");
}

std::optional<UIElementKind> uiElementKindFromRawValue(const QString& raw) {
    for (UIElementKind kind : allUIElementKinds())
        if (rawValue(kind) == raw)
            return kind;
    return std::nullopt;
}

std::optional<UIElementKind> uiElementKindFromIndex(int index) {
    if (index < 0 || index >= uiElementKindCount)
        return std::nullopt;
    return static_cast<UIElementKind>(index);
}

UIElementKindSet storedEnabledUIElementKinds(const SettingsStore& settings) {
    UIElementKindSet kinds;
    if (const auto array = settings.arrayValue(enabledKindsKey))
        for (const QJsonValue& value : *array)
            if (value.isString())
                if (const auto kind = uiElementKindFromRawValue(value.toString()))
                    kinds.insert(*kind);
    if (kinds.empty())
        for (UIElementKind kind : allUIElementKinds())
            kinds.insert(kind);
    return kinds;
}

std::expected<void, QString> storeEnabledUIElementKinds(SettingsStore& settings, const UIElementKindSet& kinds) {
    QStringList raw;
    for (UIElementKind kind : kinds)
        raw << rawValue(kind);
    std::sort(raw.begin(), raw.end());
    return settings.setArray(enabledKindsKey, QJsonArray::fromStringList(raw));
}

}  // namespace ovisu
