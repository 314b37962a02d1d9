#pragma once

#include <QList>
#include <QString>

#include <expected>
#include <optional>
#include <set>

namespace ovisu {

class SettingsStore;

// What a piece of interface text is, in the order the toggles and the dictionary's kind pop-up
// list them (the index is their tag).
enum class UIElementKind { menu = 0, button = 1, date = 2, attribute = 3, text = 4 };

inline constexpr int uiElementKindCount = 5;

QList<UIElementKind> allUIElementKinds();
QString rawValue(UIElementKind kind);
std::optional<UIElementKind> uiElementKindFromRawValue(const QString& raw);
std::optional<UIElementKind> uiElementKindFromIndex(int index);

using UIElementKindSet = std::set<UIElementKind>;

// "enabledUIElementKinds": an array of raw values. Unknown values are ignored; a missing key,
// a value of another type or one without a known kind reads as every kind, so the set is never empty.
UIElementKindSet storedEnabledUIElementKinds(const SettingsStore& settings);
// Stored sorted by raw value, as the files have always had it.
std::expected<void, QString> storeEnabledUIElementKinds(SettingsStore& settings, const UIElementKindSet& kinds);

}  // namespace ovisu
