#include "engine/AILocalizationSettings.h"

#include "base/SettingsStore.h"
#include "engine/DefaultPrompts.h"
#include "engine/ProviderSettings.h"

#include <gtest/gtest.h>

namespace ovisu {
namespace {

// Every value differs from its default.
AILocalizationValues editedValues() {
    return {.prompt = "你是日乙本地化译者。",
            .userPromptTemplate = "{work_context}\n{glossary}\n{text}",
            .presetID = "builtin.faithful-dialogue",
            .workContext = "アリス＝女主角，称呼主人公为「先輩」",
            .glossary = "# 人名\n  ユウ=悠  \n\nアリス\t爱丽丝\n魔導院=>魔导院=学院\n=孤立",
            .bilingualProperNouns = false,
            .filterThinkingOutput = false};
}

const QString normalisedGlossary = QStringLiteral("ユウ → 悠\nアリス → 爱丽丝\n魔導院 → 魔导院=学院\n=孤立");

class AILocalizationSettingsTest : public ::testing::Test {
protected:
    SettingsStore settings;
    ProviderSettings providerSettings{settings};
    AILocalizationSettings localization{settings, providerSettings};
};

TEST_F(AILocalizationSettingsTest, SaveStoresEveryValueForTheSourceWithTheGlossaryNormalised) {
    const auto saved = localization.saveAILocalization(Provider::deepSeek, editedValues());
    ASSERT_TRUE(saved.has_value()) << saved.error().toStdString();
    EXPECT_EQ(*saved, QStringLiteral("AI 本地化设置已应用到 ") + ProviderCatalogue::title(Provider::deepSeek));
    // What reached the file, read by a store that never saw the writes.
    const SettingsStore stored;
    EXPECT_EQ(stored.stringValue("prompt.4"), QStringLiteral("你是日乙本地化译者。"));
    EXPECT_EQ(stored.stringValue("userPrompt.4"), QStringLiteral("{work_context}\n{glossary}\n{text}"));
    EXPECT_EQ(stored.stringValue("promptPreset.4"), QStringLiteral("builtin.faithful-dialogue"));
    EXPECT_EQ(stored.stringValue("translationWorkContext"), QStringLiteral("アリス＝女主角，称呼主人公为「先輩」"));
    EXPECT_EQ(stored.stringValue("translationGlossary"), normalisedGlossary);
    EXPECT_FALSE(stored.boolValue("bilingualProperNouns", true));
    EXPECT_FALSE(stored.boolValue("filterThinkingOutput", true));
    // Only the chosen source's prompts were written.
    for (const char* key : {"prompt.1", "userPrompt.1", "promptPreset.1", "prompt.14"})
        EXPECT_FALSE(stored.contains(QString::fromLatin1(key))) << key;
}

TEST_F(AILocalizationSettingsTest, WithoutAPresetTheStoredPresetIsLeftAlone) {
    ASSERT_TRUE(settings.setString("promptPreset.1", "builtin.concise-ui"));

    AILocalizationValues values = editedValues();
    values.presetID.reset();
    ASSERT_TRUE(localization.saveAILocalization(Provider::openAI, values));
    ASSERT_TRUE(localization.saveAILocalization(Provider::claude, values));

    const SettingsStore stored;
    EXPECT_EQ(stored.stringValue("promptPreset.1"), QStringLiteral("builtin.concise-ui"));
    EXPECT_FALSE(stored.contains("promptPreset.2"));
    EXPECT_EQ(stored.stringValue("prompt.2"), values.prompt);
}

TEST_F(AILocalizationSettingsTest, LoadGivesTheDefaultsAndThenWhatWasSaved) {
    AILocalizationValues fresh;  // no preset, nothing shared, both switches on
    fresh.prompt = DefaultPrompts::otome();
    fresh.userPromptTemplate = DefaultPrompts::shortTemplate();
    EXPECT_EQ(localization.load(Provider::openAI), fresh);
    EXPECT_EQ(localization.load(Provider::hyMTLocal).userPromptTemplate, DefaultPrompts::hymtTemplate());

    ASSERT_TRUE(localization.saveAILocalization(Provider::hyMTLocal, editedValues()));
    AILocalizationValues expected = editedValues();
    expected.glossary = normalisedGlossary;
    EXPECT_EQ(localization.load(Provider::hyMTLocal), expected);
    // The shared values follow to every source; the prompts and preset do not.
    const AILocalizationValues other = localization.load(Provider::openAI);
    EXPECT_EQ(other.prompt, DefaultPrompts::otome());
    EXPECT_EQ(other.presetID, std::nullopt);
    EXPECT_EQ(other.glossary, normalisedGlossary);
    EXPECT_FALSE(other.filterThinkingOutput);
}

TEST_F(AILocalizationSettingsTest, ASourceWithoutPromptsIsRefused) {
    const auto refused = localization.saveAILocalization(Provider::google, editedValues());
    ASSERT_FALSE(refused.has_value());
    const SettingsStore stored;
    EXPECT_FALSE(stored.contains("prompt.0"));
    EXPECT_FALSE(stored.contains("translationGlossary"));
}

}  // namespace
}  // namespace ovisu
