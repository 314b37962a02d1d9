#include "overlay/ui/OverlayPanel.h"

#include "overlay/platform/X11OverlayWindowHints.h"

#include <QAbstractTextDocumentLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolButton>

#include <algorithm>

namespace ovisu {
namespace {

Qt::Alignment textAlignment(int alignment) {
    switch (alignment) {
    case 0: return Qt::AlignLeft | Qt::AlignAbsolute;
    case 2: return Qt::AlignRight | Qt::AlignAbsolute;
    default: return Qt::AlignHCenter;
    }
}

Qt::CursorShape cursorFor(OverlayResizeEdge edge) {
    switch (edge) {
    case OverlayResizeEdge::left:
    case OverlayResizeEdge::right: return Qt::SizeHorCursor;
    case OverlayResizeEdge::top:
    case OverlayResizeEdge::bottom: return Qt::SizeVerCursor;
    case OverlayResizeEdge::topLeft:
    case OverlayResizeEdge::bottomRight: return Qt::SizeFDiagCursor;
    case OverlayResizeEdge::topRight:
    case OverlayResizeEdge::bottomLeft: return Qt::SizeBDiagCursor;
    case OverlayResizeEdge::none: break;
    }
    return Qt::ArrowCursor;
}

}  // namespace

OverlayPanel::OverlayPanel(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setMinimumSize(int(OverlayGeometry::minimumWidth), int(OverlayGeometry::minimumHeight));
    setWindowTitle(QStringLiteral("Ovisu"));
    updateWindowFlags();

    m_text = new QTextEdit(this);
    m_text->setReadOnly(true);
    m_text->setFrameShape(QFrame::NoFrame);
    m_text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text->setLineWrapMode(QTextEdit::WidgetWidth);
    m_text->setTextInteractionFlags(Qt::NoTextInteraction);
    m_text->setFocusPolicy(Qt::NoFocus);
    m_text->setContextMenuPolicy(Qt::DefaultContextMenu);
    m_text->document()->setDocumentMargin(0);
    m_text->viewport()->setAutoFillBackground(false);
    m_text->viewport()->setMouseTracking(true);
    m_text->setStyleSheet(QStringLiteral(
        "QTextEdit { background: transparent; border: none; }"
        "QScrollBar:vertical { background: transparent; width: 8px; margin: 0; }"
        "QScrollBar::handle:vertical { background: rgba(255, 255, 255, 90); border-radius: 4px; min-height: 24px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }"));
    m_text->viewport()->installEventFilter(this);
    QScrollBar* bar = m_text->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) {
        if (!m_rebuildingText) m_followsEnd = value >= bar->maximum();
    });
    // The text is laid out again after it is set (a resize, a late font), so keeping to the end
    // is done whenever the range changes, not once.
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
        if (m_followsEnd) bar->setValue(maximum);
    });

    m_close = new QToolButton(this);
    m_close->setText(QStringLiteral("×"));
    m_close->setFixedSize(28, 28);
    m_close->setAutoRaise(true);
    m_close->setFocusPolicy(Qt::NoFocus);
    m_close->setCursor(Qt::ArrowCursor);
    m_close->setToolTip(QStringLiteral("隐藏悬浮窗"));
    QFont closeFont = m_close->font();
    closeFont.setPixelSize(18);
    closeFont.setWeight(QFont::Medium);
    m_close->setFont(closeFont);
    m_close->hide();
    connect(m_close, &QToolButton::clicked, this, &OverlayPanel::closeRequested);

    setGeometry(OverlayGeometry::initialFrame().toRect());
    applyStyle(OverlayAppearance{});
}

void OverlayPanel::updateWindowFlags() {
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus;
    if (m_alwaysOnTop) flags |= Qt::WindowStaysOnTopHint;
    if (m_clickThrough) flags |= Qt::WindowTransparentForInput;
    if (!m_shadow) flags |= Qt::NoDropShadowWindowHint;
    if (flags == windowFlags()) return;
    // New flags mean a new native window: Qt hides the panel, so show it again where it was.
    const bool wasVisible = isVisible();
    const QRect frame = geometry();
    setWindowFlags(flags);
    setGeometry(frame);
    if (wasVisible) show();
}

