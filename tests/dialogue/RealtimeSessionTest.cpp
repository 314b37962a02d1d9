#include "base/SettingsStore.h"
#include "dialogue/RealtimeSession.h"
#include "capture/WindowCapture.h"
#include "engine/HttpTransport.h"
#include "engine/ProviderSelection.h"
#include "dialogue/TranslationPipeline.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"
#include "support/fake/FakeService.h"

#include <QMutex>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>

using namespace ovisu;
using test::spin;
using test::waitUntil;

namespace {

const PlatformWindow kGame{42, QRect(0, 0, 800, 450), QString("Game"), true, 0, 1, QString("Game")};

// What the fake game shows: its text, which the scripted recogniser "reads", and a frame colour
// that changes with it, so the thumbnail sees every change.
struct Screen {
    QMutex mutex;
    QString text;
    // Texts the screen moves on to, one after each reading (a reveal between two captures).
    QStringList upcoming;
    // Off: the text changes the frame too little for the fingerprint to see (one pixel a shade
    // lighter or darker), yet the picture is not the same.
    bool frameFollowsText = true;
    int recognitions = 0;
    // While set, a reading waits (as a slow recognition does) until it is let go or cancelled.
    std::atomic<bool> readingsHeld = false;
    std::atomic<int> readingsStarted = 0;

    void show(const QString& newText) {
        QMutexLocker lock(&mutex);
        text = newText;
    }
    QString read() {
        QMutexLocker lock(&mutex);
        ++recognitions;
        const QString shown = text;
        if (!upcoming.isEmpty()) text = upcoming.takeFirst();
        return shown;
    }
};

class ScreenCapture : public WindowCapture {
public:
    explicit ScreenCapture(Screen& screen) : m_screen(screen) {}
    std::expected<QList<PlatformWindow>, CaptureFailure> listWindows() override { return QList<PlatformWindow>{kGame}; }
    std::expected<QRect, CaptureFailure> windowFrame(quint32) override { return QRect(0, 0, 800, 450); }
    std::expected<QImage, CaptureFailure> captureWindow(quint32) override {
        QMutexLocker lock(&m_screen.mutex);
        // The text drawn as a row of marks in the subtitle box, one per bit of its hash.
        QImage image(800, 450, QImage::Format_RGB32);
        image.fill(QColor(30, 30, 40));
        const uint hash = qHash(m_screen.text);
        if (!m_screen.frameFollowsText) {
            image.setPixelColor(400, 350, QColor(30 + int(hash % 8), 30, 40));
            return image;
        }
        for (int bit = 0; bit < 32; ++bit)
            if (hash & (1u << bit)) fillMark(image, bit);
        return image;
    }

private:
    static void fillMark(QImage& image, int bit) {
        for (int y = 330; y < 370; ++y)
            for (int x = 60 + bit * 21; x < 75 + bit * 21; ++x) image.setPixelColor(x, y, Qt::white);
    }
    Screen& m_screen;
};

// The recogniser reads whatever the screen shows, with good confidence. Held, it waits like a
// long pass and, like Tesseract, gives up with its error when the cancel check says so.
class ScreenReader : public TextRecognizer {
public:
    explicit ScreenReader(Screen& screen) : m_screen(screen) {}
    std::expected<QList<RecognizedLine>, QString> recognize(const QImage&, const TextRecognitionRequest&) override {
        ++m_screen.readingsStarted;
        while (m_screen.readingsHeld) {
            if (m_cancelCheck && m_cancelCheck()) return std::unexpected(QStringLiteral("文字识别已取消"));
            QThread::msleep(5);
        }
        const QString text = m_screen.read();
        if (text.isEmpty()) return QList<RecognizedLine>{};
        return QList<RecognizedLine>{{text, 0.95, QRectF(0.1, 0.4, 0.8, 0.2)}};
    }

    void setCancelCheck(std::function<bool()> check) override { m_cancelCheck = std::move(check); }

private:
    Screen& m_screen;
    std::function<bool()> m_cancelCheck;
};

class StateLog : public RealtimeSessionClient {
public:
    QList<RealtimeTranslationState> states;
    QStringList statusLabels;
    QList<TranslationOutcome> outcomes;
    void realtimeStateChanged(const RealtimeTranslationState& state) override { states.append(state); }
    void statusLabelChanged(const QString& text) override { statusLabels.append(text); }
    void translationEnded(const TranslationOutcome& outcome) override { outcomes.append(outcome); }
};

class RealtimeSessionTest : public ::testing::Test {
protected:
    fake::FakeService service;
    SettingsStore settings;
    ProviderSelection selection{settings};
    HttpTransport transport;
    Screen screen;
    ScreenCapture capture{screen};
    StateLog log;
    std::unique_ptr<TranslationPipeline> pipeline;
    std::unique_ptr<RealtimeSession> session;

