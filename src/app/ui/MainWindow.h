#pragma once

#include "capture/RegionControls.h"
#include "capture/TranslationMode.h"
#include "engine/Provider.h"

#include <QMainWindow>

#include <optional>

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace ovisu {

// The main window: what the player uses to pick the game, mark the subtitles, choose the source
// and start. It only shows and asks; the shell decides what every request does.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    void setTargets(const QStringList& titles, int selectedIndex);
    int selectedTargetIndex() const;
    void setTargetPopupEnabled(bool enabled);
    void setTranslationMode(TranslationMode mode);
    void setRegionControls(const RegionControls& controls);
    // The sources of the pop-up (the enabled ones) and the selected one, with its note.
    void setProviders(const QList<Provider>& providers, int selectedIndex);
    void setProviderDetails(const QString& note, const QString& readiness);
    // The status line: text, tone 0 (calm) to 3 (error), and the tool tip (empty clears it).
    void setStatus(const QString& text, int tone, const QString& toolTip);
    void setStatusText(const QString& text);
    // A note under the status line on why the chosen window gives no image. Shown the first time
    // only: the status line already reports every failed capture, the note need not repeat.
    void showCaptureExplanationOnce(const QString& explanation);
    void setErrorDetailsButton(bool visible, const QString& title);
    void setPrimaryActionTitle(const QString& title);
    void setStatistics(const QString& text);
    void setOverlayOpacity(double opacity);

    QString statusText() const;
    QString primaryActionTitle() const;
    // The source the pop-up shows as current.
    std::optional<Provider> shownProvider() const;

signals:
    void refreshWindowsRequested();
    void targetChosen(int index);
    void translationModeChosen(TranslationMode mode);
    void primaryRegionActionRequested();
    void showRegionRequested();
    void clearRegionRequested();
    void providerChosen(Provider provider);
    void providerSettingsRequested();
    void primaryActionRequested();
    void manualOCRRequested();
    void errorDetailsRequested();
    void overlayOpacityChosen(double opacity);
    void historyRequested();
    void settingsRequested();

protected:
    void changeEvent(QEvent* event) override;

private:
    static void fitButtonToText(QPushButton& button);
    void fitButtonsToText();
    QWidget* buildTargetSection();
    QWidget* buildSourceSection();
    QWidget* buildSessionSection();

    QComboBox* m_targetBox = nullptr;
    QPushButton* m_refreshButton = nullptr;
    QPushButton* m_dialogueModeButton = nullptr;
    QPushButton* m_interfaceModeButton = nullptr;
    QLabel* m_regionTitle = nullptr;
    QLabel* m_regionLabel = nullptr;
    QPushButton* m_selectRegionButton = nullptr;
    QPushButton* m_showRegionButton = nullptr;
    QPushButton* m_clearRegionButton = nullptr;
    QComboBox* m_sourceBox = nullptr;
    QLabel* m_sourceNote = nullptr;
    QLabel* m_sourceReadiness = nullptr;
    QPushButton* m_primaryButton = nullptr;
    QPushButton* m_manualButton = nullptr;
    QLabel* m_statusLabel = nullptr;
    QLabel* m_captureExplanation = nullptr;
    QPushButton* m_errorButton = nullptr;
    QLabel* m_statisticsLabel = nullptr;
    QSlider* m_opacitySlider = nullptr;
    bool m_updating = false;  // programmatic changes do not echo back as requests
};

}  // namespace ovisu
