#pragma once

#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "interface/InterfaceCenterActions.h"
#include "interface/UIOverlayAppearance.h"

#include <QStringList>

namespace ovisu::test {

// Records every operation the interface windows ask for, one line per call, and behaves as the
// program does where a window depends on it: the mode follows the control, the last kind on is
// refused, and (with a settings store) a font step is stored.
class RecordingInterfaceCenterActions final : public InterfaceCenterActions {
public:
    explicit RecordingInterfaceCenterActions(SettingsStore* settings = nullptr) : m_settings(settings) {}

    InterfaceCenterState state;
    mutable QStringList calls;
    // Also record each question about the state (a render that must not need the program).
    bool recordsQueries = false;

    InterfaceCenterState interfaceCenterState() const override {
        if (recordsQueries) calls << QStringLiteral("state");
        return state;
    }
    void interfaceCenterModeChanged(int segment) override {
        calls << QStringLiteral("mode %1").arg(segment);
        state.mode = segment == 1 ? TranslationMode::interface : TranslationMode::dialogue;
    }
    bool interfaceCenterKindChanged(UIElementKind kind, bool enabled) override {
        calls << QStringLiteral("kind %1 %2").arg(rawValue(kind)).arg(enabled);
        if (!enabled && state.enabledKinds == UIElementKindSet{kind}) return false;
        if (enabled)
            state.enabledKinds.insert(kind);
        else
            state.enabledKinds.erase(kind);
        return true;
    }
    void interfaceCenterScopeChanged(int segment) override { calls << QStringLiteral("scope %1").arg(segment); }
    void interfaceCenterStyleChanged(int segment) override { calls << QStringLiteral("style %1").arg(segment); }
    void interfaceCenterWindowFollowChanged(bool on) override { calls << QStringLiteral("follow %1").arg(on); }
    void interfaceFontUp() override { stepFont(QStringLiteral("fontUp"), 1); }
    void interfaceFontDown() override { stepFont(QStringLiteral("fontDown"), -1); }
    void resetInterfaceOverlayAppearance() override { calls << QStringLiteral("resetAppearance"); }
    void interfaceOverlayAppearanceChanged() override { calls << QStringLiteral("appearanceChanged"); }
    void openUIRegionEditor() override { calls << QStringLiteral("openUIRegionEditor"); }
    void openUIDictionaryEditor() override { calls << QStringLiteral("openUIDictionaryEditor"); }
    void openUICacheManager() override { calls << QStringLiteral("openUICacheManager"); }
    void clearAutomaticUICache() override { calls << QStringLiteral("clearAutomaticUICache"); }
    void performManualOCR() override { calls << QStringLiteral("performManualOCR"); }

private:
    void stepFont(const QString& call, int step) {
        calls << call;
        if (!m_settings) return;
        if (const auto next = steppedInterfaceFontSize(UIOverlayAppearance::read(*m_settings).fontSize, step))
            (void)m_settings->setDouble(SettingsKeys::interfaceOverlayFontSize, *next);
    }
    SettingsStore* m_settings;
};

}  // namespace ovisu::test
