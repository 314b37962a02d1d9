#include "capture/ui/RegionPreviews.h"

#include <utility>

namespace ovisu {

RegionPreviews::~RegionPreviews() {
    for (const QPointer<RegionPreviewWindow>& window : std::as_const(m_windows)) delete window.data();
}

void RegionPreviews::present(std::unique_ptr<RegionPreviewWindow> preview) {
    if (!preview) return;
    RegionPreviewWindow* window = preview.release();
    // Closing is the user saying it is done with the picture.
    window->setAttribute(Qt::WA_DeleteOnClose);
    openCount();  // forgets the ones released meanwhile
    m_windows.append(window);
    window->present();
}

qsizetype RegionPreviews::openCount() {
    m_windows.removeIf([](const QPointer<RegionPreviewWindow>& window) { return window.isNull(); });
    return m_windows.size();
}

}  // namespace ovisu
