#pragma once

#include <QJsonValue>
#include <QString>

#include <expected>
#include <functional>

namespace ovisu {

class SettingsStore;

// A stored list that cannot be decoded reads as empty, but it is still the user's data: before
// anything new replaces it, its raw value is copied to "<key>.corrupt-<UTC time>.json" beside the
// settings file and the copy is logged. Nothing happens when the key is missing, null or decodes.
// An error means the copy could not be written, and the caller must not overwrite the value.
std::expected<void, QString> archiveUndecodableSetting(const SettingsStore& settings, const QString& key,
                                                       const std::function<bool(const QJsonValue&)>& decodes);

}  // namespace ovisu
