#pragma once

#include "interface/UIOverlayStyle.h"
#include "interface/UIRegionList.h"

#include <QRectF>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

namespace ovisu {

class SegmentedControl;

// What the region editor needs from the rest of the program.
class UIRegionEditorActions {
public:
    virtual ~UIRegionEditorActions() = default;
    // A rectangle marked by the user over a fresh still of the game window (window-normalised, top-left
    // origin); `picked` is not called when the capture fails or the user cancels (the caller reports why).
    virtual void pickUIRegionOnStill(std::function<void(const QRectF&)> picked) = 0;
    // After any operation on the list: saves failures shown, interface mode refreshed, region controls updated.
    virtual void applyUIRegionOutcome(const UIRegionList::Outcome& outcome) = 0;
    virtual void showStatusText(const QString& text) = 0;  // the main window's status line
    virtual UIOverlayStyle interfaceOverlayStyle() const = 0;
    virtual void interfaceCenterStyleChanged(int segment) = 0;
};

// "UI 区域编辑器": the UI regions as a table, with every operation of UIRegionList behind a
// button. The list does the work and says what follows; the window only asks for rectangles,
// names and confirmation, and shows the result. Built once and kept; closing it only hides it.
class UIRegionEditorWindow : public QWidget {
    Q_OBJECT
public:
    UIRegionEditorWindow(UIRegionList& regions, UIRegionEditorActions& actions, QWidget* parent = nullptr);

    // Shows the list again, keeping the selected row where it still exists. Also for changes
    // made outside the editor (the interface centre's whole-window scope).
    void reloadUIRegionTable();
    // Shows actions.interfaceOverlayStyle() in the style control without changing it.
    void showInterfaceOverlayStyle();
    // Reloads, mirrors the style, shows the window (centred the first time) and fronts it.
    void openUIRegionEditor();

    QTableWidget* regionTable() const { return m_table; }
    SegmentedControl* styleControl() const { return m_style; }
    QLabel* statusLabel() const { return m_status; }
    std::optional<int> selectedRow() const;

private:
    void addRegion();
    void redrawSelectedRegion();
    void renameSelectedRegion();
    void clearAllRegions();
    void regionItemChanged(QTableWidgetItem* item);
    // Hands the outcome on, shows its status and the list as it now is.
    void apply(const UIRegionList::Outcome& outcome);
    void selectRow(std::optional<int> row);

    UIRegionList& m_regions;
    UIRegionEditorActions& m_actions;
    SegmentedControl* m_style = nullptr;
    QTableWidget* m_table = nullptr;
    QPushButton* m_clearAll = nullptr;
    QLabel* m_status = nullptr;
    bool m_placed = false;
};

}  // namespace ovisu
