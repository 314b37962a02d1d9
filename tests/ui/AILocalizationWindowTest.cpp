#include "engine/ui/AILocalizationWindow.h"

#include "base/SettingsStore.h"
#include "engine/DefaultPrompts.h"
#include "engine/ProviderSelection.h"
#include "engine/ProviderSettings.h"
#include "engine/TranslationGlossaryFormatter.h"
#include "engine/TranslationProfiles.h"
#include "engine/TranslationPromptPreset.h"
#include "engine/TranslationSettingsActions.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace ovisu {
namespace {

class RecordingActions final : public TranslationSettingsActions {
public:
    QStringList statuses;
    int otherCalls = 0;

    void showTranslationStatus(const QString& message) override { statuses << message; }
    void translationSourcesChanged() override { ++otherCalls; }
    void configureGlobalHotKeys() override { ++otherCalls; }
    void applyTranslationProfile(const QString&) override { ++otherCalls; }
    void translationProfilesChanged() override { ++otherCalls; }
    void openLocalModelDownload(Provider) override { ++otherCalls; }
    void openExternalURL(const QUrl&) override { ++otherCalls; }
    void openProviderSettings() override { ++otherCalls; }
    void openAILocalizationSettings() override { ++otherCalls; }
    void openTranslationSettings() override { ++otherCalls; }
    void openProviderManager() override { ++otherCalls; }
};

struct Alerted {
    QString title;
    QString text;
};

class AILocalizationWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<AILocalizationWindow>(settings, providerSettings, selection, profiles, actions);
        // Every modal question is answered here; none may open during a test.
        window->setNamePrompt([this](QWidget*) { return nameAnswer; });
        window->setOpenFilePicker([this](QWidget*) { return openAnswer; });
        window->setSaveFilePicker([this](QWidget*, const QString& proposed) {
            proposedNames << proposed;
            return saveAnswer;
        });
        window->setAlert([this](QWidget*, const QString& title, const QString& text) { alerts.push_back({title, text}); });
        window->setBeep([this] { ++beeps; });
    }

    void choose(Provider provider) {
        QComboBox* popup = window->providerPopup();
        const int index = popup->findData(rawValue(provider));
        ASSERT_GE(index, 0) << ProviderCatalogue::title(provider).toStdString();
        popup->setCurrentIndex(index);
    }

    void makeCurrent(Provider provider) {
        selection.providerVisibilityChanged(provider, true);
        ASSERT_TRUE(selection.providerChanged(provider));
    }

    QString writeFile(const QString& name, const QByteArray& bytes) {
        const QString path = QDir(test::currentHome()).filePath(name);
        test::writeBytes(path, bytes);
        return path;
    }

    // Settings as they are on disk, not as this process holds them.
    static SettingsStore storedSettings() { return SettingsStore(); }

    SettingsStore settings;
    ProviderSettings providerSettings{settings};
    ProviderSelection selection{settings};
    TranslationProfiles profiles{settings, selection, providerSettings};
    RecordingActions actions;
    std::unique_ptr<AILocalizationWindow> window;

    std::optional<QString> nameAnswer;
    std::optional<QString> openAnswer;
    std::optional<QString> saveAnswer;
    QStringList proposedNames;
    std::vector<Alerted> alerts;
    int beeps = 0;
};

TEST_F(AILocalizationWindowTest, OpensOnTheCurrentSourceWhenItTakesPromptsAndOtherwiseOnOpenAI) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("AI 本地化"));
    QComboBox* popup = window->providerPopup();
    const QList<Provider> capable = ProviderCatalogue::promptCapableProviders();
    ASSERT_EQ(popup->count(), capable.size());
    for (int i = 0; i < capable.size(); ++i) EXPECT_EQ(popup->itemText(i), ProviderCatalogue::title(capable[i]));

    QTabWidget* tabs = window->tabs();
    ASSERT_EQ(tabs->count(), 3);
    const QStringList names{"prompt", "work", "glossary"};
    const QStringList titles{"Prompt 模板", "作品与角色", "对白术语表"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(tabs->widget(i)->objectName(), names[i]);
        EXPECT_EQ(tabs->tabText(i), titles[i]);
    }
    EXPECT_TRUE(window->saveButton()->isDefault());

    // google is the fresh current source and takes no prompt.
    window->openAILocalizationSettings();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->selectedProvider(), Provider::openAI);
    EXPECT_EQ(window->systemPromptEditor()->toPlainText(), DefaultPrompts::otome());
    // Nothing stored yet: the pop-up shows the preset the prompts still equal.
    EXPECT_EQ(window->selectedPresetID(), QStringLiteral("builtin.otome-localization"));

    window->hide();
    makeCurrent(Provider::hyMTLocal);
    window->openAILocalizationSettings();
    EXPECT_EQ(window->selectedProvider(), Provider::hyMTLocal);
    EXPECT_EQ(window->userTemplateEditor()->toPlainText(), DefaultPrompts::hymtTemplate());
}

