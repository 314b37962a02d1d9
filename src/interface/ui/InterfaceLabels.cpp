#include "interface/ui/InterfaceLabels.h"

#include "base/SettingsStore.h"
#include "interface/InterfacePanelPlacement.h"
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
    for (const auto& [key, label] : m_labels) label->setInteractive(interactive);
}

InterfaceLabels::~InterfaceLabels() = default;

InterfaceLabelWindow::Appearance InterfaceLabels::appearance() const {
    InterfaceLabelWindow::Appearance look;
    const double size = std::clamp(m_settings.doubleValue(QStringLiteral("interfaceOverlayFontSize"), 16), 10.0, 48.0);
    look.font = OverlayAppearance::read(m_settings).resolvedFont(size, true);
    look.padding = m_settings.doubleValue(QStringLiteral("interfaceOverlayPadding"), 9);
    look.cornerRadius = m_settings.doubleValue(QStringLiteral("interfaceOverlayCornerRadius"), 9);
    look.background.setAlphaF(float(std::clamp(m_settings.doubleValue(QStringLiteral("interfaceOverlayBackgroundOpacity"), 0.88), 0.0, 1.0)));
    return look;
}

void InterfaceLabels::showInterfaceTranslation(const UIOCRTextBlock& block, const QString& translation,
                                               bool manuallyCorrected) {
    const QString key = interfacePanelKey(block);
    std::unique_ptr<InterfaceLabelWindow>& label = m_labels[key];
    if (!label) {
        label = std::make_unique<InterfaceLabelWindow>();
        InterfaceLabelWindow* window = label.get();
        label->setCorrectionHandler([this, window] {
            if (m_correctionRequest) m_correctionRequest(window->source());
        });
    }
    const InterfaceLabelWindow::Appearance look = appearance();
    label->setAppearance(look);
    label->setContent(block.text, translation, manuallyCorrected);

    InterfacePanelPlacementInput input;
    input.windowFrame = m_windowFrame ? m_windowFrame() : std::nullopt;
    input.blockRect = block.normalizedRect;
    for (const QScreen* screen : QGuiApplication::screens())
        input.screens.append({QRectF(screen->geometry()), QRectF(screen->availableGeometry())});
    input.style = storedUIOverlayStyle(m_settings);
    input.padding = look.padding;
    const QFontMetricsF metrics(look.font);
    input.singleLineWidth = metrics.horizontalAdvance(translation);
    input.wrappedHeight = [metrics, translation](double width) {
        return metrics.boundingRect(QRectF(0, 0, width, 10000), Qt::TextWordWrap, translation).height();
    };
    for (const auto& [otherKey, other] : m_labels)
        if (otherKey != key && other->isVisible()) input.otherPanels.append(QRectF(other->geometry()));
    label->setGeometry(InterfacePanelPlacement::interfacePanelFrame(input).toRect());
    label->show();
    label->raise();
    label->setInteractive(m_interactive);
    watchAltKey();
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
    return found != m_labels.end() && found->second->isVisible();
}

const InterfaceLabelWindow* InterfaceLabels::label(const QString& panelKey) const {
    const auto found = m_labels.find(panelKey);
    return found == m_labels.end() ? nullptr : found->second.get();
}

}  // namespace ovisu
