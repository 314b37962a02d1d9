#include "base/Paths.h"
#include "base/SettingsStore.h"
#include "engine/HttpTransport.h"
#include "engine/LocalCredentialStore.h"
#include "engine/ProviderSelection.h"
#include "engine/ProviderSettings.h"
#include "engine/ui/ProviderSettingsWindow.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"
#include "support/TestFiles.h"
#include "support/fake/FakeService.h"
#include "ui/RecordingTranslationSettingsActions.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

using namespace ovisu;

namespace {

QString account(Provider provider) { return ProviderCatalogue::credentialAccount(provider); }

class ProviderSettingsWindowTest : public ::testing::Test {
protected:
    fake::FakeService service;
    SettingsStore settings;
    ProviderSelection selection{settings};
    ProviderSettings providerSettings{settings};
    HttpTransport transport;
    test::RecordingTranslationSettingsActions actions;
    std::unique_ptr<ProviderSettingsWindow> window;

    void SetUp() override {
        window = std::make_unique<ProviderSettingsWindow>(settings, selection, providerSettings,
                                                          ConnectionTestServices{transport}, actions);
    }
    void TearDown() override { window.reset(); }

    void choose(Provider provider) {
        window->providerPopup()->setCurrentIndex(window->providerPopup()->findData(rawValue(provider)));
    }
    static void retype(QLineEdit* field, const QString& text) {
        field->selectAll();
        QTest::keyClicks(field, text);
    }
    static void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
};

}  // namespace

TEST_F(ProviderSettingsWindowTest, SwitchingSourcesStoresTheEditedSourceBeforeShowingTheNext) {
    window->openFor(Provider::openAI);
    EXPECT_EQ(window->providerPopup()->currentData().toInt(), rawValue(Provider::openAI));

    retype(window->modelField(), "gpt-typed");
    retype(window->secureKeyField(), "sk-openai");
    EXPECT_FALSE(settings.contains("model.1"));  // nothing is stored while typing

    // The model field shows the next source's value only after the previous one was written.
    QStringList seen;
    QObject::connect(window->providerPopup(), &QComboBox::currentIndexChanged, [&] {
        seen << settings.stringValue("model.1") + "|" + window->modelField()->text();
    });
    choose(Provider::groq);
    EXPECT_EQ(seen, QStringList{"gpt-typed|" + ProviderCatalogue::defaultModel(Provider::groq)});
    EXPECT_EQ(window->providerSettingsProvider(), Provider::groq);
    EXPECT_EQ(LocalCredentialStore::secret(account(Provider::openAI)), "sk-openai");
    EXPECT_TRUE(window->secureKeyField()->text().isEmpty());

    choose(Provider::openAI);
    EXPECT_EQ(window->modelField()->text(), "gpt-typed");
    EXPECT_EQ(window->secureKeyField()->text(), "sk-openai");
}

TEST_F(ProviderSettingsWindowTest, ASaveFailureKeepsTheSourceAndShowsWhy) {
    window->openFor(Provider::openAI);
    retype(window->secureKeyField(), "sk-unsaved");
    // A file where the credentials folder should be makes the credential write fail.
    test::writeBytes(QFileInfo(paths::credentialsFile()).absolutePath(), "not a folder");

    choose(Provider::groq);
    EXPECT_EQ(window->providerSettingsProvider(), Provider::openAI);
    EXPECT_EQ(window->providerPopup()->currentData().toInt(), rawValue(Provider::openAI));
    EXPECT_EQ(window->secureKeyField()->text(), "sk-unsaved");
    EXPECT_TRUE(window->statusLabel()->text().startsWith("本地凭据保存失败：")) << window->statusLabel()->text().toStdString();
    EXPECT_FALSE(window->statusLabel()->text().contains("sk-unsaved"));

    // "完成" stays open once so the failure is read; a second press closes.
    click(window->doneButton());
    EXPECT_TRUE(window->isVisible());
    click(window->doneButton());
    EXPECT_FALSE(window->isVisible());
}

