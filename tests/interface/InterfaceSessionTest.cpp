#include "base/SettingsStore.h"
#include "capture/WindowCapture.h"
#include "engine/HttpTransport.h"
#include "engine/OllamaVersionProbe.h"
#include "engine/ProviderSelection.h"
#include "engine/ProviderSettings.h"
#include "engine/TranslationService.h"
#include "interface/InterfacePanelRecord.h"
#include "interface/InterfaceSession.h"
#include "interface/UIFixedDictionaryStore.h"
#include "interface/UIOCRRegionStore.h"
#include "interface/UIRegionList.h"
#include "interface/UIStoredTranslations.h"
#include "interface/UITranslationCache.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"
#include "support/fake/FakeService.h"

#include <QMutex>
#include <gtest/gtest.h>

#include <atomic>

namespace ovisu {
namespace {

using test::spin;
using test::waitUntil;

const PlatformWindow kGame{42, QRect(0, 0, 800, 450), QString("Game"), true, 0, 1, QString("Game")};

// The game's screen: the lines it shows (text and top-left box), drawn as a frame that changes
// with them, and read back by the scripted recogniser.
struct Screen {
    struct Line {
        QString text;
        QRectF topLeftBox;
    };
    QMutex mutex;
    QList<Line> lines;
    int background = 30;  // grey level behind the lines: a picture that changes while the texts stay
    std::atomic<int> recognitions = 0;

    void show(QList<Line> shown) {
        QMutexLocker lock(&mutex);
        lines = std::move(shown);
    }
};

class ScreenCapture : public WindowCapture {
public:
    explicit ScreenCapture(Screen& screen) : m_screen(screen) {}
    std::expected<QList<PlatformWindow>, CaptureFailure> listWindows() override { return QList<PlatformWindow>{kGame}; }
    std::expected<QRect, CaptureFailure> windowFrame(quint32) override { return kGame.frame; }
    std::expected<QImage, CaptureFailure> captureWindow(quint32) override {
        QMutexLocker lock(&m_screen.mutex);
        QImage image(800, 450, QImage::Format_RGB32);
        image.fill(QColor(m_screen.background, m_screen.background, m_screen.background + 10));
        // Each line a bright bar where it stands, as wide as its text is long.
        for (const Screen::Line& line : m_screen.lines) {
            const QRect box(int(line.topLeftBox.x() * 800), int(line.topLeftBox.y() * 450),
                            int(line.text.size() * 12), int(line.topLeftBox.height() * 450));
            for (int y = box.top(); y <= box.bottom(); ++y)
                for (int x = box.left(); x <= std::min(box.right(), 799); ++x) image.setPixelColor(x, y, Qt::white);
        }
        return image;
    }

private:
    Screen& m_screen;
};

class ScreenReader : public TextRecognizer {
public:
    explicit ScreenReader(Screen& screen) : m_screen(screen) {}
    std::expected<QList<RecognizedLine>, QString> recognize(const QImage&, const TextRecognitionRequest&) override {
        QMutexLocker lock(&m_screen.mutex);
        ++m_screen.recognitions;
        QList<RecognizedLine> lines;
        for (const Screen::Line& line : m_screen.lines) {
            const QRectF& r = line.topLeftBox;  // recognisers report boxes from the bottom-left
            lines.append({line.text, 0.9, QRectF(r.x(), 1.0 - r.y() - r.height(), r.width(), r.height())});
        }
        return lines;
    }

private:
    Screen& m_screen;
};

class Recorder : public InterfaceSessionClient {
public:
    QList<RealtimeTranslationState> states;
    QStringList statusLabels;
    QList<QList<InterfaceBlockVerdict>> recognitions;
    QList<std::pair<QString, InterfaceAnswerOrigin>> answers;
    void realtimeStateChanged(const RealtimeTranslationState& state) override { states.append(state); }
    void statusLabelChanged(const QString& text) override { statusLabels.append(text); }
    void interfaceRecognized(const QList<InterfaceBlockVerdict>& verdicts) override { recognitions.append(verdicts); }
    void interfaceAnswered(const UIOCRTextBlock& block, const QString&, InterfaceAnswerOrigin origin) override {
        answers.append({block.text, origin});
    }
};

QList<Screen::Line> menuScreen() {
    return {{u"はじめから"_qs, QRectF(0.1, 0.3, 0.2, 0.05)},
            {u"つづきから"_qs, QRectF(0.1, 0.4, 0.2, 0.05)},
            {u"環境設定"_qs, QRectF(0.1, 0.5, 0.2, 0.05)},
            {u"100/200"_qs, QRectF(0.6, 0.1, 0.2, 0.05)}};
}

class InterfaceSessionTest : public ::testing::Test {
protected:
    fake::FakeService service;
    SettingsStore settings;
    ProviderSelection selection{settings};
    ProviderSettings providerSettings{settings};
    HttpTransport transport;
    OllamaVersionProbe ollama{transport};
    TranslationService translationService{settings, providerSettings, transport, nullptr};
    UIOCRRegionStore regionStore;
    UIRegionList regions{regionStore};
    UITranslationCache cache;
    UIFixedDictionaryStore dictionary;
    UIStoredTranslations stored{cache, dictionary};
    InterfacePanelRecord panels;
    Screen screen;
    ScreenCapture capture{screen};
    Recorder recorder;
    std::unique_ptr<InterfaceSession> session;

