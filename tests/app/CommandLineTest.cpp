#include "base/ApplicationVersion.h"
#include "engine/LocalCredentialStore.h"
#include "engine/Provider.h"
#include "support/Fixtures.h"
#include "support/OvisuProcess.h"
#include "support/TestEnvironment.h"
#include "support/X11TestWindow.h"
#include "support/XvfbSession.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace ovisu;
using ovisu::test::ProgramRun;
using ovisu::test::runOvisu;

namespace {

QString fixturePath(const QString& name) { return QStringLiteral(OVISU_FIXTURE_DIR "/") + name; }

}  // namespace

TEST(CommandLine, ProvidersListsAllSourcesWithAdapterAndStatus) {
    const ProgramRun run = runOvisu({"providers"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 27);
    EXPECT_TRUE(lines[0].startsWith("raw"));
    EXPECT_TRUE(lines[1].contains("google-free") && lines[1].trimmed().endsWith("ok"));
    EXPECT_TRUE(lines[5].contains("chat-4") && lines[5].contains("缺少API Key"));
    EXPECT_TRUE(lines[26].contains("系统翻译"));
}

TEST(CommandLine, CredentialsAreSetFromStandardInputListedWithoutValuesAndDeleted) {
    ProgramRun run = runOvisu({"credentials", "set", "deepSeek"}, "sk-live-secret-9876\n");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(LocalCredentialStore::secret("DeepSeek API"), "sk-live-secret-9876");

    run = runOvisu({"credentials", "list"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.contains("DeepSeek API"));
    EXPECT_FALSE(run.out.contains("sk-live")) << run.out.toStdString();

    // Providers now sees the key.
    EXPECT_FALSE(runOvisu({"providers"}).out.split('\n')[5].contains("缺少API Key"));

    run = runOvisu({"credentials", "delete", "4"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(LocalCredentialStore::secret("DeepSeek API"), "");

    // A secret is never taken from an argument, and an empty one is refused.
    EXPECT_NE(runOvisu({"credentials", "set", "deepSeek", "sk-on-the-command-line"}).exitCode, 0);
    EXPECT_NE(runOvisu({"credentials", "set", "deepSeek"}, "\n").exitCode, 0);
    EXPECT_NE(runOvisu({"credentials", "set", "nosuch"}, "x\n").exitCode, 0);
}

TEST(CommandLine, RequestShowsTheRequestWithTheSecretMasked) {
    ASSERT_TRUE(LocalCredentialStore::save("sk-abcdefghijkl", "DeepSeek API").has_value());
    const ProgramRun run = runOvisu({"request", "--provider", "4", "--stream", "こんにちは"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("POST https://api.deepseek.com/chat/completions\n"));
    EXPECT_TRUE(run.out.contains("Authorization: Bearer sk-**********kl"));
    EXPECT_FALSE(run.out.contains("abcdefghij"));
    EXPECT_TRUE(run.out.contains("\"stream\": true"));
    EXPECT_TRUE(run.out.contains("\"type\": \"disabled\""));
    EXPECT_TRUE(run.out.contains("こんにちは"));
}

TEST(CommandLine, RequestForFormSourcesMasksNothingSecretInTheBodyAndWarnsOnIssues) {
    const ProgramRun run = runOvisu({"request", "--provider", "baidu", "猫+犬"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("POST https://fanyi-api.baidu.com/api/trans/vip/translate\n"));
    EXPECT_TRUE(run.out.contains("q=%E7%8C%AB%2B%E7%8A%AC&from=ja&to=zh&appid="));
    EXPECT_TRUE(run.err.contains("warning:"));
}

TEST(CommandLine, RequestErrorsGoToStandardErrorWithNonZeroStatus) {
    EXPECT_EQ(runOvisu({"request", "--provider", "99", "x"}).exitCode, 2);
    EXPECT_EQ(runOvisu({"request", "--provider", "4"}).exitCode, 2);
    const ProgramRun system = runOvisu({"request", "--provider", "25", "x"});
    EXPECT_EQ(system.exitCode, 1);
    EXPECT_FALSE(system.err.isEmpty());
    const ProgramRun custom = runOvisu({"request", "--provider", "custom", "x"});
    EXPECT_EQ(custom.exitCode, 1);
    EXPECT_TRUE(custom.err.contains("接口地址无效"));
    EXPECT_TRUE(custom.out.isEmpty());
    EXPECT_EQ(runOvisu({"frobnicate"}).exitCode, 2);
}

TEST(CommandLine, ParseReadsBodiesAndErrorsFromFilesAndStandardInput) {
    ProgramRun run = runOvisu({"parse", "--provider", "2", fixturePath("anthropic_messages_response.json")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "The weather in SF is currently **20°C** (68°F) and **Sunny**!\n");

    run = runOvisu({"parse", "--provider", "1", "--error", fixturePath("openai_error_invalid_api_key_401.json")});
    EXPECT_EQ(run.out, "invalid_api_key：Incorrect API key provided\n");

    run = runOvisu({"parse", "--provider", "deepL", "-"}, R"({"translations":[{"text":"你好"}]})");
    EXPECT_EQ(run.out, "你好\n");

    run = runOvisu({"parse", "--provider", "4", "-"}, "<html>bad gateway</html>");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("no translation"));
    EXPECT_EQ(runOvisu({"parse", "--provider", "4", "/nonexistent/file.json"}).exitCode, 1);
}

TEST(CommandLine, HelpAndVersion) {
    EXPECT_TRUE(runOvisu({"--help"}).out.contains("providers"));
    // The version printed is the one the project declares, shaped as the About box shows it.
    EXPECT_EQ(runOvisu({"--version"}).out, "Ovisu " + applicationVersionText() + "\n");
    EXPECT_TRUE(QRegularExpression(R"(^\d+\.\d+ \(Build \d+\)$)").match(applicationVersionText()).hasMatch());
    EXPECT_TRUE(applicationVersionText().startsWith(applicationShortVersion() + " "));
    const ProgramRun help = runOvisu({"request", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--provider"));
}

TEST(CommandLine, WindowsAndCaptureWorkOnARealXServer) {
    test::XvfbSession session;
    ASSERT_TRUE(session.isRunning()) << session.error().toStdString();
    xcb_connection_t* client = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(client));
    {
        test::X11TestWindow game(client, {60, 60, 640, 360}, "ゲーム画面", QByteArray("game\0VisualNovel\0", 17));
        game.paint();
        ProgramRun windows;
        for (int attempt = 0; attempt < 50 && !windows.out.contains("ゲーム画面"); ++attempt)
            windows = runOvisu({"windows", "--json"});
        ASSERT_EQ(windows.exitCode, 0) << windows.err.toStdString();
        const QJsonArray list = QJsonDocument::fromJson(windows.out.toUtf8()).array();
        ASSERT_EQ(list.size(), 1) << windows.out.toStdString();
        EXPECT_EQ(list[0].toObject().value("title").toString(), "VisualNovel — ゲーム画面");
        EXPECT_EQ(list[0].toObject().value("id").toInteger(), game.id());

        // Like a game, the window keeps drawing frames while the other program captures it.
        std::atomic<bool> playing = true;
        std::thread frames([&] {
            while (playing) {
                game.paint();
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
            }
        });
        const QString png = test::currentHome() + "/crop.png";
        const ProgramRun capture = runOvisu({"capture", "--window", "ゲーム", "--region", "0.5,0.5,0.5,0.5", "-o", png});
        playing = false;
        frames.join();
        ASSERT_EQ(capture.exitCode, 0) << capture.err.toStdString();
        const QImage crop(png);
        ASSERT_FALSE(crop.isNull());
        // The lower-right quarter, widened by the margins and cut at the window's edge.
        EXPECT_EQ(crop.size(), QSize(327, 195));
        EXPECT_EQ(crop.pixel(crop.width() - 5, crop.height() - 5) & 0xffffff, test::kQuadrantColours[3]);
        EXPECT_EQ(runOvisu({"capture", "--window", "nothing-like-this", "-o", png}).exitCode, 1);
    }
    xcb_disconnect(client);
}
