#pragma once

#include "interface/UIOCRRegion.h"
#include "interface/UIOCRRegionStore.h"

#include <QList>
#include <QRectF>
#include <QString>

#include <optional>

namespace ovisu {

// The UI regions and every operation of the region editor, without its window. Each operation
// that changes the list saves it at once; a failed save keeps the change in memory and is
// reported, so the editor still shows what the user did. Main thread only.
//
// With no enabled region interface mode reads the whole window; otherwise only text whose
// centre lies in an enabled region is translated.
class UIRegionList {
public:
    // Loads the list; a file that cannot be read gives the empty list (see loadError()).
    explicit UIRegionList(UIOCRRegionStore& store);

    const QList<UIOCRRegion>& regions() const { return m_regions; }
    QList<UIOCRRegion> enabledRegions() const;  // in list order
    // Why the file could not be read at start-up; it is set aside before the first save.
    std::optional<QString> loadError() const { return m_loadError; }

    // What the caller does after an operation.
    struct Outcome {
        bool changed = false;           // the list changed: reload the table, update the region controls
        bool refreshInterface = false;  // clear the previous fingerprint and recognise again
        std::optional<QString> statusLine;
        std::optional<QString> realtimeError;  // the save failed; the change stays in memory
        std::optional<int> selectedRow;        // keep this row selected
    };

    // The picker's rectangle as a new, enabled region named after its position.
    Outcome add(const QRectF& normalizedRect);
    // Replaces only the rectangle of the region.
    Outcome redraw(std::optional<int> row, const QRectF& normalizedRect);
    // Trimmed; a name that is empty after trimming keeps the old one. No new recognition.
    Outcome rename(std::optional<int> row, const QString& name);
    Outcome toggle(int row, bool enabled);
    // -1 up, +1 down. A move past either end is ignored and nothing is saved.
    Outcome move(std::optional<int> row, int offset);
    Outcome remove(std::optional<int> row);
    // Does nothing without regions; the caller asks for confirmation first.
    Outcome clearAll();
    // The interface centre's whole-window scope: every region is disabled and kept.
    Outcome useWholeWindow();

    // "区域 N", N being the region's 1-based position when it is created.
    static QString defaultName(int existingCount);
    // "x 0.100 · y 0.200 · w 0.300 · h 0.050"
    static QString positionText(const QRectF& r);

    static QString scopeRuleText();        // the editor's explanation of the scope
    static QString noSelectionStatus();    // "请先在区域编辑器中选择一行"
    static QString cancelButtonTitle();    // "取消"
    static QString clearAllMessage();      // "清空全部 UI 区域？"
    static QString clearAllInformativeText();
    static QString clearAllButtonTitle();  // "清空"
    static QString saveFailedPrefix();     // "保存 UI 区域失败："

private:
    bool validRow(std::optional<int> row) const;
    Outcome noSelection() const;
    // Saves the list and fills in the outcome of a change.
    Outcome persist(bool refreshInterface, std::optional<int> selectedRow = std::nullopt);

    UIOCRRegionStore& m_store;
    QList<UIOCRRegion> m_regions;
    std::optional<QString> m_loadError;
};

}  // namespace ovisu
