#include "capture/ui/RegionPreviewWindow.h"

#include "capture/CaptureRegionGeometry.h"
#include "base/ui/WindowPresentation.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ovisu {

RegionPreviewWindow::RegionPreviewWindow(const QImage& cut, QWidget* parent)
    : QWidget(parent, Qt::Window), m_cut(cut) {
    setWindowTitle(QStringLiteral("字幕区域预览"));
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    const QSizeF size = CaptureRegionGeometry::previewWindowSize(cut.size());
    resize(std::max(1, static_cast<int>(std::lround(size.width()))),
           std::max(1, static_cast<int>(std::lround(size.height()))));
}

std::unique_ptr<RegionPreviewWindow> RegionPreviewWindow::create(const QImage& capture,
                                                                 const std::optional<QRectF>& normalizedRegion) {
    if (capture.isNull())
        return nullptr;
    const std::optional<QRect> cut = CaptureRegionGeometry::previewRect(capture.size(), normalizedRegion);
    if (!cut)
        return nullptr;
    return std::make_unique<RegionPreviewWindow>(capture.copy(*cut));
}

void RegionPreviewWindow::present() {
    centreOnScreen(*this);
    bringToFront(*this);
}

void RegionPreviewWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (m_cut.isNull())
        return;
    // Proportional: the window may be resized to any shape.
    QSizeF shown = QSizeF(m_cut.size()).scaled(QSizeF(size()), Qt::KeepAspectRatio);
    QRectF target(QPointF(0, 0), shown);
    target.moveCenter(QRectF(rect()).center());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_cut);
}

}  // namespace ovisu