    void SetUp() override {
        ASSERT_TRUE(settings.setString("endpoint.9", service.baseUrl() + "/v1/chat/completions"));
        ASSERT_TRUE(selection.providerChanged(Provider::sakura));
        session = std::make_unique<InterfaceSession>(
            InterfaceSession::Parts{settings, capture, translationService, selection, providerSettings, regions, stored,
                                    panels, &ollama},
            recorder, [this] { return std::make_unique<ScreenReader>(screen); });
        session->setPollingIntervalOverride(0.05);
        session->setTarget(TargetWindow::make(kGame));
    }

    QStringList sentTexts() const {
        QStringList texts;
        for (const auto& request : service.requests()) texts.append(fake::FakeService::chatTextToTranslate(request.body));
        texts.sort();
        return texts;
    }
    QStringList panelTexts() const {
        QStringList texts;
        for (const auto& panel : panels.panels()) texts.append(panel.block.text);
        texts.sort();
        return texts;
    }
};

TEST_F(InterfaceSessionTest, AnUnchangedScreenIsReadOnceAndEachTextAskedForOnce) {
    screen.show(menuScreen());
    session->startTranslation();
    ASSERT_TRUE(waitUntil([&] { return panels.panelCount() == 3 && !session->hasPendingTranslations(); }));
    spin(600);  // a dozen more captures of the same screen
    EXPECT_EQ(screen.recognitions, 1);
    EXPECT_EQ(sentTexts(), (QStringList{u"つづきから"_qs, u"はじめから"_qs, u"環境設定"_qs}));
    EXPECT_EQ(panelTexts(), (QStringList{u"つづきから"_qs, u"はじめから"_qs, u"環境設定"_qs}));
    EXPECT_TRUE(std::any_of(recorder.states.begin(), recorder.states.end(), [](const auto& state) {
        return state.kind == RealtimeTranslationState::Kind::showingResult;
    }));
    // The digits-only status value was recognised and set aside, with the reason.
    ASSERT_EQ(recorder.recognitions.size(), 1);
    EXPECT_EQ(recorder.recognitions.first().last().rejection, InterfaceRecognition::Rejection::noWords);

    // An explicit refresh answers everything again, from the cache: nothing is sent.
    session->performManualOCR();
    ASSERT_TRUE(waitUntil([&] { return recorder.recognitions.size() == 2; }));
    spin(200);
    EXPECT_EQ(service.requestCount(), 3);
    EXPECT_EQ(std::count_if(recorder.answers.begin(), recorder.answers.end(),
                            [](const auto& a) { return a.second == InterfaceAnswerOrigin::automaticCache; }),
              3);

    // A new screen: panels of texts that are gone go, the new text is asked for.
    screen.show({{u"環境設定"_qs, QRectF(0.1, 0.5, 0.2, 0.05)}, {u"ギャラリー"_qs, QRectF(0.1, 0.6, 0.2, 0.05)}});
    ASSERT_TRUE(waitUntil([&] { return service.requestCount() == 4 && !session->hasPendingTranslations(); }));
    EXPECT_EQ(panelTexts(), (QStringList{u"ギャラリー"_qs, u"環境設定"_qs}));
}

// A picture that changes behind the same texts is read again, but the texts, at positions that
// round to the same 1/200 of the window, are neither shown again nor asked for.
TEST_F(InterfaceSessionTest, TheSameTextsAtTheSamePlacesCostNothingMore) {
    screen.show(menuScreen());
    session->startTranslation();
    ASSERT_TRUE(waitUntil([&] { return panels.panelCount() == 3 && !session->hasPendingTranslations(); }));
    const int answers = int(recorder.answers.size());
    {
        QMutexLocker lock(&screen.mutex);
        screen.background = 90;
        for (Screen::Line& line : screen.lines) line.topLeftBox.translate(0.001, 0.001);
    }
    ASSERT_TRUE(waitUntil([&] { return screen.recognitions == 2; }));
    spin(300);
    EXPECT_EQ(recorder.answers.size(), answers);
    EXPECT_EQ(service.requestCount(), 3);
}

// A correction saved from a label is shown at once on every block of that text, as a correction.
TEST_F(InterfaceSessionTest, ACorrectionIsShownAtOnceWhereverItsTextIs) {
    screen.show({{u"設定"_qs, QRectF(0.1, 0.3, 0.2, 0.05)}, {u"「設定」"_qs, QRectF(0.6, 0.3, 0.2, 0.05)},
                 {u"終了"_qs, QRectF(0.1, 0.5, 0.2, 0.05)}});
    session->startTranslation();
    ASSERT_TRUE(waitUntil([&] { return panels.panelCount() == 3 && !session->hasPendingTranslations(); }));

    EXPECT_EQ(session->applyManualCorrection(u"設定"_qs, u"   "_qs), false);
    ASSERT_EQ(session->applyManualCorrection(u"設定"_qs, u" 系统设置\n"_qs), true);
    int corrected = 0;
    for (const auto& panel : panels.panels())
        if (panel.manuallyCorrected) {
            ++corrected;
            EXPECT_EQ(panel.translation, u"系统设置"_qs);
        }
    EXPECT_EQ(corrected, 2);
    EXPECT_TRUE(cache.entry(u"設定"_qs)->manuallyCorrected);
    EXPECT_EQ(recorder.statusLabels.last(), u"已保存永久人工修正"_qs);
}

// An Ollama source starts its server first; the session starts once the server answers.
TEST_F(InterfaceSessionTest, AnOllamaSourceStartsOnceItsServerAnswers) {
    ASSERT_TRUE(settings.setString("endpoint.15", service.baseUrl() + "/api/chat"));
    ASSERT_EQ(selection.providerVisibilityChanged(Provider::ollamaLocal, true), ProviderSelection::VisibilityChange::applied);
    ASSERT_TRUE(selection.providerChanged(Provider::ollamaLocal));
    screen.show(menuScreen());
    // Left before the server answered: nothing starts.
    session->startTranslation();
    EXPECT_EQ(recorder.statusLabels.last(), u"正在启动 Ollama 本地服务…"_qs);
    session->leaveMode();
    spin(300);
    EXPECT_FALSE(session->isRunning());

    // The server answers now: the next start runs at once.
    session->startTranslation();
    EXPECT_TRUE(session->isRunning());
    ASSERT_TRUE(waitUntil([&] { return panels.panelCount() == 3 && !session->hasPendingTranslations(); }));
    EXPECT_EQ(service.requests().first().path, "/api/version");
    EXPECT_EQ(service.requests().last().path, "/api/chat");
}

TEST_F(InterfaceSessionTest, AScreenWithoutTextIsRetriedOnceAndAnExplicitRefreshSaysSo) {
    screen.show({{u"100/200"_qs, QRectF(0.6, 0.1, 0.2, 0.05)}});
    session->startTranslation();
    ASSERT_TRUE(waitUntil([&] { return screen.recognitions >= 2; }));
    spin(700);
    EXPECT_EQ(screen.recognitions, 2) << "one retry, then an unchanged screen is left alone";
    EXPECT_EQ(session->state().kind, RealtimeTranslationState::Kind::capturing);

    session->performManualOCR();
    ASSERT_TRUE(waitUntil([&] { return session->state().isError(); }));
    EXPECT_EQ(session->state().message, u"界面 OCR 未识别到可翻译文字，请检查 UI 区域或文字类型"_qs);
}

TEST_F(InterfaceSessionTest, RegionsAndKindsDecideWhatIsTranslated) {
    screen.show(menuScreen());
    // Only the upper part of the menu column.
    ASSERT_FALSE(regions.add(QRectF(0.05, 0.25, 0.3, 0.2)).realtimeError);
    // The last kind on cannot be switched off.
    for (UIElementKind kind : {UIElementKind::button, UIElementKind::date, UIElementKind::attribute, UIElementKind::menu})
        ASSERT_TRUE(session->setElementKindEnabled(kind, false));
    EXPECT_FALSE(session->setElementKindEnabled(UIElementKind::text, false));
    EXPECT_EQ(session->enabledUIElementKinds(), UIElementKindSet{UIElementKind::text});

    session->startTranslation();
    ASSERT_TRUE(waitUntil([&] { return !recorder.recognitions.isEmpty() && !session->hasPendingTranslations() &&
                                       panels.panelCount() == 2; }));
    EXPECT_EQ(sentTexts(), (QStringList{u"つづきから"_qs, u"はじめから"_qs}));
    const auto& verdicts = recorder.recognitions.last();
    EXPECT_EQ(verdicts[2].rejection, InterfaceRecognition::Rejection::outsideRegions);
}

TEST_F(InterfaceSessionTest, AnswersAfterLeavingTheModeAreNotShownAndStoredOnesComeFirst) {
    ASSERT_TRUE(stored.saveManualCorrection(u"環境設定"_qs, u"  系统设置  "_qs).value_or(false));
    fake::ScriptedReply slow;
    slow.body = fake::FakeService::defaultBody(fake::Route::chatCompletions, u"迟到"_qs);
    slow.delayMs = 500;
    for (int i = 0; i < 2; ++i) service.enqueue(fake::Route::chatCompletions, slow);
    screen.show(menuScreen());
    session->startTranslation();
    ASSERT_TRUE(waitUntil([&] { return service.requestCount() == 2; }));
    // The correction answered at once, without a request.
    ASSERT_EQ(panels.panelCount(), 1);
    EXPECT_EQ(panels.panels().first().translation, u"系统设置"_qs);
    EXPECT_TRUE(panels.panels().first().manuallyCorrected);

    session->leaveMode();
    EXPECT_EQ(panels.panelCount(), 0);
    spin(800);
    EXPECT_EQ(panels.panelCount(), 0);
    EXPECT_FALSE(cache.entry(u"はじめから"_qs)) << "a cancelled request stores nothing";
}

}  // namespace
}  // namespace ovisu