    void SetUp() override {
        ASSERT_TRUE(settings.setString("endpoint.9", service.baseUrl() + "/v1/chat/completions"));
        ASSERT_TRUE(selection.providerChanged(Provider::sakura));
        pipeline = std::make_unique<TranslationPipeline>(
            TranslationPipeline::Services{settings, selection, transport, nullptr, nullptr, nullptr});
        session = std::make_unique<RealtimeSession>(settings, capture, *pipeline, log,
                                                    [this] { return std::make_unique<ScreenReader>(screen); });
        session->setPollingIntervalOverride(0.05);
        session->setTarget(TargetWindow::make(kGame));
        session->setRegion(QRectF(0.05, 0.65, 0.9, 0.3));
    }

    // A held reading would keep the session's destructor waiting.
    void TearDown() override { screen.readingsHeld = false; }

    QStringList sentTexts() const {
        QStringList texts;
        for (const auto& request : service.requests()) texts.append(fake::FakeService::chatTextToTranslate(request.body));
        return texts;
    }
};

}  // namespace

TEST_F(RealtimeSessionTest, AStableLineIsTranslatedOnceAndNotAgainWhileItStays) {
    screen.show("今日はいい天気ですね。");
    session->startTranslation();
    ASSERT_TRUE(session->isRunning());
    ASSERT_TRUE(waitUntil([&] { return !log.outcomes.isEmpty(); }));
    EXPECT_TRUE(log.outcomes.first().succeeded());
    EXPECT_EQ(log.outcomes.first().original, "今日はいい天気ですね。");
    spin(400);  // many more ticks over an unchanged screen
    EXPECT_EQ(service.requestCount(), 1);
    // The capture after the reading showed the very same picture: that confirmed the line, and a
    // second recognition (which can outlast a reader's pause on a loaded machine) was not waited for.
    EXPECT_EQ(screen.recognitions, 1);
    EXPECT_EQ(log.states.first().kind, RealtimeTranslationState::Kind::capturing);
    EXPECT_TRUE(std::any_of(log.states.begin(), log.states.end(), [](const auto& s) {
        return s.kind == RealtimeTranslationState::Kind::waitingForStableText;
    }));
}

TEST_F(RealtimeSessionTest, TypewriterRevealSendsOnlyTheWholeLine) {
    session->startTranslation();
    for (const char* partial : {"今", "今日は", "今日はいい", "今日はいい天気", "今日はいい天気ですね"}) {
        const int before = screen.recognitions;
        screen.show(QString::fromUtf8(partial));
        ASSERT_TRUE(waitUntil([&] { return screen.recognitions > before; }));  // read once, then changes again
    }
    screen.show("今日はいい天気ですね。");
    ASSERT_TRUE(waitUntil([&] { return !log.outcomes.isEmpty(); }));
    spin(300);
    EXPECT_EQ(service.requestCount(), 1);
    EXPECT_EQ(log.outcomes.first().original, "今日はいい天気ですね。");

    screen.show("次の台詞です。");
    ASSERT_TRUE(waitUntil([&] { return log.outcomes.size() == 2; }));
    spin(300);
    EXPECT_EQ(service.requestCount(), 2);
}

// A reveal caught at its first character reads as too little text, and what follows changes
// the frame too little to be seen: the change is still read until two readings agree.
TEST_F(RealtimeSessionTest, AChangeIsReadUntilTwoReadingsAgreeThoughTheFrameStopsChanging) {
    screen.frameFollowsText = false;
    screen.show("今");
    // The too-short reading is read twice (fast, then the accurate retry), then the line is whole.
    screen.upcoming = {"今", "今日はいい天気ですね。"};
    session->startTranslation();
    ASSERT_TRUE(waitUntil([&] { return !log.outcomes.isEmpty(); }));
    spin(300);
    EXPECT_EQ(sentTexts(), QStringList{"今日はいい天気ですね。"});
    const int readings = screen.recognitions;
    spin(300);
    EXPECT_EQ(screen.recognitions, readings) << "once the readings agree, an unchanged frame is not read again";
}

TEST_F(RealtimeSessionTest, PauseAndResumeKeepTheLastTranslatedLine) {
    screen.show("さようなら。");
    session->startTranslation();
    ASSERT_TRUE(waitUntil([&] { return !log.outcomes.isEmpty(); }));
    session->stopTranslation();
    EXPECT_EQ(session->state().kind, RealtimeTranslationState::Kind::paused);
    EXPECT_FALSE(session->isRunning());
    const qsizetype before = log.states.size();
    session->startTranslation();  // resume
    spin(500);
    EXPECT_EQ(service.requestCount(), 1);
    // The line on screen was recognised again and known as translated.
    EXPECT_TRUE(std::any_of(log.states.begin() + before, log.states.end(), [](const auto& s) {
        return s.kind == RealtimeTranslationState::Kind::showingResult;
    }));
}

