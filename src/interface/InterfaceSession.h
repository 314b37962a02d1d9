#pragma once

#include "capture/RealtimeFrameHandler.h"
#include "capture/RealtimeLoop.h"
#include "capture/RealtimeLoopClient.h"
#include "capture/TextRecognizer.h"
#include "interface/InterfaceRecognition.h"
#include "interface/InterfaceTranslationScheduler.h"
#include "interface/UIElementKind.h"
#include "interface/UIOCRTextBlock.h"

#include <QObject>
#include <QSet>

#include <expected>
#include <optional>

namespace ovisu {

class InterfaceOverlayPresenter;
class LocalServerStartup;
class ProviderSelection;
class ProviderSettings;
class SettingsStore;
class TranslationService;
class UIRegionList;
class UIStoredTranslations;
class WindowCapture;

// Where the translation shown for a block came from.
enum class InterfaceAnswerOrigin { manualCorrection, fixedDictionary, automaticCache, translated };
QString describe(InterfaceAnswerOrigin origin);

// One recognised block and whether it is translated (and why not).
struct InterfaceBlockVerdict {
    UIOCRTextBlock block;
    UIElementKind kind = UIElementKind::text;
    std::optional<InterfaceRecognition::Rejection> rejection;
};

// What interface mode shows or asks of the desktop program (or of a command line standing in for
// it), besides the loop's hooks. Every hook runs on the main thread.
class InterfaceSessionClient : public RealtimeLoopClient {
public:
    // Every recognition that was handled (not a stale one), with every block it found.
    virtual void interfaceRecognized(const QList<InterfaceBlockVerdict>& verdicts) { (void)verdicts; }
    // A block got its translation, from a store or from the source.
    virtual void interfaceAnswered(const UIOCRTextBlock& block, const QString& translation,
                                   InterfaceAnswerOrigin origin) {
        (void)block, (void)translation, (void)origin;
    }
};

// Interface mode on the realtime loop: a grey thumbnail of the window (or of the enabled UI
// regions) tells whether anything changed; a changed window is recognised whole, its blocks
// classified and filtered, answered from the stores, and the rest translated three at a time.
// An unchanged set of texts whose panels are all shown costs nothing more.
class InterfaceSession : public QObject,
                         private RealtimeFrameHandler,
                         private InterfaceTranslationSchedulerClient {
public:
    using RecognizerFactory = RealtimeLoop::RecognizerFactory;

    struct Parts {
        SettingsStore& settings;
        WindowCapture& capture;
        TranslationService& service;
        ProviderSelection& selection;
        ProviderSettings& providerSettings;
        UIRegionList& regions;
        UIStoredTranslations& storedTranslations;
        InterfaceOverlayPresenter& overlays;
        // Starts the local server a local source needs; none: such a source just fails.
        LocalServerStartup* localServers = nullptr;
    };

    InterfaceSession(Parts parts, InterfaceSessionClient& client, RecognizerFactory recognizerFactory,
                     QObject* parent = nullptr);
    ~InterfaceSession() override;

    void setPollingIntervalOverride(std::optional<double> seconds) { m_loop.setPollingIntervalOverride(seconds); }
    // Another window (or none): panels, requests and the fingerprint of the one before go.
    void setTarget(std::optional<TargetWindow> target);
    const std::optional<TargetWindow>& selectedTarget() const { return m_loop.target(); }
    void refreshLockedTargetGeometry() { m_loop.refreshLockedTargetGeometry(); }

    void startTranslation();
    void stopTranslation();
    void toggleTranslation();
    // Recognise now and answer everything again, even an unchanged screen; starts the session
    // when none runs.
    void performManualOCR();
    // Leaving interface mode: everything in flight is dropped and every panel removed.
    void leaveMode();
    // Elements kinds, regions, overlay style, source or prompt changed: recognise again and show
    // the result even when the texts are the same.
    void refreshInterfaceAfterConfigurationChange();
    // The translation source changed: automatic answers of the old one are dropped, and the
    // window is answered again.
    void translationSourceChanged();
    // The same without answering again (the session was stopped on purpose, by a profile say).
    void dropAnswersOfPreviousSource();
    // The check box of one kind; false when it was the last one on and stays on. The caller
    // recognises again when interface mode is in use: switched in dialogue mode, a kind must not
    // start this session beside the dialogue one.
    bool setElementKindEnabled(UIElementKind kind, bool enabled);
    const UIElementKindSet& enabledUIElementKinds() const { return m_enabledKinds; }
    void clearInterfaceOverlays(bool cancelRequests);
    // The correction dialog's "保存": stored as the permanent answer for that text and shown at
    // once, with the manual flag, on every block of the screen that reads the same. False when
    // nothing was typed; the error is "保存人工修正失败：…", also shown as the state.
    std::expected<bool, QString> applyManualCorrection(const QString& source, const QString& typed);
    // The previous fingerprint is forgotten: the next capture is recognised.
    void forgetPreviousFingerprint() { m_previousFingerprint.reset(); }

    bool isRunning() const { return m_loop.isRunning(); }
    const RealtimeTranslationState& state() const { return m_loop.state(); }
    void showState(const RealtimeTranslationState& state) { m_loop.showState(state); }
    QString lastErrorMessage() const { return m_loop.lastErrorMessage(); }
    std::optional<QDateTime> sessionStartedAt() const { return m_loop.sessionStartedAt(); }
    const QList<UIOCRTextBlock>& interfaceBlocks() const { return m_interfaceBlocks; }
    bool hasPendingTranslations() const { return m_scheduler.hasPendingWork(); }
    int translationsInFlight() const { return m_scheduler.inFlightCount(); }
    int pipelineRevision() const { return m_loop.revision(); }

private:
    struct CapturedWindow {
        QImage frame;
        QByteArray fingerprint;
    };

    FrameTask frameTask() override;
    void handleCapturedWindow(const CapturedWindow& captured);
    void recognizeInterface(const QImage& frame);
    void handleInterfaceBlocks(const QList<UIOCRTextBlock>& blocks, const std::optional<QString>& error);
    void updateInterfaceOverlays(const QList<UIOCRTextBlock>& blocks);
    void scheduleInterfaceOCRRetry();
    QList<QRectF> enabledRegionRects() const;
    bool providerIssueShown();
    bool waitForLocalServer();

    int currentPipelineRevision() const override { return m_loop.revision(); }
    bool acceptsInterfaceTranslations() const override { return m_loop.isRunning(); }
    void interfaceTranslationStarted() override;
    void interfaceTranslationArrived(const QString& sourceKey, const QString& sourceText,
                                     const QString& translation) override;
    void interfaceTranslationFailed(const QString& message) override;
    void interfaceTranslationsSettled() override;

    Parts m_parts;
    InterfaceSessionClient& m_client;
    InterfaceTranslationScheduler m_scheduler;
    UIElementKindSet m_enabledKinds;

    QList<UIOCRTextBlock> m_interfaceBlocks;
    QSet<QString> m_interfaceLastSignatures;
    bool m_interfaceRefreshRequested = false;
    bool m_interfaceEmptyRetryAvailable = true;
    std::optional<QByteArray> m_previousFingerprint;
    bool m_forceVerification = false;
    // Last: it is torn down first, so no result of its worker reaches a half-destroyed session.
    RealtimeLoop m_loop;
};

}  // namespace ovisu
