#include "app/ui/InterfaceWindows.h"

#include "app/InterfaceModeParts.h"
#include "app/ModeCoordinator.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "base/ui/WindowPresentation.h"
#include "capture/DisplayScreens.h"
#include "interface/UIOverlayAppearance.h"
#include "interface/ui/InterfaceLabels.h"
#include "interface/ui/InterfaceTranslationCenterWindow.h"
#include "interface/ui/ManualCorrectionDialog.h"
#include "interface/ui/UICacheManagerWindow.h"
#include "interface/ui/UIDictionaryEditorWindow.h"

namespace ovisu {

InterfaceWindows::InterfaceWindows(SettingsStore& settings, ModeCoordinator& modes, InterfaceModeParts& interfaceMode,
                                   Shell shell, QObject* parent)
    : QObject(parent), m_settings(settings), m_modes(modes), m_interfaceMode(interfaceMode), m_shell(std::move(shell)) {
    m_labels = std::make_unique<InterfaceLabels>(
        settings,
        [this]() -> std::optional<QRectF> {
            const auto frame = m_modes.targetFrameOnScreen();
            return frame ? std::optional(logicalRectOnDisplays(*frame)) : std::nullopt;
        },
        [this](const QString& source) { presentManualCorrection(source); });
}

InterfaceWindows::~InterfaceWindows() = default;

bool InterfaceWindows::inInterfaceMode() const { return m_modes.translationMode() == TranslationMode::interface; }

void InterfaceWindows::openInterfaceTranslationCenter() {
    if (!m_center) m_center = std::make_unique<InterfaceTranslationCenterWindow>(*this);
    m_center->openInterfaceTranslationCenter();
}

void InterfaceWindows::refreshInterfaceTranslationCenter() {
    if (m_center) m_center->refreshInterfaceTranslationCenter();
}

void InterfaceWindows::uiRegionsChanged() {
    if (m_regionEditor) m_regionEditor->reloadUIRegionTable();
    refreshInterfaceTranslationCenter();
}

void InterfaceWindows::presentManualCorrection(const QString& source) {
    UIStoredTranslations& stored = m_interfaceMode.storedTranslations();
    ManualCorrectionDialog dialog(source, stored.correctionPrefill(source));
    centreOnScreen(dialog);
    bringToFront(dialog);
    if (dialog.exec() != QDialog::Accepted) return;
    const auto applied = m_interfaceMode.session().applyManualCorrection(source, dialog.typedTranslation());
    if (!applied || !*applied) return;
    showStatusText(UIStoredTranslations::correctionSavedStatus());
    if (m_cacheManager) m_cacheManager->renderUICacheManager();
    refreshInterfaceTranslationCenter();
}

void InterfaceWindows::targetGeometryChanged() {
    if (inInterfaceMode()) m_labels->applyInterfaceOverlayAppearance();
}

InterfaceCenterState InterfaceWindows::interfaceCenterState() const {
    InterfaceCenterState state;
    const UIOverlayAppearance appearance = UIOverlayAppearance::read(m_settings);
    InterfaceSession& session = m_interfaceMode.session();
    state.mode = m_modes.translationMode();
    state.anyRegionEnabled = !m_interfaceMode.regions().enabledRegions().isEmpty();
    state.style = storedUIOverlayStyle(m_settings);
    state.enabledKinds = session.enabledUIElementKinds();
    state.windowFollowEnabled = appearance.windowFollowEnabled;
    state.fontSize = appearance.fontSize;
    if (session.selectedTarget()) state.targetTitle = session.selectedTarget()->title;
    state.cacheSummary = m_interfaceMode.storedTranslations().summaryLine();
    return state;
}

void InterfaceWindows::interfaceCenterModeChanged(int segment) {
    m_shell.changeMode(segment == 1 ? TranslationMode::interface : TranslationMode::dialogue);
    refreshInterfaceTranslationCenter();
}

void InterfaceWindows::interfaceCenterScopeChanged(int segment) {
    if (segment != 0) {
        openUIRegionEditor();
        return;
    }
    applyUIRegionOutcome(m_interfaceMode.regions().useWholeWindow());
}

void InterfaceWindows::openUIRegionEditor() {
    if (!m_regionEditor) m_regionEditor = std::make_unique<UIRegionEditorWindow>(m_interfaceMode.regions(), *this);
    m_regionEditor->openUIRegionEditor();
}

void InterfaceWindows::interfaceCenterStyleChanged(int segment) {
    const UIOverlayStyle style = segment == 1 ? UIOverlayStyle::replaceOriginal : UIOverlayStyle::besideOriginal;
    if (const auto stored = m_settings.setInt(SettingsKeys::interfaceOverlayStyle, int(style)); !stored)
        showStatusText(stored.error());
    appearanceChanged();
}

void InterfaceWindows::stepFontSize(int step) {
    const auto next = steppedInterfaceFontSize(UIOverlayAppearance::read(m_settings).fontSize, step);
    if (!next) return;
    if (const auto stored = m_settings.setDouble(SettingsKeys::interfaceOverlayFontSize, *next); !stored)
        showStatusText(stored.error());
    appearanceChanged();
}

void InterfaceWindows::interfaceFontUp() { stepFontSize(1); }
void InterfaceWindows::interfaceFontDown() { stepFontSize(-1); }

void InterfaceWindows::resetInterfaceOverlayAppearance() {
    if (const auto stored = UIOverlayAppearance::defaults().store(m_settings); !stored) showStatusText(stored.error());
    appearanceChanged();
}

void InterfaceWindows::appearanceChanged() {
    m_labels->applyInterfaceOverlayAppearance();
    if (m_regionEditor) m_regionEditor->showInterfaceOverlayStyle();
    refreshInterfaceTranslationCenter();
    if (m_shell.renderSettingsPage) m_shell.renderSettingsPage();
}

void InterfaceWindows::interfaceCenterWindowFollowChanged(bool enabled) {
    if (const auto stored = m_settings.setBool(SettingsKeys::interfaceWindowFollowEnabled, enabled); !stored)
        showStatusText(stored.error());
    if (enabled) m_interfaceMode.session().refreshLockedTargetGeometry();
    refreshInterfaceTranslationCenter();
    if (m_shell.renderSettingsPage) m_shell.renderSettingsPage();
}

bool InterfaceWindows::interfaceCenterKindChanged(UIElementKind kind, bool enabled) {
    InterfaceSession& session = m_interfaceMode.session();
    const bool changed = session.setElementKindEnabled(kind, enabled);
    if (changed && inInterfaceMode()) session.refreshInterfaceAfterConfigurationChange();
    refreshInterfaceTranslationCenter();
    return changed;
}

void InterfaceWindows::openUIDictionaryEditor() {
    if (!m_dictionaryEditor)
        m_dictionaryEditor = std::make_unique<UIDictionaryEditorWindow>(
            m_interfaceMode.storedTranslations(), [this](const UIStoredTranslations::DictionaryOutcome& outcome) {
                if (outcome.statusLine) showStatusText(*outcome.statusLine);
                if (outcome.changed || outcome.realtimeError) storesChanged(outcome.realtimeError);
            });
    m_dictionaryEditor->openUIDictionaryEditor();
}

void InterfaceWindows::openUICacheManager() {
    if (!m_cacheManager)
        m_cacheManager = std::make_unique<UICacheManagerWindow>(
            m_interfaceMode.storedTranslations(), [this](const std::optional<QString>& error) { storesChanged(error); });
    m_cacheManager->openUICacheManager();
}

void InterfaceWindows::clearAutomaticUICache() {
    const auto cleared = m_interfaceMode.storedTranslations().clearAutomatic();
    storesChanged(cleared ? std::nullopt : std::optional(cleared.error()));
}

void InterfaceWindows::storesChanged(const std::optional<QString>& error) {
    InterfaceSession& session = m_interfaceMode.session();
    if (error) session.showState(RealtimeTranslationState::error(*error));
    session.forgetPreviousFingerprint();
    if (m_cacheManager) m_cacheManager->renderUICacheManager();
    refreshInterfaceTranslationCenter();
}

void InterfaceWindows::performManualOCR() { m_modes.performManualOCR(); }

void InterfaceWindows::pickUIRegionOnStill(std::function<void(const QRectF&)> picked) {
    m_shell.pickOnStill(std::move(picked));
}

void InterfaceWindows::applyUIRegionOutcome(const UIRegionList::Outcome& outcome) {
    m_modes.applyUIRegionOutcome(outcome);
    if (outcome.statusLine) showStatusText(*outcome.statusLine);
    refreshInterfaceTranslationCenter();
}

void InterfaceWindows::showStatusText(const QString& text) { m_shell.showStatusText(text); }

UIOverlayStyle InterfaceWindows::interfaceOverlayStyle() const { return storedUIOverlayStyle(m_settings); }

}  // namespace ovisu
