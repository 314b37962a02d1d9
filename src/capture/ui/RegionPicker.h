#pragma once

#include "capture/ui/RegionPickerWindow.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRectF>

#include <functional>

namespace ovisu {

// Keeps at most one picker open; opening another dismisses the one before.
class RegionPicker : public QObject {
    Q_OBJECT
public:
    explicit RegionPicker(QObject* parent = nullptr);
    ~RegionPicker() override;

    // Opens the picker over `targetFrame` (the X11 window frame: device pixels, top-left origin)
    // with `image` scaled to it. `completion` receives the normalised region; `cancelled` runs on Escape.
    // `subject` names what is marked.
    void presentRegionPicker(const QImage& image, const QRectF& targetFrame,
                             RegionPickerWindow::Completion completion,
                             std::function<void()> cancelled = {}, const QString& subject = QStringLiteral("字幕区域"));
    // Hides the open picker at once and deletes it once control is back in the event loop.
    void dismissPicker();

    RegionPickerWindow* pickerWindow() const { return m_pickerWindow; }

private:
    QPointer<RegionPickerWindow> m_pickerWindow;
};

}  // namespace ovisu