TEST_F(ProviderSettingsWindowTest, DoneClosingAndEscapeSaveTheFields) {
    window->openFor(Provider::deepSeek);
    retype(window->endpointField(), "https://proxy.example.com/chat/completions");
    window->promptEditor()->setPlainText("只输出译文。");
    click(window->doneButton());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(settings.stringValue("endpoint.4"), "https://proxy.example.com/chat/completions");
    EXPECT_EQ(settings.stringValue("prompt.4"), "只输出译文。");

    const std::pair<const char*, std::function<void()>> waysOut[] = {
        {"close", [&] { window->close(); }},
        {"escape", [&] { QTest::keyClick(window.get(), Qt::Key_Escape); }},
        {"return", [&] { QTest::keyClick(window->modelField(), Qt::Key_Return); }},
    };
    for (const auto& [name, leave] : waysOut) {
        window->openFor(Provider::deepSeek);
        retype(window->modelField(), QString("deepseek-") + name);
        leave();
        EXPECT_FALSE(window->isVisible()) << name;
        EXPECT_EQ(settings.stringValue("model.4"), QString("deepseek-") + name);
    }

    // Opening again shows the current source, whatever was edited last; edits still open are kept.
    window->openFor(Provider::deepSeek);
    retype(window->modelField(), "deepseek-reopened");
    ASSERT_TRUE(selection.providerChanged(Provider::google));
    window->present();
    EXPECT_EQ(settings.stringValue("model.4"), "deepseek-reopened");
    EXPECT_EQ(window->providerSettingsProvider(), Provider::google);
    EXPECT_EQ(window->providerPopup()->currentData().toInt(), rawValue(Provider::google));
}

TEST_F(ProviderSettingsWindowTest, APastedOrTypedKeyIsStoredWithoutSurroundingWhiteSpace) {
    window->openFor(Provider::claude);
    QGuiApplication::clipboard()->setText("  sk-ant-pasted \r\n");
    click(window->pasteButton());
    EXPECT_EQ(window->secureKeyField()->text(), "sk-ant-pasted");
    click(window->doneButton());
    EXPECT_EQ(LocalCredentialStore::secret(account(Provider::claude)), "sk-ant-pasted");

    window->openFor(Provider::claude);
    retype(window->secureKeyField(), "\tsk-ant-typed  ");
    click(window->doneButton());
    EXPECT_EQ(LocalCredentialStore::secret(account(Provider::claude)), "sk-ant-typed");
    EXPECT_EQ(window->secureKeyField()->text(), "sk-ant-typed");
}

TEST_F(ProviderSettingsWindowTest, TheSecretIsShownOnlyOnRequestAndNeverInTitlesOrTips) {
    const QString secret = "sk-very-secret-0123456789";
    ASSERT_TRUE(LocalCredentialStore::save(secret, account(Provider::openAI)));
    QGuiApplication::clipboard()->setText("before");
    window->openFor(Provider::openAI);

    EXPECT_TRUE(window->secureKeyField()->isVisible());
    EXPECT_FALSE(window->plainKeyField()->isVisible());
    // The hidden plain field holds nothing an accessibility tool could read out.
    EXPECT_TRUE(window->plainKeyField()->text().isEmpty());
    EXPECT_EQ(window->secureKeyField()->echoMode(), QLineEdit::Password);
    click(window->visibilityButton());
    EXPECT_TRUE(window->isKeyVisible());
    EXPECT_TRUE(window->plainKeyField()->isVisible());
    EXPECT_FALSE(window->secureKeyField()->isVisible());
    EXPECT_EQ(window->plainKeyField()->text(), secret);

    // An edit in the plain field is what is kept when it is hidden again.
    retype(window->plainKeyField(), "sk-edited-in-plain");
    click(window->visibilityButton());
    EXPECT_TRUE(window->secureKeyField()->isVisible());
    EXPECT_EQ(window->secureKeyField()->text(), "sk-edited-in-plain");
    EXPECT_TRUE(window->plainKeyField()->text().isEmpty());
    click(window->visibilityButton());
    EXPECT_TRUE(window->secureKeyField()->text().isEmpty());

    const auto leaks = [&](const QString& text) { return text.contains(secret) || text.contains("sk-edited"); };
    EXPECT_FALSE(leaks(window->windowTitle()));
    for (QWidget* widget : window->findChildren<QWidget*>())
        for (const QString& text : {widget->toolTip(), widget->statusTip(), widget->whatsThis(), widget->accessibleName(),
                                    widget->accessibleDescription(), widget->windowTitle()})
            EXPECT_FALSE(leaks(text)) << widget->metaObject()->className();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");
    click(window->copyButton());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "sk-edited-in-plain");

    // Another source starts hidden again.
    choose(Provider::groq);
    EXPECT_FALSE(window->isKeyVisible());
    EXPECT_TRUE(window->secureKeyField()->isVisible());
}

