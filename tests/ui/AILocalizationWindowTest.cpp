#include "engine/ui/AILocalizationWindow.h"

#include "base/SettingsStore.h"
#include "engine/DefaultPrompts.h"
#include "engine/ProviderSelection.h"
#include "engine/ProviderSettings.h"
#include "engine/TranslationProfiles.h"
#include "engine/TranslationPromptPreset.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"
#include "ui/RecordingTranslationSettingsActions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace ovisu {
namespace {

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
        const int index = window->providerPopup()->findData(rawValue(provider));
        ASSERT_GE(index, 0) << caseName(provider).toStdString();
        window->providerPopup()->setCurrentIndex(index);
    }
    void choosePreset(const QString& id) { window->presetPopup()->setCurrentIndex(window->presetPopup()->findData(id)); }
    // The two prompt editors and the selected preset id, as one value to compare.
    QStringList shownPrompts() const {
        return {window->systemPromptEditor()->toPlainText(), window->userTemplateEditor()->toPlainText(),
                window->selectedPresetID().value_or("(none)")};
    }
    static void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

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
    test::RecordingTranslationSettingsActions actions;
    std::unique_ptr<AILocalizationWindow> window;

    std::optional<QString> nameAnswer;
    std::optional<QString> openAnswer;
    std::optional<QString> saveAnswer;
    QStringList proposedNames;
    std::vector<Alerted> alerts;
    int beeps = 0;
};

TEST_F(AILocalizationWindowTest, OpensOnTheCurrentSourceWhenItTakesPromptsAndOtherwiseOnOpenAI) {
    // Only the sources that take a prompt are offered.
    EXPECT_EQ(window->providerPopup()->count(), ProviderCatalogue::promptCapableProviders().size());

    // google is the fresh current source and takes no prompt.
    window->openAILocalizationSettings();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->selectedProvider(), Provider::openAI);
    // Nothing stored yet: the pop-up shows the preset the prompts still equal.
    EXPECT_EQ(shownPrompts(), QStringList({DefaultPrompts::otome(), DefaultPrompts::shortTemplate(),
                                           "builtin.otome-localization"}));

    window->hide();
    selection.providerVisibilityChanged(Provider::hyMTLocal, true);
    ASSERT_TRUE(selection.providerChanged(Provider::hyMTLocal));
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
    EXPECT_EQ(shownPrompts(), QStringList({"DeepSeek 的提示", DefaultPrompts::shortTemplate(), "builtin.concise-ui"}));
    EXPECT_TRUE(window->workContextEditor()->toPlainText().isEmpty());
    EXPECT_TRUE(window->glossaryEditor()->toPlainText().isEmpty());

    choose(Provider::openAI);
    EXPECT_EQ(window->systemPromptEditor()->toPlainText(), DefaultPrompts::otome());
    const SettingsStore stored = storedSettings();
    EXPECT_FALSE(stored.contains("prompt.1"));
    EXPECT_FALSE(stored.contains("translationWorkContext"));
    EXPECT_TRUE(actions.calls.isEmpty());
}

TEST_F(AILocalizationWindowTest, SaveAndApplyStoresReportsAndHidesWhileCloseStoresNothing) {
    window->openAILocalizationSettings();
    choose(Provider::claude);
    window->systemPromptEditor()->setPlainText("Claude 专用提示");
    window->workContextEditor()->setPlainText("アリス＝女主角");
    window->glossaryEditor()->setPlainText("ユウ=悠");
    window->filterThinkingCheckBox()->setChecked(false);

    // "关闭" first: nothing reaches the settings.
    click(window->closeButton());
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(storedSettings().contains("prompt.2"));
    EXPECT_TRUE(actions.calls.isEmpty());

    window->show();
    choosePreset("builtin.faithful-dialogue");
    click(window->saveButton());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(actions.calls, QStringList{"showTranslationStatus(AI 本地化设置已应用到 " + ProviderCatalogue::title(Provider::claude) + ")"});
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

    click(window->saveButton());
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].title, QStringLiteral("无法保存 AI 本地化设置"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->systemPromptEditor()->toPlainText(), QStringLiteral("不能丢的提示"));
    EXPECT_TRUE(actions.calls.isEmpty());
}

