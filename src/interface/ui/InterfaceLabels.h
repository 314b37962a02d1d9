#pragma once

#include "interface/InterfaceOverlayPresenter.h"
#include "interface/ui/InterfaceLabelWindow.h"

#include <QTimer>

#include <map>

#include <functional>
#include <memory>
#include <optional>

namespace ovisu {

class SettingsStore;

// The interface translations painted over the game: one label window per screen position, placed
// beside (or over) the game's text, clear of the screen's edges and of the other labels.
class InterfaceLabels final : public InterfaceOverlayPresenter {
public:
    // Where the game window is now, in Qt's global coordinates; none without a target.
    using WindowFrame = std::function<std::optional<QRectF>()>;

    // A label double-clicked while Alt is held asks for the permanent correction of its text.
    using CorrectionRequest = std::function<void(const QString& source)>;

    InterfaceLabels(SettingsStore& settings, WindowFrame windowFrame, CorrectionRequest correctionRequest);
    ~InterfaceLabels() override;

    void showInterfaceTranslation(const UIOCRTextBlock& block, const QString& translation,
                                  bool manuallyCorrected) override;
    void keepOnlyPanels(const QSet<QString>& panelKeys) override;
    void clearPanels() override;
    bool isPanelVisible(const QString& panelKey) const override;
    int panelCount() const override { return int(m_labels.size()); }

    // The appearance or the style changed, or the game window moved: every label is drawn and
    // placed again with the text it shows.
    void applyInterfaceOverlayAppearance();

    // The label shown for a screen position, for tests.
    const InterfaceLabelWindow* label(const QString& panelKey) const;

private:
    struct ShownLabel {
        UIOCRTextBlock block;
        std::unique_ptr<InterfaceLabelWindow> window;
    };

    InterfaceLabelWindow::Appearance appearance() const;
    // Draws the label and puts it beside (or over) its block, clear of the other labels.
    void configureAndPlace(ShownLabel& shown, const InterfaceLabelWindow::Appearance& look,
                           const QList<QRectF>& otherLabels);
    // Labels take the mouse only while Alt is held, wherever the focus is: the keyboard state is
    // asked of the display server a few times a second, and only while a label is shown.
    void watchAltKey();
    void setInteractive(bool interactive);

    SettingsStore& m_settings;
    WindowFrame m_windowFrame;
    CorrectionRequest m_correctionRequest;
    std::map<QString, ShownLabel> m_labels;
    QTimer m_altWatch;
    bool m_interactive = false;
};

}  // namespace ovisu
