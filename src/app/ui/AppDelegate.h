#pragma once

#include "base/SettingsStore.h"
#include "capture/DialogueTranslationCache.h"
#include "capture/RealtimeSession.h"
#include "capture/TargetWindow.h"
#include "capture/TranslationHistoryStore.h"
#include "engine/HttpTransport.h"
#include "engine/OllamaVersionProbe.h"
#include "engine/ProviderSelection.h"
#include "local/SystemTranslationBridge.h"

#include <QObject>
#include <QPointer>

#include <memory>

namespace ovisu {

class MainWindow;
class TranslationPipeline;
class WindowCapture;

// The desktop program's composition root: it owns one component per area, wires them to the
// main window, and brings the program up and down in order.
class AppDelegate : public QObject, public RealtimeSessionClient {
    Q_OBJECT
public:
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    void applicationDidFinishLaunching();
    void applicationWillTerminate();

    // Operations of the main window, the menus and the hot keys.
    void refreshWindows();
    void targetChanged(int index);
    void targetChangedIfNeeded();
    void translationModeChanged(TranslationMode mode);
    void primaryRegionAction();
    void showRegion();
    void clearRegion();
    void providerChanged(Provider provider);
    void primaryAction();
    void performManualOCR();
    void showLastErrorDetails();
    void overlayWindowOpacityChanged(double opacity);
    void updateRegionControlsForMode();
    void refreshStatusMenu();

    MainWindow& mainWindow() { return *m_mainWindow; }
    RealtimeSession& session() { return *m_session; }
    TranslationPipeline& pipeline() { return *m_pipeline; }
    SettingsStore& settings() { return m_settings; }
    const QList<TargetWindow>& targets() const { return m_targets; }

    // RealtimeSessionClient
    void realtimeStateChanged(const RealtimeTranslationState& state) override;
    void statusLabelChanged(const QString& text) override;
    void sessionStarting(bool fresh) override;
    void sessionStatisticsChanged() override;
    void translationEnded(const TranslationOutcome& outcome) override;
    void translationHistoryChanged() override;

private:
    void wireMainWindow();
    void showProviderDetails();
    void saveRegion(const QRectF& normalizedRegion);

    SettingsStore m_settings;
    ProviderSelection m_selection{m_settings};
    HttpTransport m_transport;
    DialogueTranslationCache m_cache;
    SystemTranslationBridge m_systemTranslator;
    AsyncHistoryAppender m_history;
    TranslationPipelineClient m_placeholderClient;
    std::unique_ptr<OllamaVersionProbe> m_ollama;
    std::unique_ptr<TranslationPipeline> m_pipeline;
    std::unique_ptr<WindowCapture> m_capture;
    std::unique_ptr<RealtimeSession> m_session;
    std::unique_ptr<MainWindow> m_mainWindow;

    QList<TargetWindow> m_targets;
};

}  // namespace ovisu
