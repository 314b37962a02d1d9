#include "history/ui/TranslationHistoryWindow.h"

#include "base/AtomicFile.h"
#include "history/TranslationHistoryStore.h"
#include "history/TranslationHistoryText.h"
#include "base/ui/WindowPresentation.h"
#include "base/ui/DestructiveConfirmation.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace ovisu {

namespace {

QFont cjkFont(int pixelSize, bool bold = false) {
    QFont font = withChineseFamily(QApplication::font());
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QPalette darkPalette() {
    QPalette palette;
    const QColor window(0x26, 0x26, 0x28);
    const QColor base(0x1c, 0x1c, 0x1e);
    const QColor text(0xe8, 0xe8, 0xea);
    const QColor button(0x3a, 0x3a, 0x3c);
    const QColor disabled(0x80, 0x80, 0x84);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, button);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::Highlight, QColor(0x0a, 0x60, 0xd0));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, disabled);
    palette.setColor(QPalette::Light, QColor(0x4a, 0x4a, 0x4e));
    palette.setColor(QPalette::Midlight, QColor(0x3e, 0x3e, 0x42));
    palette.setColor(QPalette::Mid, QColor(0x30, 0x30, 0x33));
    palette.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x1a));
    palette.setColor(QPalette::Shadow, Qt::black);
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabled);
    return palette;
}

}  // namespace

std::optional<QString> StandardTranslationHistoryDialogs::chooseExportFile(QWidget* parent,
                                                                           const QString& proposedFileName) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    QFileDialog dialog(parent, QStringLiteral("导出翻译历史"), QDir(folder).filePath(proposedFileName),
                       QStringLiteral("纯文本 (*.txt)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.constFirst().isEmpty())
        return std::nullopt;
    return chosen.constFirst();
}

bool StandardTranslationHistoryDialogs::confirmClear(QWidget* parent) {
    return confirmDestructiveAction(parent, {QStringLiteral("翻译历史"), QStringLiteral("确定清空全部翻译历史？"),
                                             QStringLiteral("清空后无法恢复。"), QStringLiteral("清空")});
}

void StandardTranslationHistoryDialogs::showError(QWidget* parent, const QString& message) {
    QMessageBox::warning(parent, QStringLiteral("翻译历史"), message);
}

void StandardTranslationHistoryDialogs::beep() {
    QApplication::beep();
}

TranslationHistoryWindow::TranslationHistoryWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("翻译历史"));
    setPalette(darkPalette());
    setAutoFillBackground(true);
    resize(760, 560);
    setMinimumSize(560, 380);

    auto* heading = new QLabel(QStringLiteral("翻译历史"), this);
    heading->setFont(cjkFont(24, true));
    heading->setFixedHeight(34);

    m_textView = new QPlainTextEdit(this);
    m_textView->setReadOnly(true);
    m_textView->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_textView->setFont(cjkFont(14));
    m_textView->document()->setDocumentMargin(14);
    m_textView->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_textView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_textView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_textView->setFrameShape(QFrame::StyledPanel);

    m_exportButton = new QPushButton(QStringLiteral("导出 TXT…"), this);
    m_clearButton = new QPushButton(QStringLiteral("清空历史"), this);
    for (QPushButton* button : {m_exportButton, m_clearButton}) {
        button->setFixedSize(116, 36);
        button->setFont(cjkFont(14));
        button->setAutoDefault(false);
    }
    connect(m_exportButton, &QPushButton::clicked, this, &TranslationHistoryWindow::exportRequested);
    connect(m_clearButton, &QPushButton::clicked, this, &TranslationHistoryWindow::clearRequested);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(8);
    buttons->addStretch(1);
    buttons->addWidget(m_exportButton);
    buttons->addWidget(m_clearButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 21, 24, 22);
    layout->setSpacing(0);
    layout->addWidget(heading);
    layout->addSpacing(13);
    layout->addWidget(m_textView, 1);
    layout->addSpacing(16);
    layout->addLayout(buttons);
}

void TranslationHistoryWindow::showHistory(const QList<TranslationHistoryRecord>& records) {
    m_textView->setPlainText(records.isEmpty() ? emptyHistoryText() : historyPlainText(records));
}

QString TranslationHistoryWindow::historyText() const {
    return m_textView->toPlainText();
}

QString TranslationHistoryController::proposedExportFileName() {
    return QStringLiteral("Ovisu翻译历史.txt");
}

TranslationHistoryController::TranslationHistoryController(QString historyFilePath,
                                                           std::unique_ptr<TranslationHistoryDialogs> dialogs,
                                                           QObject* parent)
    : QObject(parent),
      m_historyFilePath(std::move(historyFilePath)),
      m_dialogs(dialogs ? std::move(dialogs) : std::make_unique<StandardTranslationHistoryDialogs>()) {}

TranslationHistoryController::~TranslationHistoryController() {
    delete m_window.data();
}

void TranslationHistoryController::ensureWindow() {
    if (m_window)
        return;
    m_window = new TranslationHistoryWindow;
    connect(m_window, &TranslationHistoryWindow::exportRequested, this,
            &TranslationHistoryController::exportTranslationHistory);
    connect(m_window, &TranslationHistoryWindow::clearRequested, this,
            &TranslationHistoryController::clearTranslationHistory);
}

QWidget* TranslationHistoryController::dialogParent() const {
    if (m_window && m_window->isVisible())
        return m_window;
    return QApplication::activeWindow();
}

void TranslationHistoryController::openTranslationHistory() {
    ensureWindow();
    m_window->showHistory(TranslationHistoryStore(m_historyFilePath).load());
    centreOnScreen(*m_window);
    bringToFront(*m_window);
}

void TranslationHistoryController::exportTranslationHistory() {
    const QList<TranslationHistoryRecord> records = TranslationHistoryStore(m_historyFilePath).load();
    if (records.isEmpty()) {
        m_dialogs->beep();
        return;
    }
    const std::optional<QString> destination = m_dialogs->chooseExportFile(dialogParent(), proposedExportFileName());
    if (!destination)
        return;
    if (auto written = writeFileAtomically(*destination, historyPlainText(records).toUtf8()); !written)
        m_dialogs->showError(dialogParent(), written.error());
}

void TranslationHistoryController::clearTranslationHistory() {
    if (!m_dialogs->confirmClear(dialogParent()))
        return;
    TranslationHistoryStore store(m_historyFilePath);
    if (auto saved = store.save({}); !saved) {
        m_dialogs->showError(dialogParent(), saved.error());
        return;
    }
    if (m_window)
        m_window->showHistory({});
}

void TranslationHistoryController::refreshIfVisible() {
    if (m_window && m_window->isVisible())
        m_window->showHistory(TranslationHistoryStore(m_historyFilePath).load());
}

void TranslationHistoryController::refreshIfVisible(const QList<TranslationHistoryRecord>& history) {
    if (m_window && m_window->isVisible())
        m_window->showHistory(history);
}

}  // namespace ovisu
