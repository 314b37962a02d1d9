#pragma once

#include "engine/Provider.h"

#include <QList>
#include <QWidget>

#include <functional>

class QPushButton;

namespace ovisu {

class ProviderSelection;
class ProviderVisibilityCheckBox;
class TranslationSettingsActions;

// The settings page "主页翻译源": every source's check box, as in the source manager, each with
// the button that gets the source (a local model download or the service's site). The boxes are
// read again whenever the page is shown.
class SettingsPageHomeProviders : public QWidget {
    Q_OBJECT
public:
    using Beep = std::function<void()>;

    SettingsPageHomeProviders(ProviderSelection& selection, TranslationSettingsActions& actions,
                              QWidget* parent = nullptr);

    // Sets every box from the enabled sources, emitting nothing.
    void render();

    ProviderVisibilityCheckBox* checkBox(Provider provider) const;
    // The source's acquisition button; none for sources that have nothing to get.
    QPushButton* acquisitionButton(Provider provider) const;
    void setBeep(Beep beep) { m_beep = std::move(beep); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QList<ProviderVisibilityCheckBox*> m_boxes;
    QList<QPushButton*> m_acquisitionButtons;  // by raw value; null where there is none
    Beep m_beep;
};

}  // namespace ovisu
