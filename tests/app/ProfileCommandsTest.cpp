#include "app/InProcessCommand.h"
#include "app/ProfileCommands.h"
#include "base/SettingsStore.h"
#include "engine/DefaultPrompts.h"
#include "engine/TranslationPromptPreset.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QFile>
#include <gtest/gtest.h>

namespace ovisu {
namespace {

using test::CommandRun;

CommandRun run(int (*command)(const QStringList&, CommandStreams&), const QStringList& arguments) {
    return test::runInProcess(command, arguments);
}

QString homeFile(const QString& name, const QByteArray& bytes = {}) {
    const QString path = test::currentHome() + QLatin1Char('/') + name;
    if (!bytes.isNull()) test::writeBytes(path, bytes);
    return path;
}

TEST(ProfileCommands, ListSaveApplyAndDeleteProfiles) {
    CommandRun result = run(runProfilesCommand, {"profiles", "list"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "尚未保存配置\n");

    {
        SettingsStore settings;
        ASSERT_TRUE(settings.setInt("provider", 4));
        ASSERT_TRUE(settings.setString("model.4", "deepseek-chat"));
        ASSERT_TRUE(settings.setString("translationGlossary", "A → B"));
    }
    result = run(runProfilesCommand, {"profiles", "save", "日常 DeepSeek"});
    ASSERT_EQ(result.status, 0) << result.err.toStdString();

    result = run(runProfilesCommand, {"profiles", "list"});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.out.contains("日常 DeepSeek")) << result.out.toStdString();
    EXPECT_TRUE(result.out.contains("deepseek-chat"));

    // Change the settings, then apply the profile by a differently cased name.
    {
        SettingsStore settings;
        ASSERT_TRUE(settings.setInt("provider", 0));
        ASSERT_TRUE(settings.setString("model.4", "other"));
        ASSERT_TRUE(settings.setString("translationGlossary", ""));
    }
    result = run(runProfilesCommand, {"profiles", "apply", "日常 deepseek"});
    ASSERT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, "已切换配置：日常 DeepSeek\n");
    SettingsStore applied;
    EXPECT_EQ(applied.intValue("provider", -1), 4);
    EXPECT_EQ(applied.stringValue("model.4"), "deepseek-chat");
    EXPECT_EQ(applied.stringValue("translationGlossary"), "A → B");

    result = run(runProfilesCommand, {"profiles", "apply", "没有这个"});
    EXPECT_NE(result.status, 0);
    EXPECT_TRUE(result.err.contains("没有这个"));

    result = run(runProfilesCommand, {"profiles", "delete", "日常 DeepSeek"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_EQ(run(runProfilesCommand, {"profiles", "list"}).out, "尚未保存配置\n");
    EXPECT_NE(run(runProfilesCommand, {"profiles", "delete", "日常 DeepSeek"}).status, 0);
}

TEST(ProfileCommands, RefusesBadProfileArgumentsAndWarnsAboutAnUnreadableList) {
    for (const QStringList& arguments : {QStringList{"profiles"}, QStringList{"profiles", "rename", "x"},
                                         QStringList{"profiles", "save"}, QStringList{"profiles", "save", "  "},
                                         QStringList{"profiles", "list", "extra"}}) {
        const CommandRun result = run(runProfilesCommand, arguments);
        EXPECT_NE(result.status, 0) << arguments.join(' ').toStdString();
        EXPECT_FALSE(result.err.isEmpty());
        EXPECT_TRUE(result.out.isEmpty());
    }

    {
        SettingsStore settings;
        ASSERT_TRUE(settings.setString("translationProfiles", "garbage"));
    }
    const CommandRun listed = run(runProfilesCommand, {"profiles", "list"});
    EXPECT_EQ(listed.status, 0);
    EXPECT_TRUE(listed.err.startsWith("warning:")) << listed.err.toStdString();
}

TEST(ProfileCommands, PresetsListImportAndExport) {
    CommandRun result = run(runPresetsCommand, {"presets", "list"});
    ASSERT_EQ(result.status, 0);
    EXPECT_TRUE(result.out.contains("builtin.otome-localization"));
    EXPECT_TRUE(result.out.contains("游戏 UI 简洁翻译"));

    result = run(runPresetsCommand, {"presets", "import", homeFile("温柔角色.md", "说话温柔。")});
    ASSERT_EQ(result.status, 0) << result.err.toStdString();
    result = run(runPresetsCommand, {"presets", "list"});
    EXPECT_TRUE(result.out.contains("温柔角色"));
    const int customLine = int(result.out.indexOf("custom."));
    ASSERT_GT(customLine, 0);
    const QString customID = result.out.mid(customLine).section(' ', 0, 0);

    // Built-in and own presets both export; the file is one preset.
    const QString builtInFile = homeFile("hymt.json");
    ASSERT_EQ(run(runPresetsCommand, {"presets", "export", "builtin.hy-mt2-otome", builtInFile}).status, 0);
    QFile exported(builtInFile);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const auto decoded = TranslationPromptPresetCodec::decode(exported.readAll());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->userPromptTemplate, DefaultPrompts::hymtTemplate());

    const QString ownFile = homeFile("own.json");
    result = run(runPresetsCommand, {"presets", "export", customID, ownFile});
    ASSERT_EQ(result.status, 0) << customID.toStdString() << result.err.toStdString();
    EXPECT_TRUE(QFile::exists(ownFile));

    result = run(runPresetsCommand, {"presets", "export", "builtin.none", homeFile("none.json")});
    EXPECT_NE(result.status, 0);
    EXPECT_FALSE(QFile::exists(homeFile("none.json")));

    result = run(runPresetsCommand, {"presets", "import", homeFile("bad.txt", "\xff\xfe\xfd")});
    EXPECT_NE(result.status, 0);
    EXPECT_TRUE(result.err.contains("无法导入 Prompt")) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains("文件不是有效的 UTF-8 文本或Ovisu Prompt JSON。"));

    EXPECT_NE(run(runPresetsCommand, {"presets", "export", "builtin.concise-ui"}).status, 0);
    EXPECT_NE(run(runPresetsCommand, {"presets", "delete"}).status, 0);
}

}  // namespace
}  // namespace ovisu
