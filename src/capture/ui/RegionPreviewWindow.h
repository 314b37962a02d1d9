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

}  // namespace ovisu
