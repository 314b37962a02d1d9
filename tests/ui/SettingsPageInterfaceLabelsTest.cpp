#include "app/ui/SettingsPageInterfaceLabels.h"

#include "base/Paths.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "base/ui/SegmentedControl.h"
#include "interface/UIOverlayAppearance.h"
#include "overlay/StoredColor.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace ovisu;
namespace Keys = ovisu::SettingsKeys;

namespace {

// Stores what the program stores for each operation, so the page's render after a call shows the
// outcome, and records every call.
class RecordingInterfaceActions final : public InterfaceCenterActions {
public:
    explicit RecordingInterfaceActions(SettingsStore& settings) : m_settings(settings) {}

    mutable QStringList calls;  // queries are recorded too: render must not need the program

    InterfaceCenterState interfaceCenterState() const override {
        calls << QStringLiteral("state");
        return {};
    }
    void interfaceCenterModeChanged(int segment) override { calls << QStringLiteral("mode %1").arg(segment); }
    void interfaceCenterScopeChanged(int segment) override { calls << QStringLiteral("scope %1").arg(segment); }
    void openUIRegionEditor() override { calls << QStringLiteral("openUIRegionEditor"); }
    void interfaceCenterStyleChanged(int segment) override {
        calls << QStringLiteral("style %1").arg(segment);
        (void)m_settings.setInt(Keys::interfaceOverlayStyle, segment);
    }
    void interfaceFontUp() override { stepFont(QStringLiteral("fontUp"), 1); }
    void interfaceFontDown() override { stepFont(QStringLiteral("fontDown"), -1); }
    void resetInterfaceOverlayAppearance() override {
        calls << QStringLiteral("reset");
        (void)UIOverlayAppearance::defaults().store(m_settings);
    }
    void interfaceOverlayAppearanceChanged() override { calls << QStringLiteral("appearanceChanged"); }
    void interfaceCenterWindowFollowChanged(bool enabled) override {
        calls << QStringLiteral("follow %1").arg(enabled);
        (void)m_settings.setBool(Keys::interfaceWindowFollowEnabled, enabled);
    }
    bool interfaceCenterKindChanged(UIElementKind, bool) override {
        calls << QStringLiteral("kind");
        return true;
    }
    void openUIDictionaryEditor() override { calls << QStringLiteral("openUIDictionaryEditor"); }
    void openUICacheManager() override { calls << QStringLiteral("openUICacheManager"); }
    void clearAutomaticUICache() override { calls << QStringLiteral("clearAutomaticUICache"); }
    void performManualOCR() override { calls << QStringLiteral("performManualOCR"); }

private:
    void stepFont(const QString& call, int step) {
        calls << call;
        if (const auto next = steppedInterfaceFontSize(UIOverlayAppearance::read(m_settings).fontSize, step))
            (void)m_settings.setDouble(Keys::interfaceOverlayFontSize, *next);
    }

    SettingsStore& m_settings;
};

void click(QAbstractButton* button) {
    ASSERT_NE(button, nullptr);
    // A check box spanning a wide row has empty space at its centre, so it is clicked on its box.
    const QPoint at = qobject_cast<QCheckBox*>(button) ? QPoint(6, button->height() / 2) : button->rect().center();
    QTest::mouseClick(button, Qt::LeftButton, {}, at);
}

QString hex(const QColor& color) { return color.name(QColor::HexArgb); }

// What another process would read from disk now.
SettingsStore reopened() { return SettingsStore(paths::settingsFile()); }

class SettingsPageInterfaceLabelsTest : public ::testing::Test {
protected:
    SettingsStore settings;
    RecordingInterfaceActions actions{settings};
    std::unique_ptr<SettingsPageInterfaceLabels> page;

    void open(SettingsStore& store) {
        page = std::make_unique<SettingsPageInterfaceLabels>(store, actions);
        page->show();
    }
    void open() { open(settings); }

