#include "interface/InterfacePanelPlacement.h"

#include <algorithm>
#include <cmath>

namespace ovisu {

namespace {

double area(const QRectF& r) { return r.isEmpty() ? 0 : r.width() * r.height(); }

double overlap(const QRectF& a, const QRectF& b) { return area(a.intersected(b)); }

// The screen holding most of the block; the first of equals.
const InterfacePanelPlacementInput::Screen* screenHolding(const QList<InterfacePanelPlacementInput::Screen>& screens,
                                                          const QRectF& block) {
    const InterfacePanelPlacementInput::Screen* best = nullptr;
    double bestArea = -1;
    for (const auto& screen : screens) {
        const double held = overlap(screen.frame, block);
        if (held > bestArea) {
            best = &screen;
            bestArea = held;
        }
    }
    return best;
}

// Outward to whole points; a coordinate a rounding error away from a whole point is that point,
// or a label 32 points tall would come out 33.
QRectF integralOutward(const QRectF& r) {
    const auto snapped = [](double v) { return std::abs(v - std::round(v)) < 1e-6 ? std::round(v) : v; };
    const double left = std::floor(snapped(r.left())), top = std::floor(snapped(r.top()));
    return {left, top, std::ceil(snapped(r.right())) - left, std::ceil(snapped(r.bottom())) - top};
}

}  // namespace

QRectF InterfacePanelPlacement::blockOnScreen(const QRectF& windowFrame, const QRectF& blockRect) {
    return {windowFrame.x() + blockRect.x() * windowFrame.width(),
            windowFrame.y() + (1.0 - blockRect.y() - blockRect.height()) * windowFrame.height(),
            blockRect.width() * windowFrame.width(), blockRect.height() * windowFrame.height()};
}

QRectF InterfacePanelPlacement::interfacePanelFrame(const InterfacePanelPlacementInput& input) {
    if (!input.windowFrame)
        return {};
    const QRectF block = blockOnScreen(*input.windowFrame, input.blockRect);
    const auto* screen = screenHolding(input.screens, block);
    if (!screen)
        return block;
    const QRectF visible = screen->visibleFrame;
    const bool beside = input.style == UIOverlayStyle::besideOriginal;

    const double p = input.padding;
    const double verticalPadding = std::max(1.24 * p, 10.0);
    const double needed = input.singleLineWidth + 2 * p;
    const double maximumWidth = std::min(std::max(0.42 * visible.width(), 120.0), 420.0);
    double width = beside ? std::min(std::max(std::min(needed, maximumWidth), 110.0), maximumWidth)
                          : std::min(std::max({needed, block.width(), 80.0}), maximumWidth);
    const double textHeight = input.wrappedHeight ? std::trunc(input.wrappedHeight(std::max(width - 2 * p, 1.0))) : 0;
    double height = verticalPadding + textHeight;
    if (!beside) height = std::max(height, block.height());
    height = std::max(height, 32.0);
    height = std::min(height, std::min(0.36 * visible.height(), 180.0));
    width = std::min(width, visible.width());
    height = std::min(height, visible.height());

    // In y-down coordinates "below" is past the block's bottom edge; the order breaks ties.
    QList<QPointF> origins;
    if (beside) {
        origins = {{block.right() + gap, block.center().y() - height / 2},
                   {block.left() - gap - width, block.center().y() - height / 2},
                   {block.center().x() - width / 2, block.bottom() + gap},
                   {block.center().x() - width / 2, block.top() - gap - height}};
    } else {
        origins = {{block.left(), block.bottom() - height}, {block.left(), block.top()}};
    }
    QList<QRectF> obstacles;
    for (const QRectF& other : input.otherPanels)
        obstacles.append(other.adjusted(-obstacleMargin, -obstacleMargin, obstacleMargin, obstacleMargin));

    QRectF best;
    double bestScore = 0;
    for (qsizetype i = 0; i < origins.size(); ++i) {
        const QRectF candidate(origins[i], QSizeF(width, height));
        double score = 20 * (area(candidate) - overlap(candidate, visible));
        for (const QRectF& obstacle : obstacles)
            score += 12 * overlap(candidate, obstacle);
        if (beside) score += 8 * overlap(candidate, block);
        score += double(i);
        if (i == 0 || score < bestScore) {
            best = candidate;
            bestScore = score;
        }
    }
    const double x = std::min(std::max(best.left(), visible.left()), visible.left() + visible.width() - best.width());
    const double y = std::min(std::max(best.top(), visible.top()), visible.top() + visible.height() - best.height());
    return integralOutward(QRectF(x, y, best.width(), best.height()));
}

}  // namespace ovisu
