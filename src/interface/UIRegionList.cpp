#include "interface/UIRegionList.h"

#include <algorithm>

namespace ovisu {

UIRegionList::UIRegionList(UIOCRRegionStore& store) : m_store(store) {
    auto loaded = m_store.load();
    if (loaded)
        m_regions = std::move(*loaded);
    else
        m_loadError = loaded.error();
}

QList<UIOCRRegion> UIRegionList::enabledRegions() const {
    QList<UIOCRRegion> enabled;
    std::copy_if(m_regions.cbegin(), m_regions.cend(), std::back_inserter(enabled),
                 [](const UIOCRRegion& region) { return region.isEnabled; });
    return enabled;
}

bool UIRegionList::validRow(std::optional<int> row) const {
    return row && *row >= 0 && *row < m_regions.size();
}

UIRegionList::Outcome UIRegionList::noSelection() const {
    Outcome outcome;
    outcome.statusLine = noSelectionStatus();
    return outcome;
}

UIRegionList::Outcome UIRegionList::persist(bool refreshInterface, std::optional<int> selectedRow) {
    Outcome outcome;
    outcome.changed = true;
    outcome.refreshInterface = refreshInterface;
    outcome.selectedRow = selectedRow;
    if (const auto saved = m_store.save(m_regions); !saved)
        outcome.realtimeError = saveFailedPrefix() + saved.error();
    return outcome;
}

UIRegionList::Outcome UIRegionList::add(const QRectF& normalizedRect) {
    m_regions.append(UIOCRRegion{QUuid::createUuid(), defaultName(int(m_regions.size())), normalizedRect, true});
    return persist(true, int(m_regions.size()) - 1);
}

UIRegionList::Outcome UIRegionList::redraw(std::optional<int> row, const QRectF& normalizedRect) {
    if (!validRow(row))
        return noSelection();
    m_regions[*row].normalizedRect = normalizedRect;
    return persist(true, row);
}

UIRegionList::Outcome UIRegionList::rename(std::optional<int> row, const QString& name) {
    if (!validRow(row))
        return noSelection();
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return {};
    m_regions[*row].name = trimmed;
    return persist(false, row);
}

UIRegionList::Outcome UIRegionList::toggle(int row, bool enabled) {
    // The row comes from a check box's tag, so a stale table is the only way to miss.
    if (!validRow(row))
        return {};
    m_regions[row].isEnabled = enabled;
    return persist(true);
}

UIRegionList::Outcome UIRegionList::move(std::optional<int> row, int offset) {
    if (!validRow(row))
        return noSelection();
    const int target = *row + offset;
    if (target < 0 || target >= m_regions.size())
        return {};
    m_regions.swapItemsAt(*row, target);
    return persist(false, target);
}

UIRegionList::Outcome UIRegionList::remove(std::optional<int> row) {
    if (!validRow(row))
        return noSelection();
    m_regions.removeAt(*row);
    return persist(true);
}

UIRegionList::Outcome UIRegionList::clearAll() {
    if (m_regions.isEmpty())
        return {};
    m_regions.clear();
    return persist(true);
}

UIRegionList::Outcome UIRegionList::useWholeWindow() {
    for (UIOCRRegion& region : m_regions)
        region.isEnabled = false;
    return persist(true);
}

QString UIRegionList::defaultName(int existingCount) {
    return QStringLiteral("区域 ") + QString::number(existingCount + 1);
}

QString UIRegionList::positionText(const QRectF& r) {
    return QString::asprintf("x %.3f · y %.3f · w %.3f · h %.3f", r.x(), r.y(), r.width(), r.height());
}

QString UIRegionList::scopeRuleText() {
    return QStringLiteral("没有启用区域时识别整窗口；添加区域后只翻译启用区域内的文字。");
}
QString UIRegionList::noSelectionStatus() { return QStringLiteral("请先在区域编辑器中选择一行"); }
QString UIRegionList::cancelButtonTitle() { return QStringLiteral("取消"); }
QString UIRegionList::clearAllMessage() { return QStringLiteral("清空全部 UI 区域？"); }
QString UIRegionList::clearAllInformativeText() { return QStringLiteral("清空后界面模式会恢复整窗口 OCR。"); }
QString UIRegionList::clearAllButtonTitle() { return QStringLiteral("清空"); }
QString UIRegionList::saveFailedPrefix() { return QStringLiteral("保存 UI 区域失败："); }

}  // namespace ovisu