void OverlayPanel::applyStyle(const OverlayAppearance& a) {
    // Plain X11 has no behind-window blur; the lighter tint is kept so that a compositor that
    // does blur (asked for below) and one that does not both read well.
    m_tint = a.backgroundColor;
    m_tint.setAlphaF(float(std::clamp(a.tintAlpha(), 0.0, 1.0)));
    m_cornerRadius = std::max(a.cornerRadius, 0.0);
    m_padding = std::max(a.padding, 0.0);
    m_blur = a.blurEnabled;
    if (m_shadow != a.shadowEnabled) {
        m_shadow = a.shadowEnabled;
        updateWindowFlags();
    }
    setWindowOpacity(OverlayAppearance::clampedWindowOpacity(a.windowOpacity));
    const QColor closeColor = a.closeButtonColor();
    m_close->setStyleSheet(QStringLiteral("QToolButton { color: %1; background: transparent; border: none; }"
                                          "QToolButton:hover { background: rgba(255, 255, 255, 40); border-radius: 14px; }")
                               .arg(closeColor.name()));
    if (windowHandle()) X11OverlayWindowHints::setBlurBehind(windowHandle(), m_blur);
    layoutChildren();
    update();
}

void OverlayPanel::applyBehavior(const OverlayAppearance& a) {
    m_alwaysOnTop = a.alwaysOnTop;
    m_clickThrough = a.clickThrough;
    m_positionLocked = a.positionLocked;
    m_textSelectable = a.textSelectable;
    finishInteraction();
    updateWindowFlags();
    m_text->setTextInteractionFlags(m_textSelectable ? Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard
                                                     : Qt::NoTextInteraction);
    m_text->viewport()->setCursor(m_textSelectable ? Qt::IBeamCursor : Qt::ArrowCursor);
    if (m_clickThrough) m_close->hide();
    else if (m_hovered) m_close->show();
    if (!canInteract()) unsetCursor();
}

void OverlayPanel::setOverlayText(const OverlayText& text, bool scrollToBottom) {
    QScrollBar* bar = m_text->verticalScrollBar();
    const int previous = bar->value();
    const QScopedValueRollback rebuilding(m_rebuildingText, true);
    m_followsEnd = scrollToBottom || m_followsEnd;

    QTextDocument* document = m_text->document();
    document->clear();
    QTextBlockFormat block;
    block.setAlignment(textAlignment(text.paragraph.alignment));
    block.setLineHeight(text.paragraph.lineSpacing, QTextBlockFormat::LineDistanceHeight);
    block.setBottomMargin(text.paragraph.paragraphSpacing);
    QTextCursor cursor(document);
    cursor.setBlockFormat(block);
    bool firstRun = true;
    for (const OverlayTextRun& run : text.runs) {
        QTextCharFormat format;
        format.setFont(run.font);
        format.setForeground(run.color);
        if (firstRun) cursor.setBlockCharFormat(format);
        firstRun = false;
        const QStringList lines = run.text.split(QLatin1Char('\n'));
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (i > 0) cursor.insertBlock(block, format);
            if (!lines[i].isEmpty()) cursor.insertText(lines[i], format);
        }
    }
    // Lay the text out now so the scroll range is known before scrolling.
    document->documentLayout()->documentSize();
    if (m_followsEnd) {
        m_text->moveCursor(QTextCursor::End);
        bar->setValue(bar->maximum());
    } else {
        bar->setValue(std::min(previous, bar->maximum()));
    }
}

bool OverlayPanel::beginOverlayInteraction(const QPointF& localPoint, const QPointF& globalPoint) {
    if (!canInteract()) return false;
    const OverlayResizeEdge edge = OverlayGeometry::resizeEdge(localPoint, QSizeF(size()));
    m_interaction = Interaction{edge, QRectF(geometry()), globalPoint};
    return true;
}