TEST_F(AILocalizationWindowTest, ImportingTextMakesASelectedAppliedPresetAndBadBytesOnlyAlert) {
    window->openAILocalizationSettings();

    openAnswer = writeFile("终远的威尔修.md", "# 规则\n保留角色口癖。\n");
    click(window->importButton());
    ASSERT_TRUE(alerts.empty());
    ASSERT_EQ(profiles.customPromptPresets().size(), 1);
    EXPECT_EQ(window->presetPopup()->currentText(), QStringLiteral("终远的威尔修"));
    EXPECT_EQ(shownPrompts(), QStringList({"# 规则\n保留角色口癖。\n", DefaultPrompts::shortTemplate(),
                                           profiles.customPromptPresets().first().id}));

    window->systemPromptEditor()->setPlainText("保持不变");
    openAnswer = writeFile("broken.txt", QByteArray("\xff\xfe\x80 not utf-8"));
    click(window->importButton());
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].text, QStringLiteral("文件不是有效的 UTF-8 文本或Ovisu Prompt JSON。"));
    EXPECT_EQ(profiles.customPromptPresets().size(), 1);
    EXPECT_EQ(window->systemPromptEditor()->toPlainText(), QStringLiteral("保持不变"));

    // A cancelled picker does nothing at all.
    openAnswer.reset();
    click(window->importButton());
    EXPECT_EQ(alerts.size(), 1u);
    EXPECT_EQ(profiles.customPromptPresets().size(), 1);
}

TEST_F(AILocalizationWindowTest, SaveAsNeedsANameAndSelectsTheNewPreset) {
    window->openAILocalizationSettings();
    window->systemPromptEditor()->setPlainText("自定义提示");
    window->userTemplateEditor()->setPlainText("{text}");

    nameAnswer = QStringLiteral(" \n\t ");
    click(window->savePresetAsButton());
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(profiles.customPromptPresets().isEmpty());

    nameAnswer.reset();  // "取消"
    click(window->savePresetAsButton());
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(profiles.customPromptPresets().isEmpty());

    nameAnswer = QStringLiteral("  终远的威尔修 · 日乙 ");
    click(window->savePresetAsButton());
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
    click(window->applyPresetButton());
    EXPECT_EQ(beeps, 1);

    choosePreset("builtin.concise-ui");
    click(window->applyPresetButton());
    EXPECT_EQ(shownPrompts(), QStringList({DefaultPrompts::conciseUIPrompt(), DefaultPrompts::conciseUITemplate(),
                                           "builtin.concise-ui"}));

    // The export takes the editors as they are now, under the selected preset's id and name.
    window->userTemplateEditor()->setPlainText("改过的模板 {text}");
    saveAnswer = QDir(test::currentHome()).filePath("exported.json");
    click(window->exportButton());
    ASSERT_EQ(proposedNames.size(), 1);
    EXPECT_EQ(proposedNames[0], window->presetPopup()->currentText() + ".json");
    const auto written = TranslationPromptPresetCodec::decode(test::readBytes(*saveAnswer));
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->id, QStringLiteral("builtin.concise-ui"));
    EXPECT_EQ(written->userPromptTemplate, QStringLiteral("改过的模板 {text}"));

    // A destination that cannot be written is said, not swallowed.
    test::writeBytes(QDir(test::currentHome()).filePath("blocker"), "file");
    saveAnswer = QDir(test::currentHome()).filePath("blocker/out.json");
    click(window->exportButton());
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_FALSE(alerts[0].text.isEmpty());
}

TEST_F(AILocalizationWindowTest, ResetPutsTheSourcesRecommendedPromptsInTheEditorsOnly) {
    window->openAILocalizationSettings();
    choose(Provider::hyMTLocal);
    window->systemPromptEditor()->setPlainText("x");
    window->userTemplateEditor()->setPlainText("y");
    click(window->resetButton());
    EXPECT_EQ(shownPrompts(), QStringList({DefaultPrompts::hymt(), DefaultPrompts::hymtTemplate(), "builtin.hy-mt2-otome"}));

    const SettingsStore stored = storedSettings();
    for (const char* key : {"prompt.14", "userPrompt.14", "promptPreset.14"})
        EXPECT_FALSE(stored.contains(QString::fromLatin1(key))) << key;
}

TEST_F(AILocalizationWindowTest, TidyingTheGlossaryRewritesOnlyTheEditor) {
    ASSERT_TRUE(settings.setString("translationGlossary", "旧 → 旧"));
    window->openAILocalizationSettings();
    window->glossaryEditor()->setPlainText("# 注释\nユウ=悠\n\n 魔導院=>魔导院 \nアリス\t爱丽丝");
    click(window->normalizeButton());
    EXPECT_EQ(window->glossaryEditor()->toPlainText(), QStringLiteral("ユウ → 悠\n魔導院 → 魔导院\nアリス → 爱丽丝"));
    EXPECT_EQ(storedSettings().stringValue("translationGlossary"), QStringLiteral("旧 → 旧"));
    EXPECT_TRUE(window->isVisible());
}

}  // namespace
}  // namespace ovisu
