#include "diagnostics/ui/SoftwareLogPage.h"

#include "base/AppLogger.h"
#include "base/AtomicFile.h"
#include "diagnostics/DiagnosticExportNames.h"
#include "diagnostics/SoftwareDiagnosticText.h"
#include "diagnostics/SoftwareLogActions.h"
#include "engine/ui/SettingsWindowParts.h"
#include "base/ui/DestructiveConfirmation.h"

#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

namespace ovisu {
namespace {

const QString kCategory = QStringLiteral("diagnostics");
const QString kPackageFilter = QStringLiteral("完整诊断包 (*.zip)");
const QString kLogTextFilter = QStringLiteral("纯文本日志 (*.txt)");
constexpr int kFollowIntervalMs = 1000;

QString documentsFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !folder.isEmpty() && QDir(folder).exists() ? folder : QDir::homePath();
}

}  // namespace

std::optional<SoftwareLogDialogs::ExportChoice> StandardSoftwareLogDialogs::chooseExportFile(
    QWidget* parent, const QString& packageName, const QString& logTextName) {
    const QDir folder(documentsFolder());
    QFileDialog dialog(parent, QStringLiteral("导出诊断包"), folder.filePath(packageName));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({kPackageFilter, kLogTextFilter});
    dialog.selectNameFilter(kPackageFilter);
    dialog.setDefaultSuffix(QStringLiteral("zip"));
    // Each kind proposes its own name; switching the kind swaps the name and its suffix.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        const bool text = filter == kLogTextFilter;
        dialog.setDefaultSuffix(text ? QStringLiteral("txt") : QStringLiteral("zip"));
        dialog.selectFile(text ? logTextName : packageName);
    });
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.constFirst().isEmpty()) return std::nullopt;
    const bool text = dialog.selectedNameFilter() == kLogTextFilter;
    return ExportChoice{chosen.constFirst(), text ? ExportKind::logText : ExportKind::diagnosticPackage};
}

bool StandardSoftwareLogDialogs::confirmClear(QWidget* parent) {
    return confirmDestructiveAction(
        parent, {{}, QStringLiteral("清空软件日志？"),
                 QStringLiteral("当前日志和自动轮转保留的旧日志都会被删除；翻译历史和设置不受影响。"), QStringLiteral("清空")});
}

void StandardSoftwareLogDialogs::showAlert(QWidget* parent, const QString& title, const QString& description) {
    QMessageBox box(parent);
    box.setIcon(QMessageBox::Warning);
    box.setText(title);
    box.setInformativeText(description);
    box.addButton(QStringLiteral("知道了"), QMessageBox::AcceptRole);
    box.exec();
}

SoftwareLogPage::SoftwareLogPage(AppLogger& logger, SoftwareLogActions& actions,
                                 std::unique_ptr<SoftwareLogDialogs> dialogs, QWidget* parent)
    : QWidget(parent),
      m_logger(logger),
      m_actions(actions),
      m_dialogs(dialogs ? std::move(dialogs) : std::make_unique<StandardSoftwareLogDialogs>()),
      m_clock([] { return QDateTime::currentDateTime(); }),
      m_text(new QPlainTextEdit(this)),
      m_summary(new QLabel(this)),
      m_followTimer(new QTimer(this)) {
    setObjectName(QStringLiteral("softwareLogPage"));

    auto* description = makeNoteLabel(
        QStringLiteral("日志记录应用运行、OCR、翻译源和权限方面的问题，可导出后发给开发者排查。"
                       "完整诊断包会包含 API Key（已打码，只留首尾几位）、运行状态和错误详情，请只发送给信任的开发者。"),
        this);
    description->setObjectName(QStringLiteral("softwareLogDescription"));

    // The design's 11.5 points are macOS points, one pixel each at 1x, as the other windows take them.
    QFont monospace = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    monospace.setPixelSize(12);
    m_text->setObjectName(QStringLiteral("softwareLogText"));
    m_text->setFont(monospace);
    m_text->setReadOnly(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->document()->setDocumentMargin(10);
    m_text->setMinimumHeight(260);

    m_summary->setObjectName(QStringLiteral("softwareLogSummary"));
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    const auto addButton = [&](const char* name, const QString& title, void (SoftwareLogPage::*action)()) {
        auto* button = new QPushButton(title, this);
        button->setObjectName(QLatin1String(name));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, action);
        buttons->addWidget(button);
    };
    addButton("refreshLog", QStringLiteral("刷新日志"), &SoftwareLogPage::refresh);
    addButton("copyLog", QStringLiteral("复制全部"), &SoftwareLogPage::copyAll);
    addButton("exportDiagnostics", QStringLiteral("导出诊断包…"), &SoftwareLogPage::exportDiagnostics);
    addButton("openLogFolder", QStringLiteral("打开日志目录"), &SoftwareLogPage::openLogFolder);
    buttons->addStretch(1);
    addButton("clearLog", QStringLiteral("清空日志…"), &SoftwareLogPage::clearLog);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(10);
    layout->addWidget(description);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_summary);
    layout->addLayout(buttons);

    // Follows the log only while someone looks at it.
    m_followTimer->setInterval(kFollowIntervalMs);
    connect(m_followTimer, &QTimer::timeout, this, [this] {
        if (isVisible())
            refreshIfLogChanged();
        else
            m_followTimer->stop();
    });
}

