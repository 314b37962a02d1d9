#pragma once

#include "capture/TranslationMode.h"
#include "interface/UIElementKind.h"
#include "interface/UIOverlayStyle.h"

#include <QString>

#include <optional>

namespace ovisu {

// What the interface translation centre shows: every value belongs to another component, so the
// window copies it in on each refresh and never keeps one of its own.
struct InterfaceCenterState {
    TranslationMode mode = TranslationMode::dialogue;
    bool anyRegionEnabled = false;
    UIOverlayStyle style = UIOverlayStyle::besideOriginal;
    UIElementKindSet enabledKinds;
    bool windowFollowEnabled = true;
    double fontSize = 16;
    // The chosen game window's title; none without one.
    std::optional<QString> targetTitle;
    // "静态缓存 N 条 · 永久人工修正 M 条 · 固定词典 K 条"
    QString cacheSummary;
};

// What the interface translation centre asks of the program. The window calls one operation per
// control and then refreshes itself from interfaceCenterState(); changes made elsewhere reach it
// through its refresh.
class InterfaceCenterActions {
public:
    virtual ~InterfaceCenterActions() = default;

    virtual InterfaceCenterState interfaceCenterState() const = 0;

    // Card 1: 0 dialogue, 1 interface; the main window's mode control follows.
    virtual void interfaceCenterModeChanged(int segment) = 0;
    // 0: whole window (every region disabled, kept); any other segment opens the region editor.
    virtual void interfaceCenterScopeChanged(int segment) = 0;
    virtual void openUIRegionEditor() = 0;
    // Card 2: 0 beside the game's text, 1 covering it; every label is placed again.
    virtual void interfaceCenterStyleChanged(int segment) = 0;
    virtual void interfaceFontUp() = 0;
    virtual void interfaceFontDown() = 0;
    virtual void resetInterfaceOverlayAppearance() = 0;
    // An appearance key of the labels was stored elsewhere (the settings window's page): every
    // label is drawn and placed again, and the windows showing the appearance follow.
    virtual void interfaceOverlayAppearanceChanged() = 0;
    // Card 3
    virtual void interfaceCenterWindowFollowChanged(bool enabled) = 0;
    // Card 4: false when the kind stays on (the last one cannot be switched off).
    virtual bool interfaceCenterKindChanged(UIElementKind kind, bool enabled) = 0;
    // Card 5
    virtual void openUIDictionaryEditor() = 0;
    virtual void openUICacheManager() = 0;
    virtual void clearAutomaticUICache() = 0;
    // "立即识别并贴回"
    virtual void performManualOCR() = 0;
};

}  // namespace ovisu
