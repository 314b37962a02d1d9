#pragma once

#include <QString>
#include <QStringList>

// What the test game's menu screens show (ovisu-test-game --menu), shared by the game, the tests
// and the benchmarks as the truth of what a reader of the screen sees. A click anywhere turns the
// page; the game logs "menu-page" with the page's index.
namespace ovisu::test::TestGameMenu {

// The title screen: a column of menu words on a dark panel over the picture, a status line with a
// value and a date, and two light buttons.
inline QStringList titleMenuWords() {
    return {QStringLiteral("はじめから"), QStringLiteral("つづきから"), QStringLiteral("環境設定"),
            QStringLiteral("ギャラリー"), QStringLiteral("終了")};
}
inline QStringList titleStatusTexts() { return {QStringLiteral("好感度 35"), QStringLiteral("4月12日（月）")}; }
inline QStringList titleButtons() { return {QStringLiteral("決定"), QStringLiteral("戻る")}; }
inline QStringList titleScreenTexts() { return titleMenuWords() + titleStatusTexts() + titleButtons(); }

// The settings page the title screen turns to.
inline QStringList settingsScreenTexts() {
    return {QStringLiteral("文字の速さ"), QStringLiteral("音楽の音量"), QStringLiteral("既読スキップ"),
            QStringLiteral("戻る")};
}

}  // namespace ovisu::test::TestGameMenu
