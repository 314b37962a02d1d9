#pragma once

#include "engine/Provider.h"

#include <QCheckBox>

namespace ovisu {

class ProviderSelection;
class TranslationSettingsActions;

// A source's check box in the source manager and on the settings page "主页翻译源": checked
// when the source is enabled. Clicking it adds or removes the source; removing the last enabled
// source is refused, the box stays checked and `refused` is emitted so its owner can beep.
class ProviderVisibilityCheckBox : public QCheckBox {
    Q_OBJECT
public:
    ProviderVisibilityCheckBox(Provider provider, ProviderSelection& selection, TranslationSettingsActions& actions,
                               QWidget* parent = nullptr);

    Provider provider() const { return m_provider; }
    // Shows whether the source is enabled now, emitting nothing.
    void render();

signals:
    void refused();

private:
    void visibilityChanged(bool enabled);

    Provider m_provider;
    ProviderSelection& m_selection;
    TranslationSettingsActions& m_actions;
};

}  // namespace ovisu
