#include "app/ui/SettingsPageInterfaceLabels.h"

#include "base/Paths.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "base/ui/SegmentedControl.h"
#include "interface/UIOverlayAppearance.h"
#include "support/QtPrinters.h"
#include "ui/RecordingInterfaceCenterActions.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QCheckBox>
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

void click(QAbstractButton* button) {
    ASSERT_NE(button, nullptr);
    // A check box spanning a wide row has empty space at its centre, so it is clicked on its box.
    const QPoint at = qobject_cast<QCheckBox*>(button) ? QPoint(6, button->height() / 2) : button->rect().center();
    QTest::mouseClick(button, Qt::LeftButton, {}, at);
}

QString hex(const QColor& color) { return color.name(QColor::HexArgb); }

// What another process would read from disk now.
UIOverlayAppearance onDisk() { return UIOverlayAppearance::read(SettingsStore(paths::settingsFile())); }

class SettingsPageInterfaceLabelsTest : public ::testing::Test {
protected:
    void open(SettingsStore& store) {
        page = std::make_unique<SettingsPageInterfaceLabels>(store, actions);
        page->show();
    }
    template <typename T>
    T* control(const QString& name) const {
        auto* found = page->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    void moveSlider(const QString& key, int position) const {
        control<SettingsSlider>(key)->slider()->setValue(position);
    }

    SettingsStore settings;
    test::RecordingInterfaceCenterActions actions = [this] {
        test::RecordingInterfaceCenterActions recording(&settings);
        recording.recordsQueries = true;  // a render must not need the program at all
        return recording;
    }();
    std::unique_ptr<SettingsPageInterfaceLabels> page;
};

TEST_F(SettingsPageInterfaceLabelsTest, EachLookControlStoresItsKeyAndRedrawsTheLabels) {
    open(settings);
    moveSlider(Keys::interfaceOverlayBackgroundOpacity, 30);
    moveSlider(Keys::interfaceOverlayPadding, 8);
    moveSlider(Keys::interfaceOverlayCornerRadius, 0);
    click(control<QCheckBox>(Keys::interfaceOverlayShadowEnabled));
    const UIOverlayAppearance stored = onDisk();
    EXPECT_EQ(stored.backgroundOpacity, 0.5);
    EXPECT_EQ(stored.padding, 12);
    EXPECT_EQ(stored.cornerRadius, 0);
    EXPECT_FALSE(stored.shadowEnabled);
    EXPECT_EQ(actions.calls, QStringList(4, QStringLiteral("appearanceChanged")));

    // The picker starts from what the labels show; cancelling stores and calls nothing.
    QColor offered;
    QColor answer;
    page->setColorPicker([&](const QColor& initial, const QString&) {
        offered = initial;
        return answer;
    });
    actions.calls.clear();
    click(control<QPushButton>(Keys::interfaceOverlayBackgroundColor));
    EXPECT_EQ(hex(offered), hex(UIOverlayAppearance::defaults().backgroundColor));
    EXPECT_FALSE(settings.contains(Keys::interfaceOverlayBackgroundColor));
    answer = QColor(255, 128, 0, 200);
    click(control<QPushButton>(Keys::interfaceOverlayBackgroundColor));
    answer = QColor(20, 40, 60);
    click(control<QPushButton>(Keys::interfaceOverlayTextColor));
    EXPECT_EQ(hex(onDisk().backgroundColor), hex(QColor(255, 128, 0, 200)));
    EXPECT_EQ(hex(onDisk().textColor), hex(QColor(20, 40, 60)));
    EXPECT_EQ(actions.calls, QStringList(2, QStringLiteral("appearanceChanged")));
    click(control<QPushButton>(Keys::interfaceOverlayBackgroundColor));
    EXPECT_EQ(hex(offered), hex(QColor(255, 128, 0, 200)));
}

TEST_F(SettingsPageInterfaceLabelsTest, AFailedWriteIsReportedAndTheLabelsStillFollowTheValue) {
    // The settings file's folder cannot be made: a plain file stands where it would go.
    test::writeBytes(test::currentHome() + QStringLiteral("/blocker"), "a file");
    SettingsStore unwritable(test::currentHome() + QStringLiteral("/blocker/settings.json"));
    open(unwritable);
    QSignalSpy failures(page.get(), &SettingsPage::storeFailed);
    moveSlider(Keys::interfaceOverlayCornerRadius, 3);
    page->setColorPicker([](const QColor&, const QString&) { return QColor(1, 2, 3); });
    click(control<QPushButton>(Keys::interfaceOverlayTextColor));

    EXPECT_EQ(failures.count(), 2);
    const UIOverlayAppearance held = UIOverlayAppearance::read(unwritable);
    EXPECT_EQ(held.cornerRadius, 3);
    EXPECT_EQ(hex(held.textColor), hex(QColor(1, 2, 3)));
    EXPECT_EQ(actions.calls, QStringList(2, QStringLiteral("appearanceChanged")));
}

TEST_F(SettingsPageInterfaceLabelsTest, RenderShowsStoredValuesAndCallsAndWritesNothing) {
    open(settings);
    ASSERT_TRUE(settings.setInt(Keys::interfaceOverlayStyle, 1));
    ASSERT_TRUE(settings.setDouble(Keys::interfaceOverlayFontSize, 22));
    ASSERT_TRUE(settings.setDouble(Keys::interfaceOverlayBackgroundOpacity, 0.35));
    ASSERT_TRUE(settings.setDouble(Keys::interfaceOverlayPadding, 40));  // beyond the slider: shown at its end
    ASSERT_TRUE(settings.setBool(Keys::interfaceOverlayShadowEnabled, false));
    ASSERT_TRUE(settings.setBool(Keys::interfaceWindowFollowEnabled, false));
    const QByteArray before = test::readBytes(paths::settingsFile());
    page->render();

    EXPECT_EQ(control<SegmentedControl>(Keys::interfaceOverlayStyle)->currentIndex(), 1);
    EXPECT_TRUE(control<QLabel>(Keys::interfaceOverlayFontSize)->text().startsWith("22"));
    EXPECT_EQ(control<SettingsSlider>(Keys::interfaceOverlayBackgroundOpacity)->valueText(), "0.35");
    EXPECT_EQ(control<SettingsSlider>(Keys::interfaceOverlayPadding)->valueText(), "24 pt");
    EXPECT_FALSE(control<QCheckBox>(Keys::interfaceOverlayShadowEnabled)->isChecked());
    EXPECT_FALSE(control<QCheckBox>(Keys::interfaceWindowFollowEnabled)->isChecked());
    EXPECT_TRUE(actions.calls.isEmpty()) << actions.calls.join(", ").toStdString();
    EXPECT_EQ(test::readBytes(paths::settingsFile()), before);
}

TEST_F(SettingsPageInterfaceLabelsTest, PlacementFontSizeAndResetGoThroughTheProgram) {
    ASSERT_TRUE(settings.setDouble(Keys::interfaceOverlayFontSize, UIOverlayAppearance::maximumFontSize - 1));
    open(settings);
    QSignalSpy renders(page.get(), &SettingsPage::renderRequested);
    auto* up = control<QPushButton>(QStringLiteral("interfaceFontUp"));
    click(up);
    EXPECT_TRUE(control<QLabel>(Keys::interfaceOverlayFontSize)->text().startsWith(
        QString::number(UIOverlayAppearance::maximumFontSize)));
    EXPECT_FALSE(up->isEnabled());
    click(control<QPushButton>(QStringLiteral("interfaceFontDown")));
    EXPECT_TRUE(up->isEnabled());
    click(control<SegmentedControl>(Keys::interfaceOverlayStyle)->button(1));
    click(control<QCheckBox>(Keys::interfaceWindowFollowEnabled));
    EXPECT_EQ(renders.count(), 0);
    click(control<QPushButton>(QStringLiteral("resetInterfaceOverlayAppearance")));
    EXPECT_EQ(renders.count(), 1) << "a reset asks every page to render again";

    // The program stores these keys itself; the page stores none of them.
    EXPECT_EQ(actions.calls, QStringList({"fontUp", "fontDown", "style 1", "follow 0", "resetAppearance"}));
    EXPECT_FALSE(settings.contains(Keys::interfaceOverlayStyle));
}

}  // namespace
