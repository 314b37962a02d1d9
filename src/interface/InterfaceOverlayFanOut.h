#pragma once

#include "interface/InterfaceOverlayPresenter.h"

namespace ovisu {

// The record of interface panels, and the windows that paint them once the desktop program has
// made them: every change goes to both, questions are answered by the record.
class InterfaceOverlayFanOut final : public InterfaceOverlayPresenter {
public:
    explicit InterfaceOverlayFanOut(InterfaceOverlayPresenter& record) : m_record(record) {}

    void setPainter(InterfaceOverlayPresenter* painter) { m_painter = painter; }

    void showInterfaceTranslation(const UIOCRTextBlock& block, const QString& translation,
                                  bool manuallyCorrected) override {
        m_record.showInterfaceTranslation(block, translation, manuallyCorrected);
        if (m_painter) m_painter->showInterfaceTranslation(block, translation, manuallyCorrected);
    }
    void keepOnlyPanels(const QSet<QString>& panelKeys) override {
        m_record.keepOnlyPanels(panelKeys);
        if (m_painter) m_painter->keepOnlyPanels(panelKeys);
    }
    void clearPanels() override {
        m_record.clearPanels();
        if (m_painter) m_painter->clearPanels();
    }
    bool isPanelVisible(const QString& panelKey) const override { return m_record.isPanelVisible(panelKey); }
    int panelCount() const override { return m_record.panelCount(); }

private:
    InterfaceOverlayPresenter& m_record;
    InterfaceOverlayPresenter* m_painter = nullptr;
};

}  // namespace ovisu
