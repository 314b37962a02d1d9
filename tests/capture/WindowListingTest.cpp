#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "capture/WindowListing.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace ovisu {
namespace {

constexpr qint64 ownProcess = 4242;

PlatformWindow window(quint32 id, const QString& application, const std::optional<QString>& title,
                      QRect frame = QRect(100, 100, 1280, 720)) {
    PlatformWindow w;
    w.windowID = id;
    w.frame = frame;
    w.title = title;
    w.isOnScreen = true;
    w.windowLayer = 0;
    w.processID = 1000 + id;
    w.applicationName = application;
    return w;
}

QList<quint32> ids(const QList<TargetWindow>& targets) {
    QList<quint32> result;
    for (const TargetWindow& target : targets)
        result.append(target.windowID());
    return result;
}

QStringList titles(const QList<TargetWindow>& targets) {
    QStringList result;
    for (const TargetWindow& target : targets)
        result.append(target.title);
    return result;
}

TEST(WindowListingTest, OnlyVisibleNormalForeignWindowsOfUsableSizeAreOffered) {
    QList<PlatformWindow> windows;
    windows << window(1, u"Game"_qs, u"a"_qs, QRect(0, 0, 260, 140));  // exactly the minimum
    windows << window(2, u"Game"_qs, u"b"_qs, QRect(0, 0, 259, 600));
    windows << window(3, u"Game"_qs, u"c"_qs, QRect(0, 0, 800, 139));
    PlatformWindow own = window(4, u"ovisu"_qs, u"Ovisu"_qs);
    own.processID = ownProcess;  // main window, overlay, picker
    windows << own;
    PlatformWindow hidden = window(5, u"Game"_qs, u"e"_qs);
    hidden.isOnScreen = false;
    windows << hidden;
    PlatformWindow dock = window(6, u"Panel"_qs, u"f"_qs);
    dock.windowLayer = 1;
    windows << dock;
    PlatformWindow ownerless = window(7, u"Game"_qs, u"g"_qs);
    ownerless.processID.reset();  // an owner we cannot tell is not us
    windows << ownerless;

    EXPECT_EQ(ids(WindowListing::eligibleTargets(windows, ownProcess)), (QList<quint32>{1, 7}));
    EXPECT_TRUE(WindowListing::eligibleTargets({}, ownProcess).isEmpty());
}

TEST(WindowListingTest, DisplayTitleIsTheApplicationAndTheTrimmedWindowTitle) {
    EXPECT_EQ(TargetWindow::displayTitle(window(1, u"Sakura Game"_qs, u"  第一章\n"_qs)), u"Sakura Game — 第一章"_qs);
    EXPECT_EQ(TargetWindow::displayTitle(window(1, u"Sakura Game"_qs, u" \t\n　"_qs)), u"Sakura Game"_qs);
    EXPECT_EQ(TargetWindow::displayTitle(window(1, u"Sakura Game"_qs, std::nullopt)), u"Sakura Game"_qs);

    PlatformWindow unknown = window(1, {}, u"Title"_qs);
    unknown.applicationName.reset();
    EXPECT_EQ(TargetWindow::displayTitle(unknown), u"应用 — Title"_qs);
    unknown.title.reset();
    EXPECT_EQ(TargetWindow::displayTitle(unknown), u"应用"_qs);
    // A blank name is no name: the entry must not be empty.
    EXPECT_EQ(TargetWindow::displayTitle(window(1, u" "_qs, std::nullopt)), u"应用"_qs);

    const TargetWindow target = TargetWindow::make(window(9, u"App"_qs, u"Main"_qs));
    EXPECT_EQ(target.title, u"App — Main"_qs);
    EXPECT_EQ(target.windowID(), 9u);
    EXPECT_EQ(target.frame(), QRect(100, 100, 1280, 720));
}

TEST(WindowListingTest, SortIgnoresCaseAndKeepsThePlatformOrderAmongEqualTitles) {
    const QList<PlatformWindow> windows{
        window(1, u"zeta"_qs, std::nullopt), window(2, u"Alpha"_qs, std::nullopt),
        window(3, u"GAME"_qs, std::nullopt), window(4, u"beta"_qs, std::nullopt),
        window(5, u"game"_qs, std::nullopt), window(6, u"Game"_qs, std::nullopt),
    };
    const QList<TargetWindow> sorted = WindowListing::eligibleTargets(windows, ownProcess);
    EXPECT_EQ(titles(sorted), (QStringList{"Alpha", "beta", "GAME", "game", "Game", "zeta"}));
    EXPECT_EQ(ids(sorted), (QList<quint32>{2, 4, 3, 5, 6, 1}));

    // The same windows listed in another order keep that order among the equal titles.
    const QList<PlatformWindow> reversed(windows.crbegin(), windows.crend());
    EXPECT_EQ(ids(WindowListing::eligibleTargets(reversed, ownProcess)), (QList<quint32>{2, 4, 6, 5, 3, 1}));

    // Many windows of few applications, as with several games open: within each title the
    // platform's order survives.
    const QStringList names{"Visual Novel", "browser", "VISUAL NOVEL", "Browser", "visual novel", "Editor"};
    QList<PlatformWindow> many;
    for (quint32 id = 1; id <= 48; ++id)
        many.append(window(id, names[(id * 7) % names.size()], std::nullopt));
    QList<quint32> expected;
    for (const QString& group : {u"browser"_qs, u"editor"_qs, u"visual novel"_qs})
        for (const PlatformWindow& w : many)
            if (w.applicationName->toLower() == group)
                expected.append(w.windowID);
    EXPECT_EQ(ids(WindowListing::eligibleTargets(many, ownProcess)), expected);
}

// The current selection while its window exists, then after a restart the stored identifier,
// then the stored title, then the first window.
TEST(WindowListingTest, ChoosingTheSelectionFallsBackFromCurrentToStoredIdentifierToTitleToFirst) {
    const QList<TargetWindow> targets = WindowListing::eligibleTargets(
        {window(10, u"A"_qs, u"One"_qs), window(20, u"B"_qs, u"Two"_qs), window(30, u"C"_qs, u"Three"_qs),
         window(40, u"C"_qs, u"Three"_qs)},
        ownProcess);
    EXPECT_EQ(WindowListing::chooseSelection(targets, 20u, 30, u"C — Three"_qs), 1);
    EXPECT_EQ(WindowListing::chooseSelection(targets, 99u, 30, u"A — One"_qs), 2);
    EXPECT_EQ(WindowListing::chooseSelection(targets, std::nullopt, 40, u"A — One"_qs), 3);
    // Identifiers change between runs: the title finds the window, the first of equal titles.
    EXPECT_EQ(WindowListing::chooseSelection(targets, std::nullopt, 12345, u"C — Three"_qs), 2);
    // A stored identifier of 0 means none, even if a window had that identifier.
    const QList<TargetWindow> withZero{TargetWindow::make(window(0, u"Z"_qs, {})), targets[1]};
    EXPECT_EQ(WindowListing::chooseSelection(withZero, std::nullopt, 0, u"B — Two"_qs), 1);
    // The title must match exactly.
    EXPECT_EQ(WindowListing::chooseSelection(targets, std::nullopt, 0, u"c — three"_qs), 0);
    EXPECT_EQ(WindowListing::chooseSelection(targets, 77u, 88, u"gone"_qs), 0);
    EXPECT_EQ(WindowListing::chooseSelection({}, 10u, 10, u"A — One"_qs), std::nullopt);
}

TEST(WindowListingTest, FollowingFindsTheTargetByIdentifierThenByTitleAndNeverOffScreen) {
    PlatformWindow hidden = window(5, "Game", "Chapter 1", QRect(0, 0, 640, 480));
    hidden.isOnScreen = false;
    const PlatformWindow sameTitle = window(9, "Game", "Chapter 1", QRect(10, 10, 640, 480));
    const PlatformWindow moved = window(5, "Game", "Chapter 2", QRect(300, 40, 800, 600));

    // The identifier wins even when the title changed meanwhile.
    auto found = WindowListing::locateTarget({sameTitle, moved}, 5, "Game — Chapter 1");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->windowID(), 5u);
    EXPECT_EQ(found->frame(), QRect(300, 40, 800, 600));
    EXPECT_EQ(found->title, "Game — Chapter 2");

