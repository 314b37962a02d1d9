#include "engine/ui/ProviderVisibilityCheckBox.h"

#include "engine/ProviderSelection.h"
#include "engine/TranslationSettingsActions.h"

#include <QSignalBlocker>

namespace ovisu {

ProviderVisibilityCheckBox::ProviderVisibilityCheckBox(Provider provider, ProviderSelection& selection,
                                                       TranslationSettingsActions& actions, QWidget* parent)
    : QCheckBox(ProviderCatalogue::title(provider), parent),
      m_provider(provider),
      m_selection(selection),
      m_actions(actions) {
    setObjectName(QStringLiteral("provider.%1").arg(rawValue(provider)));
    // Only the user's click acts: render() and a refusal set the box without running it again.
    connect(this, &QCheckBox::clicked, this, &ProviderVisibilityCheckBox::visibilityChanged);
    render();
}

void ProviderVisibilityCheckBox::render() {
    const QSignalBlocker blocker(this);
    setChecked(m_selection.enabledProviders().contains(m_provider));
}

void ProviderVisibilityCheckBox::visibilityChanged(bool enabled) {
    if (m_selection.providerVisibilityChanged(m_provider, enabled) == ProviderSelection::VisibilityChange::refused) {
        render();
        emit refused();
        return;
    }
    m_actions.translationSourcesChanged();
}

}  // namespace ovisu
