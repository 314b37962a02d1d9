#include "diagnostics/ui/SoftwareLogPage.h"

#include "base/AppLogger.h"
#include "diagnostics/SoftwareDiagnosticText.h"
#include "diagnostics/SoftwareLogActions.h"
#include "support/TestEnvironment.h"
#include "support/EventLoopWait.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace ovisu {
namespace {

// The application side of the page: the text is the log itself with a header, as the real one is.
class RecordingLogActions : public SoftwareLogActions {
public:
    explicit RecordingLogActions(AppLogger& log) : m_log(log) {}
    QString softwareDiagnosticText() override { return u"Ovisu诊断信息\n"_qs + m_log.combinedText(); }
    std::expected<void, QString> exportDiagnosticPackage(const QString& destination) override {
        packages.append(destination);
        if (packageError) return std::unexpected(*packageError);
        return {};
    }
    std::expected<void, QString> openFolder(const QString& path) override {
        opened.append(path);
        return {};
    }
    void revealInFileBrowser(const QString& path) override { revealed.append(path); }

    QStringList packages, opened, revealed;
    std::optional<QString> packageError;

private:
    AppLogger& m_log;
};

class ScriptedLogDialogs : public SoftwareLogDialogs {
public:
    std::optional<ExportChoice> chooseExportFile(QWidget*, const QString& packageName,
                                                 const QString& logTextName) override {
        proposed = {packageName, logTextName};
        return choice;
    }
    bool confirmClear(QWidget*) override {
        ++clearQuestions;
        return confirm;
    }
    void showAlert(QWidget*, const QString& title, const QString& description) override {
        alerts.append(title + u" | "_qs + description);
    }

    std::optional<ExportChoice> choice;
    bool confirm = false;
    int clearQuestions = 0;
    QStringList proposed, alerts;
};

struct LogPage {
    AppLogger log{test::currentHome() + u"/logs"_qs};
    RecordingLogActions actions{log};
    ScriptedLogDialogs* dialogs = new ScriptedLogDialogs;
    SoftwareLogPage page{log, actions, std::unique_ptr<SoftwareLogDialogs>(dialogs)};

