#include "engine/ProviderSelection.h"

#include "base/AppLogger.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"

#include <QJsonArray>

#include <algorithm>

namespace ovisu {

QList<Provider> ProviderSelection::defaultEnabledProviders() {
    // The system translator is left out: Linux has no platform translator for it to use.
    return {Provider::google, Provider::sakura,   Provider::qwenLocal, Provider::hyMTLocal,
            Provider::libreTranslate, Provider::openAI, Provider::claude, Provider::doubao,
            Provider::deepSeek, Provider::deepL, Provider::custom};
}

ProviderSelection::ProviderSelection(SettingsStore& settings) : m_settings(settings) {
    if (const auto stored = m_settings.arrayValue(SettingsKeys::enabledProviders)) {
        for (const QJsonValue& value : *stored) {
            if (!value.isDouble()) continue;
            if (const auto provider = providerFromRawValue(value.toInt(-1))) m_enabled.insert(*provider);
        }
    }
    if (m_enabled.isEmpty()) {
        const QList<Provider> defaults = defaultEnabledProviders();
        m_enabled = QSet<Provider>(defaults.begin(), defaults.end());
    }

    const auto stored = providerFromRawValue(m_settings.intValue(SettingsKeys::provider, rawValue(Provider::google)));
    const QList<Provider> visible = visibleProviders();
    m_selectedIndex = static_cast<int>(visible.indexOf(stored.value_or(Provider::google)));
    if (m_selectedIndex < 0) m_selectedIndex = 0;
}

QList<Provider> ProviderSelection::visibleProviders() const {
    QList<Provider> visible;
    for (Provider provider : allProviders())
        if (m_enabled.contains(provider)) visible.append(provider);
    return visible;
}

Provider ProviderSelection::currentProvider() const {
    const QList<Provider> visible = visibleProviders();
    if (visible.isEmpty()) return Provider::google;
    if (m_selectedIndex >= 0 && m_selectedIndex < visible.size()) return visible[m_selectedIndex];
    return visible.first();
}

void ProviderSelection::persistEnabledProviders() {
    if (!m_persistent) return;
    QList<int> raw;
    for (Provider provider : m_enabled) raw.append(rawValue(provider));
    std::sort(raw.begin(), raw.end());
    QJsonArray array;
    for (int value : raw) array.append(value);
    (void)m_settings.setArray(SettingsKeys::enabledProviders, array);
}

void ProviderSelection::refreshSourcePopup(std::optional<Provider> selecting) {
    const bool hadEntries = !visibleProviders().isEmpty();
    const std::optional<Provider> previous = hadEntries ? std::optional(currentProvider()) : std::nullopt;
    if (m_enabled.isEmpty()) {
        m_enabled = {Provider::google};
        persistEnabledProviders();
    }
    const std::optional<Provider> wanted = selecting ? selecting : previous;
    const QList<Provider> visible = visibleProviders();
    const int index = wanted ? static_cast<int>(visible.indexOf(*wanted)) : -1;
    m_selectedIndex = index >= 0 ? index : 0;
    storeCurrentProvider();
}

ProviderSelection::VisibilityChange ProviderSelection::providerVisibilityChanged(Provider provider, bool enabled) {
    if (!enabled && m_enabled.size() < 2) return VisibilityChange::refused;
    const Provider current = currentProvider();
    if (enabled)
        m_enabled.insert(provider);
    else
        m_enabled.remove(provider);
    persistEnabledProviders();
    const Provider selecting = m_enabled.contains(current) ? current : visibleProviders().first();
    refreshSourcePopup(selecting);
    return VisibilityChange::applied;
}

bool ProviderSelection::providerChanged(Provider provider) {
    const int index = static_cast<int>(visibleProviders().indexOf(provider));
    if (index < 0) return false;
    m_selectedIndex = index;
    storeCurrentProvider();
    AppLogger::shared().info(QStringLiteral("provider"),
                             QStringLiteral("切换翻译源：") + ProviderCatalogue::title(provider));
    return true;
}

void ProviderSelection::useTransiently(Provider provider) {
    m_persistent = false;
    m_enabled.insert(provider);
    m_selectedIndex = static_cast<int>(visibleProviders().indexOf(provider));
}

void ProviderSelection::storeCurrentProvider() {
    if (!m_persistent) return;
    (void)m_settings.setInt(SettingsKeys::provider, rawValue(currentProvider()));
}

}  // namespace ovisu
