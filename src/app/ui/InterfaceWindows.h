#pragma once

#include "interface/InterfaceCenterActions.h"
#include "interface/UIRegionList.h"
#include "interface/ui/UIRegionEditorWindow.h"

#include <QObject>
#include <QRectF>

#include <functional>
#include <memory>

namespace ovisu {

class InterfaceLabels;
class InterfaceModeParts;
class InterfaceTranslationCenterWindow;
class ModeCoordinator;
class SettingsStore;
class UICacheManagerWindow;
class UIDictionaryEditorWindow;

// Interface mode as the user sees and sets it up: the labels over the game, the interface
// translation centre, the UI region editor, the fixed dictionary editor, the cache manager and
// the correction dialog. It answers the centre's and the editor's controls with the operations of
// the components that own each setting, and keeps every open window current after each change.
class InterfaceWindows : public QObject, public InterfaceCenterActions, public UIRegionEditorActions {
    Q_OBJECT
public:
    // What only the shell can do.
    struct Shell {
        // The main window's mode switch, with everything it does.
        std::function<void(TranslationMode)> changeMode;
        std::function<void(const QString&)> showStatusText;
        // A rectangle marked over a fresh still of the game; not called when that fails.
        std::function<void(std::function<void(const QRectF&)>)> pickOnStill;
        // The settings window shows the labels' look too.
        std::function<void()> renderSettingsPage;
    };

    InterfaceWindows(SettingsStore& settings, ModeCoordinator& modes, InterfaceModeParts& interfaceMode, Shell shell,
                     QObject* parent = nullptr);
    ~InterfaceWindows() override;

    InterfaceLabels& labels() { return *m_labels; }

    void openInterfaceTranslationCenter();
    // Safe before the centre was ever opened.
    void refreshInterfaceTranslationCenter();
    // The UI regions changed outside the editor (the main window's buttons).
    void uiRegionsChanged();
    // A label was Alt-double-clicked: the permanent correction of its text.
    void presentManualCorrection(const QString& source);
    // The game window moved or changed size: the labels go with it.
    void targetGeometryChanged();

    // InterfaceCenterActions
    InterfaceCenterState interfaceCenterState() const override;
    void interfaceCenterModeChanged(int segment) override;
    void interfaceCenterScopeChanged(int segment) override;
    void openUIRegionEditor() override;
    void interfaceCenterStyleChanged(int segment) override;
    void interfaceFontUp() override;
    void interfaceFontDown() override;
    void resetInterfaceOverlayAppearance() override;
    void interfaceOverlayAppearanceChanged() override { appearanceChanged(); }
    void interfaceCenterWindowFollowChanged(bool enabled) override;
    bool interfaceCenterKindChanged(UIElementKind kind, bool enabled) override;
    void openUIDictionaryEditor() override;
    void openUICacheManager() override;
    void clearAutomaticUICache() override;
    void performManualOCR() override;

    // UIRegionEditorActions
    void pickUIRegionOnStill(std::function<void(const QRectF&)> picked) override;
    void applyUIRegionOutcome(const UIRegionList::Outcome& outcome) override;
    void showStatusText(const QString& text) override;
    UIOverlayStyle interfaceOverlayStyle() const override;

private:
    bool inInterfaceMode() const;
    // The labels drawn and placed again, the windows that show the appearance brought up to date.
    void appearanceChanged();
    // A store changed from one of the windows: a failure is the interface mode's error, the
    // next capture is recognised again and the windows follow.
    void storesChanged(const std::optional<QString>& error);
    void stepFontSize(int step);

    SettingsStore& m_settings;
    ModeCoordinator& m_modes;
    InterfaceModeParts& m_interfaceMode;
    Shell m_shell;
    std::unique_ptr<InterfaceLabels> m_labels;
    std::unique_ptr<InterfaceTranslationCenterWindow> m_center;
    std::unique_ptr<UIRegionEditorWindow> m_regionEditor;
    std::unique_ptr<UIDictionaryEditorWindow> m_dictionaryEditor;
    std::unique_ptr<UICacheManagerWindow> m_cacheManager;
};

}  // namespace ovisu