SoftwareLogPage::~SoftwareLogPage() = default;

SoftwareLogPage::LogStamp SoftwareLogPage::currentStamp() const {
    return {m_logger.totalBytes(), QFileInfo(m_logger.currentFilePath()).lastModified()};
}

void SoftwareLogPage::refresh() {
    m_shownStamp = currentStamp();
    m_text->setPlainText(m_actions.softwareDiagnosticText());
    m_text->moveCursor(QTextCursor::End);
    m_text->verticalScrollBar()->setValue(m_text->verticalScrollBar()->maximum());
    m_text->horizontalScrollBar()->setValue(0);  // lines start where they are read
    m_summary->setText(logUsageSummary(m_shownStamp.totalBytes));
}

void SoftwareLogPage::refreshIfLogChanged() {
    if (currentStamp() != m_shownStamp) refresh();
}

void SoftwareLogPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
    m_followTimer->start();
}

void SoftwareLogPage::copyAll() {
    QGuiApplication::clipboard()->setText(m_actions.softwareDiagnosticText());
    m_logger.info(kCategory, QStringLiteral("用户复制了诊断日志"));
    refresh();
}

void SoftwareLogPage::exportDiagnostics() {
    const QDateTime now = m_clock();
    const auto choice = m_dialogs->chooseExportFile(window(), proposedDiagnosticPackageFileName(now),
                                                    proposedDiagnosticLogFileName(now));
    if (!choice || choice->path.isEmpty()) return;
    if (choice->kind == SoftwareLogDialogs::ExportKind::logText)
        exportLogText(choice->path);
    else
        exportPackage(choice->path);
}

void SoftwareLogPage::exportLogText(const QString& path) {
    if (const auto written = writeFileAtomically(path, m_actions.softwareDiagnosticText().toUtf8()); !written) {
        m_logger.error(kCategory, QStringLiteral("导出日志失败：") + written.error());
        m_dialogs->showAlert(window(), QStringLiteral("导出日志失败"), written.error());
        return;
    }
    m_logger.info(kCategory, QStringLiteral("用户已导出诊断日志"));
    // The line just logged is in the view before the status replaces the summary, so the next
    // look at the log finds nothing new and leaves the status standing.
    refresh();
    m_summary->setText(QStringLiteral("已导出：") + QFileInfo(path).fileName());
}

void SoftwareLogPage::exportPackage(const QString& path) {
    if (const auto built = m_actions.exportDiagnosticPackage(path); !built) {
        m_dialogs->showAlert(window(), QStringLiteral("导出诊断包失败"), built.error());
        return;
    }
    m_summary->setText(QStringLiteral("完整诊断包已导出：") + QFileInfo(path).fileName());
    m_actions.revealInFileBrowser(path);
}

void SoftwareLogPage::openLogFolder() {
    const QString folder = m_logger.directoryPath();
    auto opened = createFolders(folder);
    if (opened) opened = m_actions.openFolder(folder);
    if (!opened) {
        m_dialogs->showAlert(window(), QStringLiteral("无法打开日志目录"), opened.error());
        return;
    }
    m_logger.info(kCategory, QStringLiteral("用户打开了日志目录"));
}

void SoftwareLogPage::clearLog() {
    if (!m_dialogs->confirmClear(window())) return;
    m_logger.clear();
    m_logger.info(kCategory, QStringLiteral("日志已由用户清空"));
    refresh();
}

}  // namespace ovisu
