#include "support/TestFiles.h"
#include "base/Paths.h"
#include "base/SettingsStore.h"
#include "engine/DefaultPrompts.h"
#include "engine/LocalCredentialStore.h"
#include "engine/ProviderSelection.h"
#include "engine/ProviderSettings.h"
#include "engine/TranslationProfileStore.h"
#include "engine/TranslationProfiles.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>
#include <gtest/gtest.h>

using ovisu::test::readBytes;

namespace ovisu {
namespace {

QString writeFile(const QString& name, const QByteArray& bytes) {
    const QString path = test::currentHome() + QLatin1Char('/') + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    return path;
}

TranslationProfile fullProfile(const QString& name) {
    TranslationProfile profile;
    profile.name = name;
    profile.providerRawValue = 4;
    profile.model = "deepseek-chat";
    profile.endpoint = "https://api.deepseek.com/chat/completions";
    profile.prompt = "系统提示";
    profile.userPromptTemplate = "{glossary}\n{text}";
    profile.promptPresetID = "builtin.concise-ui";
    profile.workContext = "作品设定";
    profile.glossary = "ルカ → 路卡";
    profile.filterThinking = false;
    profile.streamingEnabled = true;
    profile.deepSeekThinkingDisabled = false;
    profile.temperature = 0.7;
    profile.maxTokens = 2048;
    profile.topP = 0.85;
    profile.contextCount = 5;
    return profile;
}

TranslationProfile bareProfile(const QString& name, int raw) {
    TranslationProfile profile;
    profile.name = name;
    profile.providerRawValue = raw;
    profile.model = "model-from-profile";
    profile.endpoint = "https://example.test/v1/chat/completions";
    profile.prompt = "profile prompt";
    profile.temperature = 1.1;
    profile.maxTokens = 512;
    profile.topP = 0.5;
    profile.contextCount = 0;
    return profile;
}

// The components as the desktop program holds them, on the test's settings file.
struct Components {
    SettingsStore settings;
    ProviderSelection selection{settings};
    ProviderSettings providerSettings{settings};
    TranslationProfiles profiles{settings, selection, providerSettings};
};

// ---- Codec and stores

TEST(TranslationProfileCodec, RoundTripsWithAndWithoutOptionalFields) {
    const TranslationProfile full = fullProfile("完整");
    const TranslationProfile bare = bareProfile("bare", 6);
    const QJsonArray encoded = TranslationProfileCodec::encode({full, bare});

    const QJsonObject bareObject = encoded.at(1).toObject();
    for (const char* key : {"userPromptTemplate", "promptPresetID", "workContext", "glossary", "filterThinking",
                            "streamingEnabled", "deepSeekThinkingDisabled"}) {
        EXPECT_TRUE(encoded.at(0).toObject().contains(QLatin1String(key))) << key;
        EXPECT_FALSE(bareObject.contains(QLatin1String(key))) << key;
    }
    EXPECT_EQ(bareObject.value("providerRawValue").toInt(), 6);

    const auto decoded = TranslationProfileCodec::decode(TranslationProfileCodec::encodeBytes({full, bare}));
    ASSERT_TRUE(decoded.has_value()) << decoded.error().toStdString();
    // Sorted by name, case-insensitively: "bare" before "完整".
    EXPECT_EQ(*decoded, (QList<TranslationProfile>{bare, full}));
}

TEST(TranslationProfileCodec, DecodeSortsCaseInsensitivelyAndRejectsBrokenEntries) {
    const auto named = [](const QString& name) { return bareProfile(name, 0); };
    auto decoded = TranslationProfileCodec::decode(
        TranslationProfileCodec::encode({named("beta"), named("Gamma"), named("alpha2"), named("Alpha")}));
    ASSERT_TRUE(decoded.has_value());
    QStringList names;
    for (const auto& profile : *decoded) names << profile.name;
    EXPECT_EQ(names, (QStringList{"Alpha", "alpha2", "beta", "Gamma"}));

    // null for an optional field is the same as leaving it out.
    QJsonObject withNull = TranslationProfileCodec::encode({named("n")}).at(0).toObject();
    withNull.insert("glossary", QJsonValue::Null);
    decoded = TranslationProfileCodec::decode(QJsonValue(QJsonArray{withNull}));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_FALSE(decoded->first().glossary.has_value());

    const QJsonObject good = TranslationProfileCodec::encode({fullProfile("good")}).at(0).toObject();
    const auto broken = [&good](const char* key, const QJsonValue& value) {
        QJsonObject object = good;
        if (value.isUndefined())
            object.remove(QLatin1String(key));
        else
            object.insert(QLatin1String(key), value);
        return QJsonValue(QJsonArray{good, object});
    };
    EXPECT_FALSE(TranslationProfileCodec::decode(broken("topP", QJsonValue::Undefined)).has_value());
    EXPECT_FALSE(TranslationProfileCodec::decode(broken("name", QJsonValue::Undefined)).has_value());
    EXPECT_FALSE(TranslationProfileCodec::decode(broken("maxTokens", 12.5)).has_value());
    EXPECT_FALSE(TranslationProfileCodec::decode(broken("providerRawValue", "4")).has_value());
    EXPECT_FALSE(TranslationProfileCodec::decode(broken("streamingEnabled", "yes")).has_value());
    EXPECT_FALSE(TranslationProfileCodec::decode(QJsonValue(QJsonArray{good, 3})).has_value());
    EXPECT_FALSE(TranslationProfileCodec::decode(QJsonValue("not a list")).has_value());
    EXPECT_FALSE(TranslationProfileCodec::decode(QByteArray("[{")).has_value());
}

// ---- Profiles

TEST(TranslationProfiles, SaveBuildsFromTheCurrentSettingsAndNeverHoldsASecret) {
    Components c;
    ASSERT_TRUE(LocalCredentialStore::save("sk-profile-secret-4242", ProviderCatalogue::credentialAccount(Provider::deepSeek)));
    ASSERT_TRUE(c.selection.providerChanged(Provider::deepSeek));
    ASSERT_TRUE(c.settings.setString("model.4", "deepseek-reasoner"));
    ASSERT_TRUE(c.settings.setString("userPrompt.4", "{text}!"));
    ASSERT_TRUE(c.settings.setString("translationGlossary", "A → B"));
    ASSERT_TRUE(c.settings.setBool("translationStreamingEnabled", true));
    ASSERT_TRUE(c.settings.setDouble("translationTemperature", 0.55));

    const auto saved = c.profiles.saveCurrentTranslationProfile("  日常 \n");
    ASSERT_TRUE(saved.has_value()) << saved.error().toStdString();
    EXPECT_EQ(saved->name, "日常");
    EXPECT_EQ(saved->providerRawValue, 4);
    EXPECT_EQ(saved->model, "deepseek-reasoner");
    EXPECT_EQ(saved->endpoint, ProviderCatalogue::defaultEndpoint(Provider::deepSeek));
    EXPECT_EQ(saved->prompt, DefaultPrompts::otome());
    EXPECT_EQ(saved->userPromptTemplate, "{text}!");
    EXPECT_FALSE(saved->promptPresetID.has_value());  // none stored for this source
    EXPECT_EQ(saved->glossary, "A → B");
    EXPECT_EQ(saved->workContext, "");
    EXPECT_EQ(saved->filterThinking, true);
    EXPECT_EQ(saved->streamingEnabled, true);
    EXPECT_EQ(saved->deepSeekThinkingDisabled, true);
    EXPECT_DOUBLE_EQ(saved->temperature, 0.55);
    EXPECT_EQ(saved->maxTokens, 1024);
    EXPECT_EQ(saved->contextCount, 3);

    EXPECT_FALSE(readBytes(paths::settingsFile()).contains("sk-profile-secret-4242"));
    EXPECT_FALSE(QJsonDocument(c.settings.arrayValue("translationProfiles").value()).toJson().contains("sk-profile"));

    // Empty names are refused and store nothing.
    EXPECT_FALSE(c.profiles.saveCurrentTranslationProfile(" \n\t").has_value());
    EXPECT_EQ(c.profiles.profiles().size(), 1);
}

TEST(TranslationProfiles, SavingASameNameInOtherCaseReplacesItAndTheListStaysSorted) {
    Components c;
    ASSERT_TRUE(c.profiles.saveCurrentTranslationProfile("beta"));
    ASSERT_TRUE(c.profiles.saveCurrentTranslationProfile("Alpha"));
    ASSERT_TRUE(c.profiles.saveCurrentTranslationProfile("gamma"));
    ASSERT_TRUE(c.settings.setString("model.0", "changed"));
    ASSERT_TRUE(c.profiles.saveCurrentTranslationProfile("ALPHA"));

    QStringList names;
    for (const auto& profile : c.profiles.profiles()) names << profile.name;
    EXPECT_EQ(names, (QStringList{"ALPHA", "beta", "gamma"}));
    EXPECT_EQ(c.profiles.profileNamed("alpha")->model, "changed");

    // What is stored is what a fresh start loads.
    Components reloaded;
    EXPECT_EQ(reloaded.profiles.profiles(), c.profiles.profiles());

    ASSERT_TRUE(c.profiles.deleteTranslationProfile("BETA"));
    EXPECT_FALSE(c.profiles.deleteTranslationProfile("beta").has_value());
    EXPECT_EQ(Components().profiles.profiles().size(), 2);
}

TEST(TranslationProfiles, ApplyWithoutOptionalFieldsKeepsTheCurrentExtras) {
    Components c;
    // Every extra differs from its default, so one the apply resets shows.
    const std::pair<QString, QJsonValue> extras[] = {
        {"translationGlossary", "ルカ → 路卡"}, {"translationWorkContext", "乙女游戏"}, {"filterThinkingOutput", false},
        {"translationStreamingEnabled", true},  {"deepSeekThinkingDisabled", false},    {"userPrompt.4", "mine {text}"},
        {"promptPreset.4", "custom.X"}};
    for (const auto& [key, value] : extras) ASSERT_TRUE(c.settings.setValue(key, value));

    const auto status = c.profiles.applyTranslationProfile(bareProfile("旧配置", 4));
    ASSERT_TRUE(status.has_value()) << status.error().toStdString();
    EXPECT_EQ(*status, "已切换配置：旧配置");

    SettingsStore stored;  // what was persisted
    EXPECT_EQ(c.selection.currentProvider(), Provider::deepSeek);
    EXPECT_EQ(stored.intValue("provider", -1), 4);
    EXPECT_EQ(stored.stringValue("model.4"), "model-from-profile");
    EXPECT_EQ(stored.stringValue("endpoint.4"), "https://example.test/v1/chat/completions");
    EXPECT_EQ(stored.stringValue("prompt.4"), "profile prompt");
    EXPECT_DOUBLE_EQ(stored.doubleValue("translationTemperature", 0), 1.1);
    EXPECT_EQ(stored.intValue("translationMaxTokens", 0), 512);
    EXPECT_DOUBLE_EQ(stored.doubleValue("translationTopP", 0), 0.5);
    EXPECT_EQ(stored.intValue("translationContextCount", -1), 0);

    for (const auto& [key, value] : extras) EXPECT_EQ(stored.value(key), value) << key.toStdString();
}

TEST(TranslationProfiles, ApplyWritesPresentOptionalFieldsAndLeavesGooglesPromptAlone) {
    Components c;
    ASSERT_TRUE(c.profiles.applyTranslationProfile(fullProfile("全")));
    SettingsStore stored;
    EXPECT_EQ(stored.stringValue("userPrompt.4"), "{glossary}\n{text}");
    EXPECT_EQ(stored.stringValue("promptPreset.4"), "builtin.concise-ui");
    EXPECT_EQ(stored.stringValue("translationWorkContext"), "作品设定");
    EXPECT_EQ(stored.stringValue("translationGlossary"), "ルカ → 路卡");
    EXPECT_FALSE(stored.boolValue("filterThinkingOutput", true));
    EXPECT_TRUE(stored.boolValue("translationStreamingEnabled", false));
    EXPECT_FALSE(stored.boolValue("deepSeekThinkingDisabled", true));

    ASSERT_TRUE(c.profiles.applyTranslationProfile(bareProfile("谷歌", 0)));
    EXPECT_FALSE(SettingsStore().contains("prompt.0"));
    EXPECT_EQ(SettingsStore().stringValue("model.0"), "model-from-profile");
    EXPECT_EQ(c.selection.currentProvider(), Provider::google);
}

TEST(TranslationProfiles, ApplyRefusesAnUnknownSourceAndEnablesAHiddenOne) {
    Components c;
    ASSERT_TRUE(c.settings.setValue("enabledProviders", QJsonArray{0, 4}));
    Components fresh;  // picks up the narrowed enabled set
    const QByteArray before = readBytes(paths::settingsFile());

    EXPECT_FALSE(fresh.profiles.applyTranslationProfile(bareProfile("坏", 99)).has_value());
    EXPECT_FALSE(fresh.profiles.applyTranslationProfile(bareProfile("坏", -1)).has_value());
    EXPECT_EQ(readBytes(paths::settingsFile()), before);

    ASSERT_TRUE(fresh.profiles.applyTranslationProfile(bareProfile("Groq", 22)));
    EXPECT_TRUE(fresh.selection.enabledProviders().contains(Provider::groq));
    EXPECT_EQ(fresh.selection.currentProvider(), Provider::groq);
    QList<int> enabled;
    const QJsonArray stored = SettingsStore().arrayValue("enabledProviders").value_or(QJsonArray{});
    for (const QJsonValue& value : stored) enabled << value.toInt();
    EXPECT_EQ(enabled, (QList<int>{0, 4, 22}));
    EXPECT_EQ(SettingsStore().intValue("provider", -1), 22);
}

// ---- Prompt presets

TEST(TranslationPromptPresets, BuiltInsComeFirstThenTheUsersInStoredOrder) {
    Components c;
    const auto first = c.profiles.savePromptPresetAs(" 我的预设 ", "sys", "tpl {text}");
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->name, "我的预设");
    ASSERT_TRUE(first->id.startsWith("custom."));
    EXPECT_FALSE(QUuid::fromString(first->id.mid(7)).isNull());
    ASSERT_TRUE(c.profiles.savePromptPresetAs("aaa", "s", "t"));  // stored order, not sorted by name
    EXPECT_FALSE(c.profiles.savePromptPresetAs("  ", "s", "t").has_value());

