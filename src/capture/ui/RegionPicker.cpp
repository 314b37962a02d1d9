#include "capture/ui/RegionPicker.h"

#include "base/AppLogger.h"
#include "base/ui/WindowPresentation.h"
#include "capture/DisplayScreens.h"

#include <algorithm>
#include <cmath>

namespace ovisu {

RegionPicker::RegionPicker(QObject* parent) : QObject(parent) {}

RegionPicker::~RegionPicker() {
    delete m_pickerWindow.data();
}

void RegionPicker::presentRegionPicker(const QImage& image, const QRectF& targetFrame,
                                       RegionPickerWindow::Completion completion, std::function<void()> cancelled,
                                       const QString& subject) {
    dismissPicker();

    // On a scaled screen the window server's pixels are not Qt's: the picker must cover the window.
    const QRectF logical = logicalRectOnDisplays(targetFrame);
    const QRect frame(static_cast<int>(std::lround(logical.x())), static_cast<int>(std::lround(logical.y())),
                      std::max(1, static_cast<int>(std::lround(logical.width()))),
                      std::max(1, static_cast<int>(std::lround(logical.height()))));
    auto* window = new RegionPickerWindow(image, frame);
    window->setSubject(subject);
    m_pickerWindow = window;

    QPointer<RegionPicker> self(this);
    window->setCompletion([self, window, completion = std::move(completion)](const QRectF& region) {
        // Dismiss first: the completion may well open the next picker.
        if (self && self->m_pickerWindow == window)
            self->dismissPicker();
        if (completion)
            completion(region);
    });
    window->setCancelHandler([self, window, cancelled = std::move(cancelled)] {
        if (self && self->m_pickerWindow == window)
            self->dismissPicker();
        if (cancelled)
            cancelled();
    });

    AppLogger::shared().info(QStringLiteral("region"),
                             QStringLiteral("打开框选器，目标尺寸 %1×%2")
                                 .arg(static_cast<qint64>(std::trunc(targetFrame.width())))
                                 .arg(static_cast<qint64>(std::trunc(targetFrame.height()))));

    bringToFront(*window);
    window->setFocus(Qt::ActiveWindowFocusReason);
}

void RegionPicker::dismissPicker() {
    RegionPickerWindow* window = m_pickerWindow.data();
    m_pickerWindow.clear();
    if (!window)
        return;
    window->setCompletion({});
    window->setCancelHandler({});
    window->hide();
    // Dismissing often happens inside one of the window's own event handlers.
    window->deleteLater();
}

}  // namespace ovisu
