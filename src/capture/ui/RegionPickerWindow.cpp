#include "capture/ui/RegionPickerWindow.h"

#include "base/AppLogger.h"
#include "capture/CaptureRegionGeometry.h"
#include "capture/DisplayScreens.h"
#include "base/ui/WindowPresentation.h"

#include <QCloseEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>

namespace ovisu {

namespace {

constexpr double dimmingAlpha = 0.48;
constexpr double hintBackgroundAlpha = 0.65;
constexpr double hintTop = 20;
constexpr double strokeWidth = 3;
const QColor selectionColor(255, 204, 0);  // the system yellow

QFont hintFont() {
    // The hint is Chinese: a CJK face, so no glyph falls back to a box.
    QFont font = withChineseFamily(QFont());
    font.setPixelSize(18);
    font.setBold(true);
    return font;
}

}  // namespace

RegionPickerWindow::RegionPickerWindow(const QImage& still, const QRect& frame, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_still(still),
      m_hintFont(hintFont()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::CrossCursor);
    setWindowTitle(QStringLiteral("框选") + m_subject);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    setGeometry(frame);
    rescaleStill();
}

void RegionPickerWindow::setSubject(const QString& subject) {
    // Latin letters after Chinese ones take a space, as everywhere in the program's texts.
    m_subject = !subject.isEmpty() && subject.front().isLetter() && subject.front().unicode() < 0x80
                    ? QLatin1Char(' ') + subject
                    : subject;
    setWindowTitle(QStringLiteral("框选") + m_subject);
    update();
}

QString RegionPickerWindow::hintText() const {
    return QStringLiteral("拖动框选") + m_subject + QStringLiteral(" · 松开鼠标确认 · Esc 取消");
}

void RegionPickerWindow::rescaleStill() {
    if (m_still.isNull() || width() <= 0 || height() <= 0) {
        m_scaledStill = QImage();
        return;
    }
    const double ratio = devicePixelRatioF();
    const QSize pixels(std::max(1, static_cast<int>(std::lround(width() * ratio))),
                       std::max(1, static_cast<int>(std::lround(height() * ratio))));
    m_scaledStill = m_still.size() == pixels
                        ? m_still
                        : m_still.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    m_scaledStill.setDevicePixelRatio(ratio);
}

void RegionPickerWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    rescaleStill();
}

void RegionPickerWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF bounds = rect();
    painter.fillRect(bounds, Qt::black);
    if (!m_scaledStill.isNull())
        painter.drawImage(bounds, m_scaledStill);
    painter.fillRect(bounds, QColor::fromRgbF(0, 0, 0, dimmingAlpha));

    if (!m_selection.isEmpty()) {
        if (!m_scaledStill.isNull()) {
            painter.save();
            painter.setClipRect(m_selection);
            painter.drawImage(bounds, m_scaledStill);
            painter.restore();
        }
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(selectionColor, strokeWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(m_selection);
        painter.setRenderHint(QPainter::Antialiasing, false);
    }

    const QFontMetricsF metrics(m_hintFont);
    const QString hint = hintText();
    const double textWidth = metrics.horizontalAdvance(hint);
    const QRectF hintBox((bounds.width() - textWidth) * 0.5, hintTop, textWidth, metrics.height());
    painter.fillRect(hintBox, QColor::fromRgbF(0, 0, 0, hintBackgroundAlpha));
    painter.setFont(m_hintFont);
    painter.setPen(Qt::white);
    painter.drawText(QPointF(hintBox.left(), hintBox.top() + metrics.ascent()), hint);
}

void RegionPickerWindow::updateSelection(const QPointF& position) {
    const QPointF point = CaptureRegionGeometry::clampedToView(position, QSizeF(size()));
    m_selection = CaptureRegionGeometry::selectionBetween(m_dragStart, point);
    update();
}

void RegionPickerWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_dragStart = CaptureRegionGeometry::clampedToView(event->position(), QSizeF(size()));
    m_dragging = true;
    m_selection = QRectF();
    update();
}

void RegionPickerWindow::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging || !(event->buttons() & Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    updateSelection(event->position());
}

void RegionPickerWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_dragging || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
    updateSelection(event->position());
    // A click or a tiny drag is most likely a slip: keep the picker open for another try.
    if (m_finished || !CaptureRegionGeometry::isAcceptedSelection(m_selection))
        return;
    const std::optional<QRectF> region = CaptureRegionGeometry::normalizedSelection(m_selection, QSizeF(size()));
    if (!region)
        return;
    m_finished = true;
    // The completion usually dismisses (and deletes later) this window: touch nothing after it.
    if (m_completion) {
        const Completion completion = m_completion;
        completion(*region);
    }
}

void RegionPickerWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape) {
        QWidget::keyPressEvent(event);
        return;
    }
    // Without a handler nobody else will take the picker away.
    if (!m_finished && !m_cancelHandler)
        hide();
    cancel();
}

void RegionPickerWindow::closeEvent(QCloseEvent* event) {
    // Closed by the window manager: the same as Escape, so the caller is never left waiting.
    cancel();
    event->accept();
}

void RegionPickerWindow::cancel() {
    if (m_finished)
        return;
    m_finished = true;
    // The handler usually dismisses (and deletes later) this window: touch nothing after it.
    if (m_cancelHandler) {
        const CancelHandler handler = m_cancelHandler;
        handler();
    }
}

}  // namespace ovisu
