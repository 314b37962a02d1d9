#pragma once

#include <QDateTime>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace ovisu {

class AppLogger;
class SoftwareLogActions;

// The page's questions to the user; tests answer them without modal dialogs.
class SoftwareLogDialogs {
public:
    enum class ExportKind { diagnosticPackage, logText };
    struct ExportChoice {
        QString path;
        ExportKind kind = ExportKind::diagnosticPackage;
    };

    virtual ~SoftwareLogDialogs() = default;
    // The save dialog of "导出诊断包…": the complete package (zip) or the diagnostic text alone
    // (plain text), each with its proposed name. Nothing when cancelled.
    virtual std::optional<ExportChoice> chooseExportFile(QWidget* parent, const QString& packageName,
                                                         const QString& logTextName) = 0;
    // "清空软件日志？" answered with "清空".
    virtual bool confirmClear(QWidget* parent) = 0;
    // A warning with the title, the description and the single button "知道了".
    virtual void showAlert(QWidget* parent, const QString& title, const QString& description) = 0;
};

class StandardSoftwareLogDialogs final : public SoftwareLogDialogs {
public:
    std::optional<ExportChoice> chooseExportFile(QWidget* parent, const QString& packageName,
                                                 const QString& logTextName) override;
    bool confirmClear(QWidget* parent) override;
    void showAlert(QWidget* parent, const QString& title, const QString& description) override;
};

// The settings window's "软件日志" page: the software diagnostic text in a monospaced view kept
// at its end, the log's size, and the log's actions (refresh, copy, export, open the folder,
// clear). While shown it follows the log, reloading only when the log's size or the current
// file's modification time moved.
class SoftwareLogPage : public QWidget {
    Q_OBJECT
public:
    SoftwareLogPage(AppLogger& logger, SoftwareLogActions& actions, std::unique_ptr<SoftwareLogDialogs> dialogs = {},
                    QWidget* parent = nullptr);
    ~SoftwareLogPage() override;

    // Reloads the text and the summary line.
    void refresh();
    void copyAll();
    void exportDiagnostics();
    void openLogFolder();
    void clearLog();

    // The clock the proposed file names are made from (tests fix it).
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    QPlainTextEdit* textView() const { return m_text; }
    QLabel* summaryLabel() const { return m_summary; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct LogStamp {
        qint64 totalBytes = -1;
        QDateTime modified;
        friend bool operator==(const LogStamp&, const LogStamp&) = default;
    };
    LogStamp currentStamp() const;
    void refreshIfLogChanged();
    void exportLogText(const QString& path);
    void exportPackage(const QString& path);

    AppLogger& m_logger;
    SoftwareLogActions& m_actions;
    std::unique_ptr<SoftwareLogDialogs> m_dialogs;
    std::function<QDateTime()> m_clock;
    QPlainTextEdit* m_text;
    QLabel* m_summary;
    QTimer* m_followTimer;
    LogStamp m_shownStamp;
};

}  // namespace ovisu