    const QList<TranslationPromptPreset> all = Components().profiles.allPresets();
    ASSERT_EQ(all.size(), 6);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(all[i].id.startsWith("builtin.")) << all[i].id.toStdString();
    EXPECT_EQ(all[4].name, "我的预设");
    EXPECT_EQ(all[5].name, "aaa");
    EXPECT_NE(all[4].id, all[5].id);
}

TEST(TranslationPromptPresets, ImportReadsPresetJsonInAnyCaseAndOtherFilesAsText) {
    Components c;
    const TranslationPromptPreset shared{"custom.shared-by-a-friend", "威尔修", "系统", "模板 {text}"};
    for (const QString& fileName : {QStringLiteral("friend.json"), QStringLiteral("FRIEND.JSON")}) {
        const auto imported =
            c.profiles.importPromptPreset(writeFile(fileName, TranslationPromptPresetCodec::encode(shared)));
        ASSERT_TRUE(imported.has_value()) << fileName.toStdString();
        EXPECT_EQ(imported->name, shared.name);
        EXPECT_EQ(imported->systemPrompt, shared.systemPrompt);
        EXPECT_EQ(imported->userPromptTemplate, shared.userPromptTemplate);
        EXPECT_TRUE(imported->id.startsWith("custom."));
        EXPECT_NE(imported->id, shared.id);
    }

    const auto markdown = c.profiles.importPromptPreset(writeFile("终远的威尔修.md", "# 角色\n说话温柔。\n"));
    ASSERT_TRUE(markdown.has_value());
    EXPECT_EQ(markdown->name, "终远的威尔修");
    EXPECT_EQ(markdown->systemPrompt, "# 角色\n说话温柔。\n");
    EXPECT_EQ(markdown->userPromptTemplate, DefaultPrompts::shortTemplate());

    const auto text = c.profiles.importPromptPreset(writeFile("notes.v2.txt", "纯文本"));
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->name, "notes.v2");

