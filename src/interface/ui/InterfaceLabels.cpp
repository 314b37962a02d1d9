#include "interface/ui/InterfaceLabels.h"

#include "base/SettingsStore.h"
#include "interface/InterfacePanelPlacement.h"
#include "interface/UIOverlayAppearance.h"
#include "overlay/OverlayAppearance.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>

namespace ovisu {

namespace {
constexpr int kAltWatchMs = 100;
}

InterfaceLabels::InterfaceLabels(SettingsStore& settings, WindowFrame windowFrame, CorrectionRequest correctionRequest)
    : m_settings(settings), m_windowFrame(std::move(windowFrame)), m_correctionRequest(std::move(correctionRequest)) {
    m_altWatch.setInterval(kAltWatchMs);
    QObject::connect(&m_altWatch, &QTimer::timeout, [this] {
        setInteractive(QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier));
    });
}

void InterfaceLabels::watchAltKey() {
    if (m_labels.empty())
        m_altWatch.stop();
    else if (!m_altWatch.isActive())
        m_altWatch.start();
}

void InterfaceLabels::setInteractive(bool interactive) {
    if (interactive == m_interactive) return;
    m_interactive = interactive;
    for (const auto& [key, shown] : m_labels) shown.window->setInteractive(interactive);
}

InterfaceLabels::~InterfaceLabels() = default;

InterfaceLabelWindow::Appearance InterfaceLabels::appearance() const {
    const UIOverlayAppearance stored = UIOverlayAppearance::read(m_settings);
    InterfaceLabelWindow::Appearance look;
    look.font = OverlayAppearance::read(m_settings).resolvedFont(stored.fontSize, true);
    look.padding = stored.padding;
    look.cornerRadius = stored.cornerRadius;
    look.background = stored.backgroundColor;
    look.background.setAlphaF(float(stored.backgroundOpacity));
    look.text = stored.textColor;
    look.shadow = stored.shadowEnabled;
    return look;
}

void InterfaceLabels::showInterfaceTranslation(const UIOCRTextBlock& block, const QString& translation,
                                               bool manuallyCorrected) {
    const QString key = interfacePanelKey(block);
    ShownLabel& shown = m_labels[key];
    if (!shown.window) {
        shown.window = std::make_unique<InterfaceLabelWindow>();
        InterfaceLabelWindow* window = shown.window.get();
        shown.window->setCorrectionHandler([this, window] {
            if (m_correctionRequest) m_correctionRequest(window->source());
        });
    }
    shown.block = block;
    shown.window->setContent(block.text, translation, manuallyCorrected);
    QList<QRectF> others;
    for (const auto& [otherKey, other] : m_labels)
        if (otherKey != key && other.window && other.window->isVisible()) others.append(QRectF(other.window->geometry()));
    configureAndPlace(shown, appearance(), others);
    shown.window->show();
    shown.window->raise();
    shown.window->setInteractive(m_interactive);
    watchAltKey();
}

void InterfaceLabels::applyInterfaceOverlayAppearance() {
    // Each label avoids those placed before it in this pass, never the old place of one still to
    // come: the result is what showing them afresh in this order would give.
    const InterfaceLabelWindow::Appearance look = appearance();
    QList<QRectF> placed;
    for (auto& [key, shown] : m_labels) {
        configureAndPlace(shown, look, placed);
        placed.append(QRectF(shown.window->geometry()));
    }
}

void InterfaceLabels::configureAndPlace(ShownLabel& shown, const InterfaceLabelWindow::Appearance& look,
                                        const QList<QRectF>& otherLabels) {
    shown.window->setAppearance(look);
    const QString& translation = shown.window->translation();

    InterfacePanelPlacementInput input;
    input.windowFrame = m_windowFrame ? m_windowFrame() : std::nullopt;
    input.blockRect = shown.block.normalizedRect;
    for (const QScreen* screen : QGuiApplication::screens())
        input.screens.append({QRectF(screen->geometry()), QRectF(screen->availableGeometry())});
    input.style = storedUIOverlayStyle(m_settings);
    input.padding = look.padding;
    const QFontMetricsF metrics(look.font);
    input.singleLineWidth = metrics.horizontalAdvance(translation);
    input.wrappedHeight = [metrics, translation](double width) {
        return metrics.boundingRect(QRectF(0, 0, width, 10000), Qt::TextWordWrap, translation).height();
    };
    input.otherPanels = otherLabels;
    shown.window->setGeometry(InterfacePanelPlacement::interfacePanelFrame(input).toRect());
}

void InterfaceLabels::keepOnlyPanels(const QSet<QString>& panelKeys) {
    std::erase_if(m_labels, [&](const auto& entry) { return !panelKeys.contains(entry.first); });
    watchAltKey();
}

void InterfaceLabels::clearPanels() {
    m_labels.clear();
    watchAltKey();
}

bool InterfaceLabels::isPanelVisible(const QString& panelKey) const {
    const auto found = m_labels.find(panelKey);
    return found != m_labels.end() && found->second.window->isVisible();
}

const InterfaceLabelWindow* InterfaceLabels::label(const QString& panelKey) const {
    const auto found = m_labels.find(panelKey);
    return found == m_labels.end() ? nullptr : found->second.window.get();
}

}  // namespace ovisu