TEST_F(RealtimeSessionTest, NothingStartsWithoutTargetRegionOrAWorkingSource) {
    session->setRegion(std::nullopt);
    session->startTranslation();
    EXPECT_FALSE(session->isRunning());
    EXPECT_EQ(log.statusLabels.last(), "请先框选字幕区域");

    session->setRegion(QRectF(0.1, 0.7, 0.8, 0.2));
    ASSERT_TRUE(settings.setString("endpoint.9", "ftp://nowhere"));
    session->startTranslation();
    EXPECT_FALSE(session->isRunning());
    EXPECT_TRUE(session->state().message.startsWith("Sakura（本地）：接口地址无效。"));
}

TEST_F(RealtimeSessionTest, ManualRecognitionNeedsTwoAlikeReadings) {
    screen.show("一度だけ。");
    session->performManualOCR();
    ASSERT_TRUE(waitUntil([&] { return !log.outcomes.isEmpty(); }));
    EXPECT_EQ(screen.recognitions, 2);
    EXPECT_TRUE(log.statusLabels.contains("等待文本保持不变，正在进行第二次确认…"));
    EXPECT_FALSE(session->isRunning());
}

TEST_F(RealtimeSessionTest, ManualRecognitionGivesUpAfterSixChangingReadings) {
    int page = 0;
    QTimer typing;
    QObject::connect(&typing, &QTimer::timeout, [&] { screen.show(QStringLiteral("変わり続ける%1").arg(++page)); });
    screen.show("変わり続ける0");
    typing.start(100);
    session->performManualOCR();
    ASSERT_TRUE(waitUntil([&] { return session->state().isError(); }, 10000));
    EXPECT_EQ(session->state().message, "文本仍在变化，未开始翻译；请等待字幕完整后再点立即 OCR");
    EXPECT_EQ(screen.recognitions, 6);
    EXPECT_EQ(service.requestCount(), 0);
}

TEST_F(RealtimeSessionTest, ModeSwitchStopsTheSessionStoresTheModeAndResumesInIt) {
    screen.show("切り替える前。");
    session->startTranslation();
    ASSERT_TRUE(waitUntil([&] { return !log.outcomes.isEmpty(); }));

    // Interface mode runs on another session: the switch stops this one for good.
    session->translationModeChanged(TranslationMode::interface);
    EXPECT_FALSE(session->isRunning());
    EXPECT_EQ(session->state().kind, RealtimeTranslationState::Kind::idle);
    EXPECT_EQ(settings.intValue("translationMode", -1), 1);
    spin(200);
    EXPECT_FALSE(session->isRunning());
    const int readBefore = screen.recognitions;
    session->performManualOCR();
    spin(200);
    EXPECT_EQ(screen.recognitions, readBefore);
    EXPECT_EQ(service.requestCount(), 1);
    EXPECT_TRUE(log.statusLabels.last().startsWith("当前为界面模式")) << "a refused start says why";

    // A command that reads dialogue does so whatever mode was stored, and leaves it stored.
    session->useModeTransiently(TranslationMode::dialogue);
    session->startTranslation();
    EXPECT_TRUE(session->isRunning());
    EXPECT_EQ(settings.intValue("translationMode", -1), 1);
    session->stopTranslation();
    session->translationModeChanged(TranslationMode::interface);

    // Back to dialogue while stopped: nothing starts by itself, and a new session reads afresh.
    session->translationModeChanged(TranslationMode::dialogue);
    spin(100);
    EXPECT_FALSE(session->isRunning());
    EXPECT_EQ(storedTranslationMode(settings), TranslationMode::dialogue);
    session->startTranslation();
    ASSERT_TRUE(waitUntil([&] { return log.outcomes.size() == 2; }));

    // A switch while running resumes at once in the (same) mode.
    session->translationModeChanged(TranslationMode::dialogue);
    EXPECT_FALSE(session->isRunning());
    ASSERT_TRUE(waitUntil([&] { return session->isRunning(); }, 1000));
}

// Choosing another window while a one-shot recognition of the old one is under way: its reading
// is dropped, and nothing of the old window is confirmed or translated.
TEST_F(RealtimeSessionTest, ATargetChangeWhileIdleFencesTheRecognitionOfTheOldWindow) {
    screen.show("古い窓の台詞。");
    screen.readingsHeld = true;
    session->performManualOCR();
    ASSERT_TRUE(waitUntil([&] { return screen.readingsStarted == 1; }));

    session->setTarget(TargetWindow::make(PlatformWindow{43, QRect(0, 0, 800, 450), QString("Other"), true, 0, 4, QString("Other")}));
    log.statusLabels.clear();
    screen.readingsHeld = false;
    spin(1500);  // a late reading would have asked for its confirming capture after 550 ms
    EXPECT_FALSE(log.statusLabels.contains("等待文本保持不变，正在进行第二次确认…")) << log.statusLabels.join(" | ").toStdString();
    EXPECT_EQ(service.requestCount(), 0);
}