    QString shown() const { return page.textView()->toPlainText(); }
    void click(const char* button) { page.findChild<QPushButton*>(QLatin1String(button))->click(); }
};

TEST(SoftwareLogPageTest, ShowsTheLogAtItsEndAndFollowsItWhileShown) {
    LogPage view;
    for (int line = 0; line < 80; ++line) view.log.info(u"ocr"_qs, u"识别第 %1 行"_qs.arg(line));
    view.page.resize(640, 420);
    view.page.show();
    EXPECT_TRUE(view.shown().endsWith(u"识别第 79 行\n"_qs));
    const QScrollBar* bar = view.page.textView()->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(view.page.summaryLabel()->text(), logUsageSummary(view.log.totalBytes()));

    // A line logged elsewhere appears without a click.
    view.log.warning(u"capture"_qs, u"窗口已关闭"_qs);
    EXPECT_TRUE(test::waitUntil([&] { return view.shown().endsWith(u"窗口已关闭\n"_qs); }, 4000));
}

TEST(SoftwareLogPageTest, CopyAndClearActOnTheLogAndSayWhatTheyDid) {
    LogPage view;
    view.log.error(u"translation"_qs, u"HTTP 500"_qs);
    view.page.show();

    view.click("copyLog");
    const QString copied = QApplication::clipboard()->text();
    EXPECT_TRUE(copied.contains(u"[ERROR] [translation] HTTP 500\n"_qs));
    EXPECT_TRUE(view.log.combinedText().endsWith(u"[INFO] [diagnostics] 用户复制了诊断日志\n"_qs));
    EXPECT_TRUE(view.shown().endsWith(u"用户复制了诊断日志\n"_qs));

    // Declined, nothing is deleted; confirmed, the log holds only the line that says so.
    view.click("clearLog");
    EXPECT_EQ(view.dialogs->clearQuestions, 1);
    EXPECT_TRUE(view.log.combinedText().contains(u"HTTP 500"_qs));
    view.dialogs->confirm = true;
    view.click("clearLog");
    EXPECT_EQ(view.log.combinedText().count(u'\n'), 1);
    EXPECT_TRUE(view.log.combinedText().endsWith(u"[INFO] [diagnostics] 日志已由用户清空\n"_qs));
    EXPECT_EQ(view.shown(), u"Ovisu诊断信息\n"_qs + view.log.combinedText());

    view.click("openLogFolder");
    EXPECT_EQ(view.actions.opened, QStringList{view.log.directoryPath()});
    EXPECT_TRUE(view.log.combinedText().endsWith(u"[INFO] [diagnostics] 用户打开了日志目录\n"_qs));
}

TEST(SoftwareLogPageTest, ExportWritesThePackageOrTheTextAndReportsFailures) {
    LogPage view;
    view.log.info(u"app"_qs, u"启动"_qs);
    view.page.setClock([] { return QDateTime(QDate(2024, 5, 1), QTime(13, 3, 7), QTimeZone::utc()); });
    view.page.show();

    view.click("exportDiagnostics");  // cancelled: nothing happens
    EXPECT_EQ(view.dialogs->proposed,
              (QStringList{u"Ovisu-1.26-完整诊断包-2024-05-01T13-03-07Z.zip"_qs,
                           u"Ovisu-诊断日志-"_qs + QDateTime(QDate(2024, 5, 1), QTime(13, 3, 7), QTimeZone::utc())
                                                       .toLocalTime()
                                                       .toString(u"yyyy-MM-dd"_qs) +
                               u".txt"_qs}));
    EXPECT_TRUE(view.actions.packages.isEmpty());

    const QString package = test::currentHome() + u"/out/诊断.zip"_qs;
    view.dialogs->choice = SoftwareLogDialogs::ExportChoice{package, SoftwareLogDialogs::ExportKind::diagnosticPackage};
    view.click("exportDiagnostics");
    EXPECT_EQ(view.actions.packages, QStringList{package});
    EXPECT_EQ(view.actions.revealed, QStringList{package});
    EXPECT_EQ(view.page.summaryLabel()->text(), u"完整诊断包已导出：诊断.zip"_qs);

    view.actions.packageError = u"诊断包压缩失败"_qs;
    view.click("exportDiagnostics");
    EXPECT_EQ(view.dialogs->alerts, QStringList{u"导出诊断包失败 | 诊断包压缩失败"_qs});
    EXPECT_EQ(view.actions.revealed.size(), 1);

    const QString text = test::currentHome() + u"/out/log.txt"_qs;
    view.dialogs->choice = SoftwareLogDialogs::ExportChoice{text, SoftwareLogDialogs::ExportKind::logText};
    view.click("exportDiagnostics");
    EXPECT_TRUE(QString::fromUtf8(test::readBytes(text)).contains(u"[INFO] [app] 启动\n"_qs));
    EXPECT_EQ(view.page.summaryLabel()->text(), u"已导出：log.txt"_qs);
    EXPECT_TRUE(view.log.combinedText().endsWith(u"[INFO] [diagnostics] 用户已导出诊断日志\n"_qs));

    // A text that cannot be written: alert and an error line, nothing else.
    test::writeBytes(test::currentHome() + u"/blocker"_qs, "file");
    view.dialogs->choice = SoftwareLogDialogs::ExportChoice{test::currentHome() + u"/blocker/log.txt"_qs,
                                                            SoftwareLogDialogs::ExportKind::logText};
    view.click("exportDiagnostics");
    ASSERT_EQ(view.dialogs->alerts.size(), 2);
    EXPECT_TRUE(view.dialogs->alerts.at(1).startsWith(u"导出日志失败 | "_qs));
    EXPECT_TRUE(view.log.combinedText().contains(u"[ERROR] [diagnostics] 导出日志失败："_qs));
}

}  // namespace
}  // namespace ovisu