TEST_F(AILocalizationWindowTest, SwitchingTheSourceDropsUnsavedEditsAndLoadsThatSource) {
    ASSERT_TRUE(settings.setString("prompt.4", "DeepSeek 的提示"));
    ASSERT_TRUE(settings.setString("promptPreset.4", "builtin.concise-ui"));
    window->openAILocalizationSettings();
    window->systemPromptEditor()->setPlainText("未保存的提示");
    window->workContextEditor()->setPlainText("未保存的作品设定");
    window->glossaryEditor()->setPlainText("ユウ=悠");

    choose(Provider::deepSeek);
    EXPECT_EQ(window->systemPromptEditor()->toPlainText(), QStringLiteral("DeepSeek 的提示"));
    EXPECT_EQ(window->selectedPresetID(), QStringLiteral("builtin.concise-ui"));
    EXPECT_TRUE(window->workContextEditor()->toPlainText().isEmpty());
    EXPECT_TRUE(window->glossaryEditor()->toPlainText().isEmpty());

    choose(Provider::openAI);
    EXPECT_EQ(window->systemPromptEditor()->toPlainText(), DefaultPrompts::otome());
    const SettingsStore stored = storedSettings();
    EXPECT_FALSE(stored.contains("prompt.1"));
    EXPECT_FALSE(stored.contains("translationWorkContext"));
    EXPECT_TRUE(actions.statuses.isEmpty());
}