    // JSON that is not a preset, and a preset's JSON in a .txt file, are plain text.
    const QByteArray notAPreset = R"({"name": "缺少其他字段"})";
    const auto loose = c.profiles.importPromptPreset(writeFile("loose.json", notAPreset));
    ASSERT_TRUE(loose.has_value());
    EXPECT_EQ(loose->name, "loose");
    EXPECT_EQ(loose->systemPrompt, QString::fromUtf8(notAPreset));
    const auto asText = c.profiles.importPromptPreset(writeFile("preset.txt", TranslationPromptPresetCodec::encode(shared)));
    ASSERT_TRUE(asText.has_value());
    EXPECT_EQ(asText->name, "preset");
    EXPECT_TRUE(asText->systemPrompt.contains("custom.shared-by-a-friend"));

    EXPECT_EQ(Components().profiles.customPromptPresets().size(), 6);
}

TEST(TranslationPromptPresets, ImportOfBytesThatAreNotUtf8IsRefusedAndAddsNothing) {
    Components c;
    const QByteArray settingsBefore = readBytes(paths::settingsFile());
    for (const QString& fileName : {QStringLiteral("latin1.txt"), QStringLiteral("broken.json")}) {
        const QByteArray bytes = fileName.endsWith("json") ? QByteArray("{\"name\": \"caf\xe9\"}") : QByteArray("caf\xe9 \xff\xfe");
        const auto imported = c.profiles.importPromptPreset(writeFile(fileName, bytes));
        ASSERT_FALSE(imported.has_value()) << fileName.toStdString();
        EXPECT_EQ(imported.error().title, "无法导入 Prompt");
        EXPECT_EQ(imported.error().text, "文件不是有效的 UTF-8 文本或Ovisu Prompt JSON。");
    }
    EXPECT_TRUE(c.profiles.customPromptPresets().isEmpty());
    EXPECT_EQ(readBytes(paths::settingsFile()), settingsBefore);

    const auto missing = c.profiles.importPromptPreset(test::currentHome() + "/no-such-file.md");
    ASSERT_FALSE(missing.has_value());
    EXPECT_EQ(missing.error().title, "无法导入 Prompt");
    EXPECT_TRUE(c.profiles.customPromptPresets().isEmpty());
}

