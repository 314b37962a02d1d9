#pragma once

#include "interface/InterfaceCenterActions.h"
#include "interface/UIElementKind.h"

#include <QWidget>

#include <array>

class QAbstractButton;
class QCheckBox;
class QLabel;

namespace ovisu {

class FontSizeStepper;

class SegmentedControl;

// "界面翻译中心": everything interface mode offers on one page, in five numbered cards. The
// window holds no values: each control calls one operation of InterfaceCenterActions and the
// window then shows the program's state again, so a refused change (the last recognised kind)
// snaps back at once. Built once and kept; closing it only hides it.
class InterfaceTranslationCenterWindow : public QWidget {
    Q_OBJECT
public:
    explicit InterfaceTranslationCenterWindow(InterfaceCenterActions& actions, QWidget* parent = nullptr);

    // Shows actions.interfaceCenterState() in every control without calling any operation.
    void refreshInterfaceTranslationCenter();
    // Refreshes, centres the window on its screen the first time, brings it to the front.
    void openInterfaceTranslationCenter();

    SegmentedControl* modeControl() const { return m_mode; }
    SegmentedControl* scopeControl() const { return m_scope; }
    SegmentedControl* styleControl() const { return m_style; }
    QCheckBox* kindBox(UIElementKind kind) const { return m_kindBoxes[static_cast<std::size_t>(kind)]; }

private:
    // Runs one operation and shows what it left behind.
    template <typename Operation>
    void perform(Operation&& operation) {
        operation();
        refreshInterfaceTranslationCenter();
    }

    InterfaceCenterActions& m_actions;
    SegmentedControl* m_mode = nullptr;
    SegmentedControl* m_scope = nullptr;
    SegmentedControl* m_style = nullptr;
    FontSizeStepper* m_fontSize = nullptr;
    QCheckBox* m_windowFollow = nullptr;
    QLabel* m_target = nullptr;
    std::array<QCheckBox*, uiElementKindCount> m_kindBoxes{};
    QLabel* m_cacheSummary = nullptr;
    bool m_placed = false;
};

}  // namespace ovisu