bool OverlayPanel::continueInteraction(const QMouseEvent* event) {
    if (!m_interaction) return false;
    if (!(event->buttons() & Qt::LeftButton)) {
        // The release went elsewhere (a lost grab): the drag is over where it stands.
        finishInteraction();
        return false;
    }
    const QPointF mouse = event->globalPosition();
    const QRectF frame =
        m_interaction->edge == OverlayResizeEdge::none
            ? OverlayGeometry::movedFrame(m_interaction->startFrame, m_interaction->startMouse, mouse)
            : OverlayGeometry::resizedFrame(m_interaction->edge, m_interaction->startFrame, m_interaction->startMouse,
                                            mouse);
    setGeometry(frame.toRect());
    return true;
}

bool OverlayPanel::endInteraction(const QMouseEvent* event) {
    if (!m_interaction || event->button() != Qt::LeftButton) return false;
    finishInteraction();
    return true;
}

void OverlayPanel::finishInteraction() {
    if (!m_interaction) return;
    m_interaction.reset();
    emit frameChanged(geometry());
}

void OverlayPanel::updateCursor(const QPointF& localPoint) {
    if (!canInteract()) {
        unsetCursor();
        return;
    }
    setCursor(cursorFor(OverlayGeometry::resizeEdge(localPoint, QSizeF(size()))));
}

void OverlayPanel::layoutChildren() {
    const double p = m_padding;
    m_text->setGeometry(QRectF(p, p, std::max(width() - 2 * p, 1.0), std::max(height() - 2 * p, 1.0)).toRect());
    m_close->move(width() - 36, 6);
    m_close->raise();
}

void OverlayPanel::setHovered(bool inside) {
    m_hovered = inside;
    m_close->setVisible(inside && !m_clickThrough);
    // While the pointer is over the panel the scroll bar stays put; otherwise it keeps out of the way.
    m_text->setVerticalScrollBarPolicy(inside ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void OverlayPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_tint);
    const QRectF plate = QRectF(rect());
    const double radius = std::min({m_cornerRadius, plate.width() / 2, plate.height() / 2});
    painter.drawRoundedRect(plate, radius, radius);
}

void OverlayPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutChildren();
    if (!m_interaction) emit frameChanged(geometry());
}

void OverlayPanel::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (!m_interaction) emit frameChanged(geometry());
}

void OverlayPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Each native window is new to the window manager: ask again for every desktop and the blur.
    if (QWindow* window = windowHandle()) {
        X11OverlayWindowHints::showOnAllDesktops(window);
        X11OverlayWindowHints::setBlurBehind(window, m_blur);
    }
}

void OverlayPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && beginOverlayInteraction(event->position(), event->globalPosition())) {
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void OverlayPanel::mouseMoveEvent(QMouseEvent* event) {
    if (continueInteraction(event)) {
        event->accept();
        return;
    }
    updateCursor(event->position());
    QWidget::mouseMoveEvent(event);
}

void OverlayPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (endInteraction(event)) {
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void OverlayPanel::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    setHovered(true);
}

void OverlayPanel::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    setHovered(false);
}

bool OverlayPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_text->viewport()) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || !canInteract()) return false;
        const QPointF local = mapFromGlobal(mouse->globalPosition());
        // With selection on, the text keeps its presses except on the resize bands.
        const bool onEdge = OverlayGeometry::resizeEdge(local, QSizeF(size())) != OverlayResizeEdge::none;
        if (m_textSelectable && !onEdge) return false;
        return beginOverlayInteraction(local, mouse->globalPosition());
    }
    case QEvent::MouseMove: return continueInteraction(static_cast<const QMouseEvent*>(event));
    case QEvent::MouseButtonRelease: return endInteraction(static_cast<const QMouseEvent*>(event));
    default: return false;
    }
}

}  // namespace ovisu