TEST_F(ProviderSettingsWindowTest, ControlsFollowTheSourceTable) {
    window->openFor(Provider::deepL);
    EXPECT_TRUE(window->promptEditor()->isReadOnly());
    EXPECT_FALSE(window->modelField()->isEnabled());
    EXPECT_FALSE(window->startLocalModelButton()->isVisible());
    click(window->acquisitionButton());
    EXPECT_EQ(actions.calls.last(), "openExternalURL(" + ProviderCatalogue::officialPurchaseURL(Provider::deepL) + ")");

    // The controls follow the source chosen in the window.
    choose(Provider::microsoft);
    EXPECT_TRUE(window->modelField()->isEnabled());

    choose(Provider::qwenLocal);
    EXPECT_FALSE(window->promptEditor()->isReadOnly());
    EXPECT_FALSE(window->secureKeyField()->isEnabled());
    EXPECT_FALSE(window->pasteButton()->isEnabled());
    EXPECT_TRUE(window->startLocalModelButton()->isVisible());
    EXPECT_EQ(window->localServiceStatus()->text(), "已安装");
    click(window->startLocalModelButton());
    EXPECT_EQ(actions.calls.last(), QString("toggleLocalService(%1)").arg(rawValue(Provider::qwenLocal)));
    EXPECT_EQ(window->startLocalModelButton()->text(), "停止") << "the row follows what the button did";
    EXPECT_EQ(window->localServiceStatus()->text(), "运行中");
    click(window->acquisitionButton());
    EXPECT_EQ(actions.calls.last(), QString("openLocalModelDownload(%1)").arg(rawValue(Provider::qwenLocal)));

    choose(Provider::ollamaLocal);
    EXPECT_FALSE(window->startLocalModelButton()->isVisible());
    EXPECT_FALSE(window->localServiceStatus()->isVisible());
    choose(Provider::google);
    EXPECT_FALSE(window->acquisitionButton()->isVisible());
    EXPECT_FALSE(window->endpointField()->isEnabled());
    EXPECT_TRUE(window->statusLabel()->text().isEmpty());  // another source's status is not carried over
}

TEST_F(ProviderSettingsWindowTest, TheConnectionTestUsesTheFieldsAsShown) {
    ASSERT_TRUE(service.isListening());
    window->openFor(Provider::groq);
    retype(window->endpointField(), service.baseUrl() + "/openai/v1/chat/completions");
    QGuiApplication::clipboard()->setText("gsk-from-clipboard\n");
    click(window->pasteButton());
    click(window->testButton());
    ASSERT_TRUE(test::waitUntil([&] { return window->statusLabel()->text().startsWith("连接成功："); }))
        << window->statusLabel()->text().toStdString();
    EXPECT_EQ(window->statusLabel()->text(), "连接成功：" + service.defaultTranslation());
    ASSERT_EQ(service.requestCount(), 1);
    bool keySent = false;
    const auto requests = service.requests();  // a loop over a part of the temporary list would outlive it
    for (const auto& [name, value] : requests.first().headers)
        keySent = keySent || value == "Bearer gsk-from-clipboard";
    EXPECT_TRUE(keySent);

    // A wrong key ends in the guide's 401 message.
    service.requireKey("gsk-right");
    click(window->testButton());
    ASSERT_TRUE(test::waitUntil([&] { return window->statusLabel()->text().contains("HTTP 401"); }));
    EXPECT_TRUE(window->statusLabel()->text().startsWith("Groq（API）：鉴权失败（HTTP 401）。"));
    EXPECT_FALSE(window->statusLabel()->text().contains("gsk-from-clipboard"));
}
