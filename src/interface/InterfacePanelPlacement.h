#pragma once

#include "interface/UIOverlayStyle.h"

#include <QList>
#include <QRectF>

#include <functional>
#include <optional>

namespace ovisu {

// Where the label of one block goes, in global screen coordinates (top-left origin, y down, as
// the window system places windows). Pure geometry: the text is measured by the caller.
struct InterfacePanelPlacementInput {
    // The game window's frame; none: no target, and the label goes to the origin.
    std::optional<QRectF> windowFrame;
    // The block's box, normalised to the window with the origin at the bottom-left.
    QRectF blockRect;
    struct Screen {
        QRectF frame;
        QRectF visibleFrame;
    };
    QList<Screen> screens;
    UIOverlayStyle style = UIOverlayStyle::besideOriginal;
    double padding = 9;
    // The translation on one line, in the label's font.
    double singleLineWidth = 0;
    // The translation wrapped to a width, in the label's font.
    std::function<double(double width)> wrappedHeight;
    // The other labels shown now.
    QList<QRectF> otherPanels;
};

class InterfacePanelPlacement {
public:
    static constexpr double gap = 7;
    static constexpr double obstacleMargin = 4;

    // The block on the screen: the window's frame scaled by the normalised box.
    static QRectF blockOnScreen(const QRectF& windowFrame, const QRectF& blockRect);
    // Candidates beside the block (right, left, below, above) or over it (bottom-aligned,
    // top-aligned), scored by the area outside the visible screen, over other labels and (beside
    // only) over the block itself; the best one, clamped into the visible screen.
    static QRectF interfacePanelFrame(const InterfacePanelPlacementInput& input);
};

}  // namespace ovisu