    template <typename T>
    T* control(const QString& name) const {
        auto* found = page->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    void moveSlider(const QString& key, int position) const {
        auto* slider = control<SettingsSlider>(key);
        ASSERT_NE(slider, nullptr);
        slider->slider()->setValue(position);
    }
};

TEST_F(SettingsPageInterfaceLabelsTest, SlidersAndShadowStoreTheirKeyAndRedrawTheLabels) {
    open();

    moveSlider(Keys::interfaceOverlayBackgroundOpacity, 30);
    EXPECT_EQ(reopened().doubleValue(Keys::interfaceOverlayBackgroundOpacity, -1), 0.5);
    EXPECT_EQ(actions.calls, QStringList({"appearanceChanged"}));

    moveSlider(Keys::interfaceOverlayPadding, 8);
    moveSlider(Keys::interfaceOverlayCornerRadius, 0);
    click(control<QCheckBox>(Keys::interfaceOverlayShadowEnabled));

    const UIOverlayAppearance stored = UIOverlayAppearance::read(reopened());
    EXPECT_EQ(stored.backgroundOpacity, 0.5);
    EXPECT_EQ(stored.padding, 12);
    EXPECT_EQ(stored.cornerRadius, 0);
    EXPECT_FALSE(stored.shadowEnabled);
    EXPECT_EQ(control<SettingsSlider>(Keys::interfaceOverlayPadding)->valueText(), "12 pt");
    EXPECT_EQ(actions.calls.count("appearanceChanged"), 4);
    EXPECT_EQ(actions.calls.size(), 4) << actions.calls.join(", ").toStdString();
}

TEST_F(SettingsPageInterfaceLabelsTest, ColourPickerStoresWhatTheLabelsReadAndCancelStoresNothing) {
    open();
    QColor offered;
    QString offeredTitle;
    QColor answer;
    page->setColorPicker([&](const QColor& initial, const QString& title) {
        offered = initial;
        offeredTitle = title;
        return answer;
    });

    answer = QColor();  // cancelled
    click(control<QPushButton>(Keys::interfaceOverlayBackgroundColor));
    EXPECT_EQ(hex(offered), hex(UIOverlayAppearance::defaults().backgroundColor));
    EXPECT_FALSE(QFile::exists(paths::settingsFile()));
    EXPECT_FALSE(settings.contains(Keys::interfaceOverlayBackgroundColor));
    EXPECT_TRUE(actions.calls.isEmpty()) << actions.calls.join(", ").toStdString();

    answer = QColor(255, 128, 0, 200);
    click(control<QPushButton>(Keys::interfaceOverlayBackgroundColor));
    answer = QColor(20, 40, 60);
    click(control<QPushButton>(Keys::interfaceOverlayTextColor));
    EXPECT_EQ(offeredTitle, "文字颜色");

    const UIOverlayAppearance stored = UIOverlayAppearance::read(reopened());
    EXPECT_EQ(hex(stored.backgroundColor), hex(QColor(255, 128, 0, 200)));
    EXPECT_EQ(hex(stored.textColor), hex(QColor(20, 40, 60)));
    EXPECT_EQ(actions.calls, QStringList({"appearanceChanged", "appearanceChanged"}));

    // Choosing again starts from the stored colour, not the built-in one.
    answer = QColor();
    click(control<QPushButton>(Keys::interfaceOverlayBackgroundColor));
    EXPECT_EQ(hex(offered), hex(QColor(255, 128, 0, 200)));
}

TEST_F(SettingsPageInterfaceLabelsTest, AFailedWriteIsReportedAndTheLabelsStillFollowTheValue) {
    // The settings file's folder cannot be made: a plain file stands where it would go.
    const QString blocker = test::currentHome() + QStringLiteral("/blocker");
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    SettingsStore unwritable(blocker + QStringLiteral("/settings.json"));
    open(unwritable);
    QSignalSpy failures(page.get(), &SettingsPage::storeFailed);

    moveSlider(Keys::interfaceOverlayCornerRadius, 3);
    page->setColorPicker([](const QColor&, const QString&) { return QColor(1, 2, 3); });
    click(control<QPushButton>(Keys::interfaceOverlayTextColor));

    ASSERT_EQ(failures.count(), 2);
    EXPECT_FALSE(failures.at(0).at(0).toString().isEmpty());
    const UIOverlayAppearance held = UIOverlayAppearance::read(unwritable);
    EXPECT_EQ(held.cornerRadius, 3);
    EXPECT_EQ(hex(held.textColor), hex(QColor(1, 2, 3)));
    EXPECT_EQ(actions.calls, QStringList({"appearanceChanged", "appearanceChanged"}));
}

TEST_F(SettingsPageInterfaceLabelsTest, RenderShowsStoredValuesAndCallsNothing) {
    open();
    ASSERT_TRUE(settings.setInt(Keys::interfaceOverlayStyle, 1));
    ASSERT_TRUE(settings.setDouble(Keys::interfaceOverlayFontSize, 22));
    ASSERT_TRUE(settings.setDouble(Keys::interfaceOverlayBackgroundOpacity, 0.35));
    ASSERT_TRUE(settings.setDouble(Keys::interfaceOverlayPadding, 40));  // beyond the slider: shown at its end
    ASSERT_TRUE(settings.setBool(Keys::interfaceOverlayShadowEnabled, false));
    ASSERT_TRUE(settings.setBool(Keys::interfaceWindowFollowEnabled, false));
    const QByteArray before = [] {
        QFile stored(paths::settingsFile());
        return stored.open(QIODevice::ReadOnly) ? stored.readAll() : QByteArray();
    }();

    page->render();

    EXPECT_EQ(control<SegmentedControl>(Keys::interfaceOverlayStyle)->currentIndex(), 1);
    EXPECT_EQ(control<QLabel>(Keys::interfaceOverlayFontSize)->text(), "22 pt");
    EXPECT_EQ(control<SettingsSlider>(Keys::interfaceOverlayBackgroundOpacity)->valueText(), "0.35");
    EXPECT_EQ(control<SettingsSlider>(Keys::interfaceOverlayPadding)->valueText(), "24 pt");
    EXPECT_FALSE(control<QCheckBox>(Keys::interfaceOverlayShadowEnabled)->isChecked());
    EXPECT_FALSE(control<QCheckBox>(Keys::interfaceWindowFollowEnabled)->isChecked());
    EXPECT_TRUE(actions.calls.isEmpty()) << actions.calls.join(", ").toStdString();
    // The padding shown at the slider's end is not written back.
    QFile after(paths::settingsFile());
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before);
}

TEST_F(SettingsPageInterfaceLabelsTest, PlacementAndFontSizeGoThroughTheProgram) {
    ASSERT_TRUE(settings.setDouble(Keys::interfaceOverlayFontSize, UIOverlayAppearance::maximumFontSize - 1));
    open();
    auto* up = control<QPushButton>(QStringLiteral("interfaceFontUp"));
    auto* down = control<QPushButton>(QStringLiteral("interfaceFontDown"));

    click(up);
    EXPECT_EQ(control<QLabel>(Keys::interfaceOverlayFontSize)->text(), "48 pt");
    EXPECT_FALSE(up->isEnabled());
    EXPECT_TRUE(down->isEnabled());
    click(down);
    EXPECT_EQ(control<QLabel>(Keys::interfaceOverlayFontSize)->text(), "47 pt");
    EXPECT_TRUE(up->isEnabled());

    auto* style = control<SegmentedControl>(Keys::interfaceOverlayStyle);
    ASSERT_NE(style, nullptr);
    click(style->button(1));
    click(control<QCheckBox>(Keys::interfaceWindowFollowEnabled));

    // The program stores these keys itself and redraws the labels; the page stores none of them.
    EXPECT_EQ(actions.calls, QStringList({"fontUp", "fontDown", "style 1", "follow 0"}));
}

TEST_F(SettingsPageInterfaceLabelsTest, ResetGoesThroughTheProgramAndAsksEveryPageToRenderAgain) {
    open();
    QSignalSpy renders(page.get(), &SettingsPage::renderRequested);
    click(control<QPushButton>(QStringLiteral("resetInterfaceOverlayAppearance")));
    EXPECT_EQ(actions.calls, QStringList({"reset"}));
    EXPECT_EQ(renders.count(), 1);
}

}  // namespace
