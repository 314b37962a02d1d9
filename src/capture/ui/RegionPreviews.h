#pragma once

#include "capture/ui/RegionPreviewWindow.h"

#include <QList>
#include <QPointer>

#include <memory>

namespace ovisu {

// The open previews: each one is released when the user closes it, those still open when their
// owner goes.
class RegionPreviews {
public:
    RegionPreviews() = default;
    ~RegionPreviews();
    RegionPreviews(const RegionPreviews&) = delete;
    RegionPreviews& operator=(const RegionPreviews&) = delete;

    // Presents the preview and keeps it until it is closed.
    void present(std::unique_ptr<RegionPreviewWindow> preview);
    // Previews presented and not yet released.
    qsizetype openCount();

private:
    QList<QPointer<RegionPreviewWindow>> m_windows;
};

}  // namespace ovisu
