#pragma once

#include "engine/Provider.h"

#include <QList>
#include <QWidget>

#include <functional>

namespace ovisu {

class ProviderSelection;
class ProviderVisibilityCheckBox;
class TranslationSettingsActions;

// "主页翻译源管理": one check box per source deciding whether it appears in the source pop-up
// and the menus, free and local sources first. Built once and kept; present() shows it with the
// current selection.
class ProviderManagerWindow : public QWidget {
    Q_OBJECT
public:
    using Beep = std::function<void()>;

    ProviderManagerWindow(ProviderSelection& selection, TranslationSettingsActions& actions,
                          QWidget* parent = nullptr);

    // The free and local sources, in the order they are listed; every other source follows in
    // raw-value order under "付费 / API 翻译".
    static QList<Provider> freeProviders();
    static QList<Provider> paidProviders();

    // Sets every box from the enabled sources again, centres the window and brings it to the front.
    void present();
    void render();

    ProviderVisibilityCheckBox* checkBox(Provider provider) const;
    // Replaces the system alert sound a refused change plays (tests count the beeps).
    void setBeep(Beep beep) { m_beep = std::move(beep); }

private:
    QList<ProviderVisibilityCheckBox*> m_boxes;
    Beep m_beep;
};

}  // namespace ovisu