TEST_F(AILocalizationWindowTest, SaveAndApplyStoresReportsAndHidesWhileCloseStoresNothing) {
    window->openAILocalizationSettings();
    choose(Provider::claude);
    window->systemPromptEditor()->setPlainText("Claude 专用提示");
    window->workContextEditor()->setPlainText("アリス＝女主角");
    window->glossaryEditor()->setPlainText("ユウ=悠");
    window->filterThinkingCheckBox()->setChecked(false);

    // "关闭" first: nothing reaches the settings.
    QTest::mouseClick(window->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(storedSettings().contains("prompt.2"));
    EXPECT_TRUE(actions.statuses.isEmpty());

    window->show();
    window->presetPopup()->setCurrentIndex(window->presetPopup()->findData("builtin.faithful-dialogue"));
    QTest::mouseClick(window->saveButton(), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(actions.statuses, QStringList{QStringLiteral("AI 本地化设置已应用到 ") + ProviderCatalogue::title(Provider::claude)});
    const SettingsStore stored = storedSettings();
    EXPECT_EQ(stored.stringValue("prompt.2"), QStringLiteral("Claude 专用提示"));
    EXPECT_EQ(stored.stringValue("promptPreset.2"), QStringLiteral("builtin.faithful-dialogue"));
    EXPECT_EQ(stored.stringValue("translationWorkContext"), QStringLiteral("アリス＝女主角"));
    EXPECT_EQ(stored.stringValue("translationGlossary"), QStringLiteral("ユウ → 悠"));
    EXPECT_FALSE(stored.boolValue("filterThinkingOutput", true));
    EXPECT_TRUE(alerts.empty());
}

TEST_F(AILocalizationWindowTest, AFailedSaveKeepsTheWindowOpenWithTheEdits) {
    window->openAILocalizationSettings();
    window->systemPromptEditor()->setPlainText("不能丢的提示");
    // The settings folder becomes a file, so the next write fails.
    const QString folder = QFileInfo(settings.filePath()).absolutePath();
    ASSERT_TRUE(QDir(folder).removeRecursively());
    test::writeBytes(folder, "not a folder");

    QTest::mouseClick(window->saveButton(), Qt::LeftButton);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].title, QStringLiteral("无法保存 AI 本地化设置"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->systemPromptEditor()->toPlainText(), QStringLiteral("不能丢的提示"));
    EXPECT_TRUE(actions.statuses.isEmpty());
}

TEST_F(AILocalizationWindowTest, ImportingTextMakesASelectedAppliedPresetAndBadBytesOnlyAlert) {
    window->openAILocalizationSettings();
    const qsizetype builtIns = TranslationPromptPreset::builtIns().size();
    ASSERT_EQ(window->presetPopup()->count(), builtIns);

    openAnswer = writeFile("终远的威尔修.md", "# 规则\n保留角色口癖。\n");
    QTest::mouseClick(window->importButton(), Qt::LeftButton);
    ASSERT_TRUE(alerts.empty());
    ASSERT_EQ(profiles.customPromptPresets().size(), 1);
    EXPECT_EQ(window->presetPopup()->count(), builtIns + 1);
    EXPECT_EQ(window->presetPopup()->currentText(), QStringLiteral("终远的威尔修"));
    EXPECT_EQ(window->selectedPresetID(), profiles.customPromptPresets().first().id);
    EXPECT_EQ(window->systemPromptEditor()->toPlainText(), QStringLiteral("# 规则\n保留角色口癖。\n"));
    EXPECT_EQ(window->userTemplateEditor()->toPlainText(), DefaultPrompts::shortTemplate());

    window->systemPromptEditor()->setPlainText("保持不变");
    openAnswer = writeFile("broken.txt", QByteArray("\xff\xfe\x80 not utf-8", 15));
    QTest::mouseClick(window->importButton(), Qt::LeftButton);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].title, QStringLiteral("无法导入 Prompt"));
    EXPECT_EQ(alerts[0].text, QStringLiteral("文件不是有效的 UTF-8 文本或Ovisu Prompt JSON。"));
    EXPECT_EQ(profiles.customPromptPresets().size(), 1);
    EXPECT_EQ(window->presetPopup()->count(), builtIns + 1);
    EXPECT_EQ(window->systemPromptEditor()->toPlainText(), QStringLiteral("保持不变"));

    // A cancelled picker does nothing at all.
    openAnswer.reset();
    QTest::mouseClick(window->importButton(), Qt::LeftButton);
    EXPECT_EQ(alerts.size(), 1u);
    EXPECT_EQ(profiles.customPromptPresets().size(), 1);
}

TEST_F(AILocalizationWindowTest, SaveAsNeedsANameAndSelectsTheNewPreset) {
    window->openAILocalizationSettings();
    window->systemPromptEditor()->setPlainText("自定义提示");
    window->userTemplateEditor()->setPlainText("{text}");

    nameAnswer = QStringLiteral(" \n\t ");
    QTest::mouseClick(window->savePresetAsButton(), Qt::LeftButton);
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(profiles.customPromptPresets().isEmpty());

    nameAnswer.reset();  // "取消"
    QTest::mouseClick(window->savePresetAsButton(), Qt::LeftButton);
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(profiles.customPromptPresets().isEmpty());

    nameAnswer = QStringLiteral("  终远的威尔修 · 日乙 ");
    QTest::mouseClick(window->savePresetAsButton(), Qt::LeftButton);
    ASSERT_EQ(profiles.customPromptPresets().size(), 1);
    const TranslationPromptPreset saved = profiles.customPromptPresets().first();
    EXPECT_EQ(saved.name, QStringLiteral("终远的威尔修 · 日乙"));
    EXPECT_EQ(saved.systemPrompt, QStringLiteral("自定义提示"));
    EXPECT_EQ(saved.userPromptTemplate, QStringLiteral("{text}"));
    EXPECT_EQ(window->selectedPresetID(), saved.id);
}

