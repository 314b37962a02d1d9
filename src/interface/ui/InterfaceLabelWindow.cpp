#include "interface/ui/InterfaceLabelWindow.h"

#include "overlay/platform/X11OverlayWindowHints.h"

#include <QPainter>
#include <QWindow>
#include <QPainterPath>

#include <algorithm>

namespace ovisu {

InterfaceLabelWindow::InterfaceLabelWindow()
    // Unmanaged by the window manager: window managers bind Alt + mouse button on the windows
    // they manage (openbox, KDE and GNOME move a window on Alt-drag) and would swallow the
    // Alt-double-click meant for the label. An unmanaged window also never takes the focus and
    // stays on every desktop.
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
                           Qt::WindowTransparentForInput | Qt::X11BypassWindowManagerHint) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_DeleteOnClose, false);
    winId();  // the window exists, so the desktop hint below reaches it
    X11OverlayWindowHints::showOnAllDesktops(windowHandle());
}

void InterfaceLabelWindow::setContent(const QString& source, const QString& translation, bool manuallyCorrected) {
    m_source = source;
    m_translation = translation;
    m_manuallyCorrected = manuallyCorrected;
    setToolTip(manuallyCorrected ? QStringLiteral("人工修正译文 · 按住 Alt 双击可再次修改")
                                 : QStringLiteral("自动译文 · 按住 Alt 双击可永久修正"));
    update();
}

void InterfaceLabelWindow::setInteractive(bool interactive) {
    // The flag on the native window changes its input region in place; on the widget it would
    // hide and re-create the window.
    if (QWindow* window = windowHandle()) window->setFlag(Qt::WindowTransparentForInput, !interactive);
}

void InterfaceLabelWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    if (m_correctionHandler) m_correctionHandler();
    QWidget::mouseDoubleClickEvent(event);
}

void InterfaceLabelWindow::setAppearance(const Appearance& appearance) {
    if (!m_shadowHintSet || appearance.shadow != m_appearance.shadow)
        X11OverlayWindowHints::setCompositorShadow(windowHandle(), appearance.shadow);
    m_shadowHintSet = true;
    m_appearance = appearance;
    cutRoundedCorners();
    update();
}

void InterfaceLabelWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    cutRoundedCorners();
}

// Without a compositing manager (openbox alone, many tiling window managers) the transparent
// corners of the plate would show black; the window's shape takes them off on every desktop.
void InterfaceLabelWindow::cutRoundedCorners() {
    QPainterPath plate;
    plate.addRoundedRect(QRectF(rect()), m_appearance.cornerRadius, m_appearance.cornerRadius);
    setMask(QRegion(plate.toFillPolygon().toPolygon()));
}

void InterfaceLabelWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A manual correction wears a wider green border; other labels a thin one in the text colour.
    QColor border = m_manuallyCorrected ? QColor(52, 199, 89) : m_appearance.text;
    border.setAlphaF(0.5f);
    const double borderWidth = m_manuallyCorrected ? 1.5 : 0.8;
    const QRectF box = QRectF(rect()).adjusted(borderWidth / 2, borderWidth / 2, -borderWidth / 2, -borderWidth / 2);
    QPainterPath path;
    path.addRoundedRect(box, m_appearance.cornerRadius, m_appearance.cornerRadius);
    painter.fillPath(path, m_appearance.background);
    painter.setPen(QPen(border, borderWidth));
    painter.drawPath(path);

    const double horizontal = m_appearance.padding;
    const double vertical = std::max(0.62 * m_appearance.padding, 5.0);
    painter.setFont(m_appearance.font);
    painter.setPen(m_appearance.text);
    painter.drawText(QRectF(rect()).adjusted(horizontal, vertical, -horizontal, -vertical),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, m_translation);
}

}  // namespace ovisu
