#pragma once

#include <QImage>
#include <QList>
#include <QPointer>
#include <QRectF>
#include <QWidget>

#include <memory>
#include <optional>

namespace ovisu {

// "字幕区域预览": the part of a capture that the subtitle region covers, without the margins
// recognition adds, scaled down to at most 760 wide.
class RegionPreviewWindow : public QWidget {
    Q_OBJECT
public:
    explicit RegionPreviewWindow(const QImage& cut, QWidget* parent = nullptr);

    // The preview of `normalizedRegion` in `capture`; none when the cut is 4 pixels or less
    // either way (or there is no usable region).
    static std::unique_ptr<RegionPreviewWindow> create(const QImage& capture,
                                                       const std::optional<QRectF>& normalizedRegion);

    // Centres the window on the screen and brings it to the front.
    void present();

    const QImage& image() const { return m_cut; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_cut;
};

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