TEST_F(AILocalizationWindowTest, PresetsApplyAndExportFromTheEditors) {
    window->openAILocalizationSettings();
    window->presetPopup()->setCurrentIndex(-1);
    QTest::mouseClick(window->applyPresetButton(), Qt::LeftButton);
    EXPECT_EQ(beeps, 1);

    window->presetPopup()->setCurrentIndex(window->presetPopup()->findData("builtin.concise-ui"));
    QTest::mouseClick(window->applyPresetButton(), Qt::LeftButton);
    EXPECT_EQ(window->systemPromptEditor()->toPlainText(), DefaultPrompts::conciseUIPrompt());
    EXPECT_EQ(window->userTemplateEditor()->toPlainText(), DefaultPrompts::conciseUITemplate());

    // The export takes the editors as they are now, under the selected preset's id and name.
    window->userTemplateEditor()->setPlainText("改过的模板 {text}");
    saveAnswer = QDir(test::currentHome()).filePath("exported.json");
    QTest::mouseClick(window->exportButton(), Qt::LeftButton);
    ASSERT_EQ(proposedNames.size(), 1);
    EXPECT_EQ(proposedNames[0], window->presetPopup()->currentText() + ".json");
    const auto written = TranslationPromptPresetCodec::decode(test::readBytes(*saveAnswer));
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->id, QStringLiteral("builtin.concise-ui"));
    EXPECT_EQ(written->systemPrompt, DefaultPrompts::conciseUIPrompt());
    EXPECT_EQ(written->userPromptTemplate, QStringLiteral("改过的模板 {text}"));

    // A destination that cannot be written is said, not swallowed.
    test::writeBytes(QDir(test::currentHome()).filePath("blocker"), "file");
    saveAnswer = QDir(test::currentHome()).filePath("blocker/out.json");
    QTest::mouseClick(window->exportButton(), Qt::LeftButton);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_FALSE(alerts[0].text.isEmpty());
}

TEST_F(AILocalizationWindowTest, ResetPutsTheSourcesRecommendedPromptsInTheEditorsOnly) {
    window->openAILocalizationSettings();
    choose(Provider::hyMTLocal);
    window->systemPromptEditor()->setPlainText("x");
    window->userTemplateEditor()->setPlainText("y");
    QTest::mouseClick(window->resetButton(), Qt::LeftButton);
    EXPECT_EQ(window->systemPromptEditor()->toPlainText(), DefaultPrompts::hymt());
    EXPECT_EQ(window->userTemplateEditor()->toPlainText(), DefaultPrompts::hymtTemplate());
    EXPECT_EQ(window->selectedPresetID(), QStringLiteral("builtin.hy-mt2-otome"));

    choose(Provider::deepSeek);
    window->systemPromptEditor()->setPlainText("x");
    window->presetPopup()->setCurrentIndex(window->presetPopup()->findData("builtin.concise-ui"));
    QTest::mouseClick(window->resetButton(), Qt::LeftButton);
    EXPECT_EQ(window->systemPromptEditor()->toPlainText(), DefaultPrompts::otome());
    EXPECT_EQ(window->userTemplateEditor()->toPlainText(), DefaultPrompts::shortTemplate());
    EXPECT_EQ(window->selectedPresetID(), QStringLiteral("builtin.otome-localization"));

    const SettingsStore stored = storedSettings();
    for (const char* key : {"prompt.14", "userPrompt.14", "promptPreset.14", "prompt.4", "promptPreset.4"})
        EXPECT_FALSE(stored.contains(QString::fromLatin1(key))) << key;
}

TEST_F(AILocalizationWindowTest, TidyingTheGlossaryRewritesOnlyTheEditor) {
    ASSERT_TRUE(settings.setString("translationGlossary", "旧 → 旧"));
    window->openAILocalizationSettings();
    const QString typed = QStringLiteral("# 注释\nユウ=悠\n\n 魔導院=>魔导院 \nアリス\t爱丽丝");
    window->glossaryEditor()->setPlainText(typed);
    QTest::mouseClick(window->normalizeButton(), Qt::LeftButton);
    EXPECT_EQ(window->glossaryEditor()->toPlainText(), QStringLiteral("ユウ → 悠\n魔導院 → 魔导院\nアリス → 爱丽丝"));
    EXPECT_EQ(window->glossaryEditor()->toPlainText(), TranslationGlossaryFormatter::normalized(typed));
    EXPECT_EQ(storedSettings().stringValue("translationGlossary"), QStringLiteral("旧 → 旧"));
    EXPECT_TRUE(window->isVisible());
}

}  // namespace
}  // namespace ovisu
