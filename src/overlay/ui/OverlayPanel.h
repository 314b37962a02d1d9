#pragma once

#include "overlay/OverlayAppearance.h"
#include "overlay/OverlayGeometry.h"
#include "overlay/OverlayTextRenderer.h"

#include <QWidget>

#include <optional>

class QMouseEvent;
class QTextEdit;
class QToolButton;

namespace ovisu {

// The floating dialogue panel: a frameless tool window that never takes the focus, painted as a
// translucent rounded plate, moved by dragging anywhere and resized at its 16-point edges. It
// holds no settings of its own; the controller applies them.
class OverlayPanel : public QWidget {
    Q_OBJECT
public:
    explicit OverlayPanel(QWidget* parent = nullptr);

    void applyStyle(const OverlayAppearance& appearance);
    void applyBehavior(const OverlayAppearance& appearance);
    void setOverlayText(const OverlayText& text, bool scrollToBottom);

    bool isClickThrough() const { return m_clickThrough; }
    bool isPositionLocked() const { return m_positionLocked; }
    QColor tintColor() const { return m_tint; }
    double cornerRadius() const { return m_cornerRadius; }
    QTextEdit* textView() const { return m_text; }
    QToolButton* closeButton() const { return m_close; }

    // Starts a move or resize for a press at `localPoint` (panel coordinates), `globalPoint` on the
    // screen; false when the panel is click-through or locked.
    bool beginOverlayInteraction(const QPointF& localPoint, const QPointF& globalPoint);

signals:
    // The frame settled somewhere new: after a move or resize by the program or the window
    // manager, and once at the end of a drag (not at each of its steps).
    void frameChanged(const QRect& frame);
    void closeRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Interaction {
        OverlayResizeEdge edge;  // none: a move
        QRectF startFrame;
        QPointF startMouse;
    };

    void setHovered(bool inside);
    // The steps of a drag with the left button held, and its release; true when the event was one.
    bool continueInteraction(const QMouseEvent* event);
    bool endInteraction(const QMouseEvent* event);
    void finishInteraction();
    void updateCursor(const QPointF& localPoint);
    void layoutChildren();
    void updateWindowFlags();
    bool canInteract() const { return !m_clickThrough && !m_positionLocked; }

    QTextEdit* m_text = nullptr;
    QToolButton* m_close = nullptr;
    std::optional<Interaction> m_interaction;
    QColor m_tint;
    double m_cornerRadius = 14;
    double m_padding = 20;
    bool m_blur = false;
    bool m_shadow = true;
    bool m_alwaysOnTop = true;
    bool m_clickThrough = false;
    bool m_positionLocked = false;
    bool m_textSelectable = false;
    bool m_hovered = false;
    // Whether the reader is at the end of the text: then every later change of the text's
    // height (new lines, a bigger font, the width the window manager settles on) keeps the
    // latest translation in view. Scrolling back turns it off until the end is reached again.
    bool m_followsEnd = true;
    bool m_rebuildingText = false;
};

}  // namespace ovisu
