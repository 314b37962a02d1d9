#include "desktop/DesktopTestSupport.h"

#include "app/FirstRunGuide.h"
#include "base/SettingsStore.h"
#include "capture/WindowCapture.h"
#include "interface/ui/InterfaceLabelWindow.h"
#include "support/EventLoopWait.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QJsonObject>
#include <QTest>

namespace ovisu::test {

const QStringList kDialogueScript = {"今日はいい天気ですね。", "そうだね、散歩に行こうか。", "駅の近くに新しい店ができた。"};

void DesktopFixture::SetUp() {
    SettingsStore settings;
    ASSERT_TRUE(settings.setString("endpoint.9", service.baseUrl() + "/v1/chat/completions"));
    ASSERT_TRUE(settings.setInt("provider", 9));
    ASSERT_TRUE(storeFirstRunAnswer(settings, FirstRunProviderChoice::free));
}

namespace {
const QRectF kSubtitleBox(0.06, 0.71, 0.88, 0.17);
}

QRect subtitleBox(const QRect& gameFrame) {
    return QRect(gameFrame.x() + qRound(gameFrame.width() * kSubtitleBox.x()),
                 gameFrame.y() + qRound(gameFrame.height() * kSubtitleBox.y()),
                 qRound(gameFrame.width() * kSubtitleBox.width()), qRound(gameFrame.height() * kSubtitleBox.height()));
}

void dragSubtitleBox(QWidget* picker) {
    const QRect box = subtitleBox(QRect(QPoint(), picker->size()));
    const QPoint end = box.topLeft() + QPoint(box.width(), box.height());
    QTest::mousePress(picker, Qt::LeftButton, {}, box.topLeft());
    QTest::mouseMove(picker, box.center());
    QTest::mouseMove(picker, end);
    QTest::mouseRelease(picker, Qt::LeftButton, {}, end);
}

void rememberGameAndSubtitleBox(const QString& gameTitle) {
    ASSERT_TRUE(SettingsStore().setDictionary(
        "normalizedRegion", QJsonObject{{"x", kSubtitleBox.x()}, {"y", kSubtitleBox.y()},
                                        {"width", kSubtitleBox.width()}, {"height", kSubtitleBox.height()}}));
    ASSERT_TRUE(SettingsStore().setString("targetWindowTitle", "ovisu-test-game — " + gameTitle));
}

QList<InterfaceLabelWindow*> visibleInterfaceLabels() {
    QList<InterfaceLabelWindow*> labels;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* label = dynamic_cast<InterfaceLabelWindow*>(widget); label && label->isVisible()) labels.append(label);
    return labels;
}

TestGame::TestGame(const QStringList& lines, const QString& title, int holdMilliseconds) : m_title(title) {
    const QString home = currentHome();
    QFile script(home + "/script.txt");
    if (script.open(QIODevice::WriteOnly | QIODevice::Text))
        for (const QString& line : lines) script.write(QStringLiteral("葵\t%1\n").arg(line).toUtf8());
    script.close();
    m_logPath = home + "/game.log";
    start({"--script", script.fileName(), "--log", m_logPath, "--char-ms", "30", "--hold-ms",
           QString::number(holdMilliseconds), "--size", "34", "--title", title});
}

TestGame::TestGame(MenuScreens, const QString& title) : m_title(title) {
    m_logPath = currentHome() + "/game.log";
    start({"--menu", "--log", m_logPath, "--size", "34", "--title", title});
}

void TestGame::start(const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "xcb");
    m_process.setProcessEnvironment(environment);
    m_process.start(QStringLiteral(OVISU_TEST_GAME_BINARY), arguments);
    m_process.waitForStarted(5000);
}

TestGame::~TestGame() {
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) m_process.kill();
}

bool TestGame::waitUntilListed(int milliseconds) {
    const auto capture = makeWindowCapture();
    return waitUntil(
        [&] {
            const auto windows = capture->listWindows();
            return windows && std::any_of(windows->begin(), windows->end(), [&](const PlatformWindow& w) {
                       return w.isOnScreen && w.title == m_title;
                   });
        },
        milliseconds);
}

QString TestGame::log() const {
    QFile file(m_logPath);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString sentText(const fake::RecordedRequest& request) { return fake::FakeService::chatTextToTranslate(request.body); }

QStringList sentTexts(const fake::FakeService& service) {
    QStringList texts;
    for (const auto& request : service.requests()) texts << sentText(request);
    return texts;
}

bool continuesAtScaleTwo(const QString& testName) {
    if (qEnvironmentVariable("OVISU_SCALE_TWO_CHILD") == QStringLiteral("1")) {
        qunsetenv("QT_SCALE_FACTOR");  // the game itself draws at the server's pixels
        return true;
    }
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_SCALE_FACTOR", "2");
    environment.insert("OVISU_SCALE_TWO_CHILD", "1");
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=" + testName});
    const bool finished = child.waitForFinished(240000);
    const QString output = QString::fromUtf8(child.readAll());
    EXPECT_TRUE(finished) << output.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
    return false;
}

bool runOnDisplay(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

void screenshot(const QString& name) {
    const QString folder = qEnvironmentVariable("OVISU_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    spin(500);  // the windows painted, and the game under the windows that moved
    runOnDisplay("import", {"-window", "root", folder + "/" + name});
}

std::string rectText(const QRect& r) {
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

}  // namespace ovisu::test