    // A hidden window with the identifier does not count; the visible one with the title does.
    found = WindowListing::locateTarget({hidden, sameTitle}, 5, "Game — Chapter 1");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->windowID(), 9u);

    EXPECT_FALSE(WindowListing::locateTarget({hidden}, 5, "Game — Chapter 1"));
    EXPECT_FALSE(WindowListing::locateTarget({}, 5, "Game — Chapter 1"));
}

TEST(WindowListingTest, TheChosenTargetIsRememberedAcrossLaunches) {
    SettingsStore settings;
    EXPECT_EQ(WindowListing::rememberedTarget(settings), RememberedTarget{});

    const TargetWindow target = TargetWindow::make(window(3'000'000'001u, u"Game"_qs, u"Chapter 1"_qs));
    ASSERT_TRUE(WindowListing::rememberTarget(settings, target));
    const SettingsStore reopened(settings.filePath());
    EXPECT_EQ(WindowListing::rememberedTarget(reopened), (RememberedTarget{3'000'000'001, u"Game — Chapter 1"_qs}));

    ASSERT_TRUE(settings.setString(SettingsKeys::targetWindowID, u"12"_qs));
    EXPECT_EQ(WindowListing::rememberedTarget(settings).windowID, 0) << "not a number";
    ASSERT_TRUE(settings.setDouble(SettingsKeys::targetWindowID, 1.5));
    EXPECT_EQ(WindowListing::rememberedTarget(settings).windowID, 0) << "not a whole number";
}

}  // namespace
}  // namespace ovisu
