#pragma once

#include "engine/Provider.h"

#include <QList>
#include <QSet>

#include <optional>

namespace ovisu {

class SettingsStore;

// Which sources the user has enabled and which one is current: the model behind the source
// pop-up, the status menu's source list and the sources' check boxes. At least one source always
// stays enabled.
class ProviderSelection {
public:
    explicit ProviderSelection(SettingsStore& settings);

    static QList<Provider> defaultEnabledProviders();

    const QSet<Provider>& enabledProviders() const { return m_enabled; }
    QList<Provider> visibleProviders() const;  // enabled ones, in raw order: what the pop-up lists
    int selectedIndex() const { return m_selectedIndex; }
    // The selected visible source; the first visible one when the index is out of range, google
    // when nothing is visible.
    Provider currentProvider() const;

    void persistEnabledProviders();
    // Refills the pop-up and selects the given source, or keeps the current one; a source that is
    // not listed gives the first entry. An empty enabled set becomes google alone.
    void refreshSourcePopup(std::optional<Provider> selecting);

    enum class VisibilityChange { applied, refused };
    // A source's check box changed. Removing the last enabled source is refused (the caller beeps
    // and turns the box back on).
    VisibilityChange providerVisibilityChanged(Provider provider, bool enabled);

    // The user picked a source in the pop-up or status menu; a source that is not visible is ignored.
    bool providerChanged(Provider provider);

    // For one run of a command: make the source current (enabling it if needed) and keep every
    // later change, a fallback switch included, out of the stored settings.
    void useTransiently(Provider provider);

private:
    void storeCurrentProvider();

    SettingsStore& m_settings;
    QSet<Provider> m_enabled;
    int m_selectedIndex = -1;
    bool m_persistent = true;
};

}  // namespace ovisu