TEST(TranslationPromptPresets, ExportWritesPrettySortedJsonThatImportsBack) {
    Components c;
    const QString path = test::currentHome() + "/exports/ui.json";
    ASSERT_TRUE(c.profiles.exportPromptPreset("builtin.concise-ui", path));
    const QByteArray bytes = readBytes(path);
    EXPECT_TRUE(bytes.startsWith("{\n    \"id\": \"builtin.concise-ui\",\n    \"name\": ")) << bytes.constData();
    EXPECT_LT(bytes.indexOf("\"systemPrompt\""), bytes.indexOf("\"userPromptTemplate\""));
    EXPECT_EQ(TranslationPromptPresetCodec::decode(bytes), c.profiles.preset("builtin.concise-ui"));

    const auto imported = c.profiles.importPromptPreset(path);
    ASSERT_TRUE(imported.has_value());
    EXPECT_EQ(imported->name, "游戏 UI 简洁翻译");
    EXPECT_EQ(imported->systemPrompt, DefaultPrompts::conciseUIPrompt());
    EXPECT_EQ(imported->userPromptTemplate, DefaultPrompts::conciseUITemplate());

    // The user's presets export too; unknown ids do not.
    const QString again = test::currentHome() + "/again.json";
    ASSERT_TRUE(c.profiles.exportPromptPreset(imported->id, again));
    EXPECT_EQ(TranslationPromptPresetCodec::decode(readBytes(again)), *imported);
    EXPECT_FALSE(c.profiles.exportPromptPreset("custom.none", test::currentHome() + "/x.json").has_value());
    EXPECT_FALSE(QFile::exists(test::currentHome() + "/x.json"));

    const TranslationPromptPreset unnamed = TranslationProfiles::exportedPreset({}, {}, "s", "t");
    EXPECT_EQ(unnamed.id, "exported");
    EXPECT_EQ(unnamed.name, "Ovisu Prompt");
    EXPECT_EQ(TranslationProfiles::proposedExportFileName(unnamed), "Ovisu Prompt.json");
}

TEST(TranslationPromptPresets, ResetGivesTheSourcesDefaults) {
    const AILocalizationDefaults hymt = TranslationProfiles::resetAILocalization(Provider::hyMTLocal);
    EXPECT_EQ(hymt.prompt, DefaultPrompts::hymt());
    EXPECT_EQ(hymt.userPromptTemplate, DefaultPrompts::hymtTemplate());
    EXPECT_EQ(hymt.presetID, "builtin.hy-mt2-otome");
    for (Provider provider : {Provider::qwenLocal, Provider::deepSeek}) {
        const AILocalizationDefaults other = TranslationProfiles::resetAILocalization(provider);
        EXPECT_EQ(other.prompt, DefaultPrompts::otome());
        EXPECT_EQ(other.userPromptTemplate, DefaultPrompts::shortTemplate());
        EXPECT_EQ(other.presetID, "builtin.otome-localization");
    }
}

}  // namespace
}  // namespace ovisu
