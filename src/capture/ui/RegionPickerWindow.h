#pragma once

#include <QFont>
#include <QImage>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRect>
#include <QRectF>
#include <QWidget>

#include <functional>

namespace ovisu {

// The subtitle-region picker: a frameless window above all others, laid exactly over the target
// window, showing a frozen still of it. The user drags a rectangle over the subtitles; releasing
// the mouse reports it as fractions of the window (origin top-left). Escape cancels.
class RegionPickerWindow : public QWidget {
    Q_OBJECT
public:
    using Completion = std::function<void(const QRectF& normalizedRegion)>;
    using CancelHandler = std::function<void()>;

    // `frame`: the target window's frame in Qt's global (logical) coordinates.
    RegionPickerWindow(const QImage& still, const QRect& frame, QWidget* parent = nullptr);

    void setCompletion(Completion completion) { m_completion = std::move(completion); }
    void setCancelHandler(CancelHandler handler) { m_cancelHandler = std::move(handler); }

    // The current selection in view coordinates; empty before a drag.
    QRectF selection() const { return m_selection; }

    // What is being marked ("字幕区域", "UI 区域"): named in the title and the hint.
    void setSubject(const QString& subject);
    QString hintText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void updateSelection(const QPointF& position);
    void rescaleStill();
    // Reports the cancel once, unless a region was reported already.
    void cancel();

    QImage m_still;
    QImage m_scaledStill;  // the still at the view's size in device pixels, made once per size
    QFont m_hintFont;
    QString m_subject = QStringLiteral("字幕区域");
    QPointF m_dragStart;
    bool m_dragging = false;
    QRectF m_selection;
    bool m_finished = false;  // reported a region or cancelled: nothing more is reported
    Completion m_completion;
    CancelHandler m_cancelHandler;
};

}  // namespace ovisu
