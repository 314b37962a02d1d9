#pragma once

#include "engine/TranslationHistoryRecord.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

class QPlainTextEdit;
class QPushButton;

namespace ovisu {

// The questions the history actions ask the user. Behind an interface so that tests can answer
// them without modal dialogs.
class TranslationHistoryDialogs {
public:
    virtual ~TranslationHistoryDialogs() = default;
    // The export destination, proposing `proposedFileName`; none when the user cancels.
    virtual std::optional<QString> chooseExportFile(QWidget* parent, const QString& proposedFileName) = 0;
    // "确定清空全部翻译历史？": true only for "清空".
    virtual bool confirmClear(QWidget* parent) = 0;
    virtual void showError(QWidget* parent, const QString& message) = 0;
    virtual void beep() = 0;
};

// The real dialogs: a save dialog for text files, a message box, the system alert sound.
class StandardTranslationHistoryDialogs final : public TranslationHistoryDialogs {
public:
    std::optional<QString> chooseExportFile(QWidget* parent, const QString& proposedFileName) override;
    bool confirmClear(QWidget* parent) override;
    void showError(QWidget* parent, const QString& message) override;
    void beep() override;
};

// "翻译历史": the persisted history as text, newest first, with export and clear buttons.
class TranslationHistoryWindow : public QWidget {
    Q_OBJECT
public:
    explicit TranslationHistoryWindow(QWidget* parent = nullptr);

    // The rendered history, or the empty-history text when there are no records.
    void showHistory(const QList<TranslationHistoryRecord>& records);
    QString historyText() const;

    QPlainTextEdit* textView() const { return m_textView; }
    QPushButton* exportButton() const { return m_exportButton; }
    QPushButton* clearButton() const { return m_clearButton; }

signals:
    void exportRequested();
    void clearRequested();

private:
    QPlainTextEdit* m_textView = nullptr;
    QPushButton* m_exportButton = nullptr;
    QPushButton* m_clearButton = nullptr;
};

// The history actions of the menus, hot keys and the main window. The window is built on first
// open and kept; closing it only hides it. Every action reads the history file afresh.
class TranslationHistoryController : public QObject {
    Q_OBJECT
public:
    static QString proposedExportFileName();  // "Ovisu翻译历史.txt"

    explicit TranslationHistoryController(QString historyFilePath,
                                          std::unique_ptr<TranslationHistoryDialogs> dialogs = {},
                                          QObject* parent = nullptr);
    ~TranslationHistoryController() override;

    // Builds the window when needed, loads the history into it, centres it and brings it to the
    // front.
    void openTranslationHistory();
    // Writes the history as text (UTF-8, atomically) to a file the user chooses; an empty
    // history only beeps.
    void exportTranslationHistory();
    // After confirmation, saves the empty history and shows it.
    void clearTranslationHistory();
    // After an append: reloads the window's text when the window is visible.
    void refreshIfVisible();
    // The same with the list the append saved, sparing another read of the file.
    void refreshIfVisible(const QList<TranslationHistoryRecord>& history);

    TranslationHistoryWindow* historyWindow() const { return m_window; }

private:
    QWidget* dialogParent() const;
    void ensureWindow();

    QString m_historyFilePath;
    std::unique_ptr<TranslationHistoryDialogs> m_dialogs;
    QPointer<TranslationHistoryWindow> m_window;
};

}  // namespace ovisu
