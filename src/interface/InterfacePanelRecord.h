#pragma once

#include "interface/InterfaceOverlayPresenter.h"

#include <QMap>

namespace ovisu {

// The panels interface mode would show, without windows: what the command line prints from and
// what tests read.
class InterfacePanelRecord final : public InterfaceOverlayPresenter {
public:
    struct Panel {
        UIOCRTextBlock block;
        QString translation;
        bool manuallyCorrected = false;
    };

    void showInterfaceTranslation(const UIOCRTextBlock& block, const QString& translation,
                                  bool manuallyCorrected) override {
        m_panels.insert(interfacePanelKey(block), {block, translation, manuallyCorrected});
    }
    void keepOnlyPanels(const QSet<QString>& panelKeys) override {
        for (auto it = m_panels.begin(); it != m_panels.end();)
            it = panelKeys.contains(it.key()) ? std::next(it) : m_panels.erase(it);
    }
    void clearPanels() override { m_panels.clear(); }
    bool isPanelVisible(const QString& panelKey) const override { return m_panels.contains(panelKey); }
    int panelCount() const override { return int(m_panels.size()); }

    const QMap<QString, Panel>& panels() const { return m_panels; }

private:
    QMap<QString, Panel> m_panels;
};

}  // namespace ovisu
