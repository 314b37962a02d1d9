#include "capture/RegionControls.h"

namespace ovisu {

RegionControls RegionControls::make(TranslationMode mode, bool hasSubtitleRegion, int enabledUIRegions,
                                    int allUIRegions) {
    if (mode == TranslationMode::interface) {
        return {QStringLiteral("立即识别并贴回"),
                QStringLiteral("编辑 UI 区域"),
                QStringLiteral("打开编辑器"),
                QStringLiteral("清空区域"),
                true,
                allUIRegions > 0,
                allUIRegions > 0 ? QStringLiteral("%1/%2").arg(enabledUIRegions).arg(allUIRegions)
                                 : QStringLiteral("整窗口")};
    }
    return {QStringLiteral("立即 OCR"),
            QStringLiteral("框选 / 重选"),
            QStringLiteral("查看区域"),
            QStringLiteral("删除区域"),
            hasSubtitleRegion,
            hasSubtitleRegion,
            hasSubtitleRegion ? QStringLiteral("已框选") : QStringLiteral("未框选")};
}

}  // namespace ovisu
