#include "history/LatestTranslationActions.h"

#include "history/SpeechOutput.h"
#include "history/TranslationHistoryStore.h"
#include "history/platform/NullSpeechOutput.h"
#include "history/platform/QtSpeechOutput.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <gtest/gtest.h>

namespace ovisu {
namespace {

TranslationHistoryRecord record(const QString& original, const QString& translation) {
    return {QUuid::createUuid(), QDateTime::currentDateTimeUtc(), original, translation, u"DeepL"_qs, 0.8};
}

struct RecordingSpeech final : SpeechOutput {
    QStringList spoken;
    int stops = 0;
    std::expected<void, QString> speak(const QString& text) override {
        spoken << text;
        return {};
    }
    void stop() override { ++stops; }
    bool isAvailable() const override { return true; }
    QString unavailableReason() const override { return {}; }
};

class LatestTranslationActionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QGuiApplication::clipboard()->setText(u"之前的内容"_qs);
    }
    TranslationHistoryStore store{QDir(test::currentHome()).filePath(u"translation-history.json"_qs)};
};

// Which record is the latest is latestTranslationRecord's; the actions must read the file when the
// session has none and hand the translation on.
TEST_F(LatestTranslationActionsTest, CopyAndSpeakTakeTheSessionsNewestElseTheFilesNewest) {
    ASSERT_TRUE(store.save({record(u"一"_qs, u"文件旧"_qs), record(u"二"_qs, u"文件新"_qs)}).has_value());
    QClipboard* clipboard = QGuiApplication::clipboard();
    EXPECT_TRUE(copyLatestTranslation({record(u"四"_qs, u"会话新"_qs)}, store));
    EXPECT_EQ(clipboard->text(), u"会话新"_qs);
    EXPECT_TRUE(copyLatestTranslation({}, store, clipboard));
    EXPECT_EQ(clipboard->text(), u"文件新"_qs);

    RecordingSpeech speech;
    EXPECT_EQ(speakLatestTranslation({record(u"二"_qs, u"会话新"_qs)}, store, speech), SpeakLatestOutcome::spoken);
    EXPECT_EQ(speakLatestTranslation({}, store, speech), SpeakLatestOutcome::spoken);
    EXPECT_EQ(speech.spoken, (QStringList{u"会话新"_qs, u"文件新"_qs}));
    NullSpeechOutput silent(u"语音朗读已停用"_qs);
    EXPECT_EQ(speakLatestTranslation({}, store, silent), SpeakLatestOutcome::speechUnavailable);
}

TEST_F(LatestTranslationActionsTest, NothingToCopyOrSpeakLeavesTheClipboardAlone) {
    RecordingSpeech speech;
    EXPECT_FALSE(copyLatestTranslation({}, store));
    EXPECT_EQ(speakLatestTranslation({}, store, speech), SpeakLatestOutcome::noTranslation);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"之前的内容"_qs);
    EXPECT_TRUE(speech.spoken.isEmpty());

    // A corrupt file is no history either.
    test::writeBytes(store.filePath(), "[{\"broken\": ");
    EXPECT_FALSE(copyLatestTranslation({}, store));
    EXPECT_EQ(test::readBytes(store.filePath()), QByteArray("[{\"broken\": "));
}

TEST(SpeechOutputTest, NullOutputCarriesItsReasonAndTheLoaderHonoursTheSwitch) {
    NullSpeechOutput output(u"没有语音服务"_qs);
    EXPECT_FALSE(output.isAvailable());
    EXPECT_EQ(output.unavailableReason(), u"没有语音服务"_qs);
    const auto spoken = output.speak(u"你好"_qs);
    ASSERT_FALSE(spoken.has_value());
    EXPECT_EQ(spoken.error(), u"没有语音服务"_qs);
    output.stop();

    qputenv("OVISU_SPEECH", "null");
    const std::unique_ptr<SpeechOutput> forced = makeSpeechOutput();
    qunsetenv("OVISU_SPEECH");
    ASSERT_NE(forced, nullptr);
    EXPECT_FALSE(forced->isAvailable());
    EXPECT_EQ(forced->unavailableReason(), u"语音朗读已停用（OVISU_SPEECH=null）"_qs);
    EXPECT_NE(dynamic_cast<NullSpeechOutput*>(forced.get()), nullptr);

    const std::unique_ptr<SpeechOutput> platform = makeSpeechOutput();
    EXPECT_NE(dynamic_cast<QtSpeechOutput*>(platform.get()), nullptr);
}

// No speech-dispatcher runs on the test machines: speaking must fail cleanly, with the reason,
// and the missing service must be reported once however often speaking is tried.
TEST(SpeechOutputTest, QtSpeechWithoutAServiceFailsCleanlyAndReportsOnce) {
    QtSpeechOutput speech;
    QStringList reports;
    speech.setUnavailableHandler([&reports](const QString& reason) { reports << reason; });
    speech.stop();  // before anything was spoken: harmless
    if (speech.isAvailable())
        GTEST_SKIP() << "a speech service is running here";
    const QString reason = speech.unavailableReason();
    EXPECT_FALSE(reason.isEmpty());
    RecordProperty("reason", reason.toStdString());
    for (int attempt = 0; attempt < 3; ++attempt) {
        const auto spoken = speech.speak(u"你好，世界"_qs);
        ASSERT_FALSE(spoken.has_value());
        EXPECT_EQ(spoken.error(), reason);
    }
    speech.stop();
    EXPECT_EQ(reports, QStringList{reason});
    EXPECT_TRUE(speech.hasReportedUnavailability());

    QtSpeechOutput unknown(u"no-such-engine"_qs);
    EXPECT_FALSE(unknown.isAvailable());
    EXPECT_FALSE(unknown.speak(u"你好"_qs).has_value());
}

}  // namespace
}  // namespace ovisu
