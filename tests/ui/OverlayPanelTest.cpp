#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "overlay/OverlayAppearance.h"
#include "overlay/OverlayGeometry.h"
#include "overlay/ui/OverlayController.h"
#include "overlay/ui/OverlayPanel.h"

#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace ovisu;
namespace K = SettingsKeys;

namespace {

TranslationHistoryRecord entry(const QString& original, const QString& translation, std::optional<double> duration) {
    return {QUuid::createUuid(), QDateTime(QDate(2026, 3, 4), QTime(21, 30, 5)), original, translation,
            QStringLiteral("DeepSeek"), duration};
}

class OverlayPanelTest : public ::testing::Test {
protected:
    SettingsStore settings;
    QList<TranslationHistoryRecord> session;
    OverlayController controller{settings, [this]() -> const QList<TranslationHistoryRecord>& { return session; }};

    OverlayPanel* shownPanel(const QRect& frame = QRect(100, 120, 600, 240)) {
        controller.createOverlayIfNeeded();
        OverlayPanel* panel = controller.overlay();
        panel->setGeometry(frame);
        controller.showOverlay();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(panel));
        return panel;
    }

    void hover(QWidget* widget, bool inside) {
        if (inside) {
            QEnterEvent enter(QPointF(50, 50), widget->mapToGlobal(QPointF(50, 50)), widget->mapToGlobal(QPointF(50, 50)));
            QApplication::sendEvent(widget, &enter);
        } else {
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(widget, &leave);
        }
    }

    void threeEntries() {
        session = {entry("おはようございます。", "早上好。", 0.82),
                   entry("今日は一緒に出かけませんか？", "今天要不要一起出门？", 1.46),
                   entry("……うん、行こう！", "……嗯，走吧！", std::nullopt)};
    }
};

}  // namespace

TEST_F(OverlayPanelTest, ShowsThePlaceholderThenTheSessionScrolledToTheEnd) {
    OverlayPanel* panel = shownPanel();
    EXPECT_EQ(panel->textView()->toPlainText(), "等待识别字幕…");
    EXPECT_TRUE(panel->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(panel->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(panel->testAttribute(Qt::WA_ShowWithoutActivating));

    for (int i = 0; i < 8; ++i) session.append(entry(QString("台詞%1").arg(i), QString("台词%1").arg(i), 1.0));
    controller.showOverlay();
    const QString shown = panel->textView()->toPlainText();
    EXPECT_TRUE(shown.contains("台词0"));
    EXPECT_TRUE(shown.endsWith("台词7"));
    QScrollBar* bar = panel->textView()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0) << "eight entries overflow a 240-point panel";
    EXPECT_EQ(bar->value(), bar->maximum());

    // Re-drawing for a settings change keeps the reader's place: scrolled back, or at the end
    // even when a bigger font makes the text longer.
    bar->setValue(0);
    controller.applyOverlayStyle();
    EXPECT_EQ(bar->value(), 0);
    bar->setValue(bar->maximum());
    const int maximumBefore = bar->maximum();
    ASSERT_TRUE(settings.setDouble(K::overlayFontSize, 40));
    controller.applyOverlayStyle();
    EXPECT_GT(bar->maximum(), maximumBefore);
    EXPECT_EQ(bar->value(), bar->maximum());

    ASSERT_TRUE(settings.setBool(K::overlayCompactMode, true));
    controller.applyOverlayBehavior();
    EXPECT_FALSE(panel->textView()->toPlainText().contains("台词6"));
    EXPECT_TRUE(panel->textView()->toPlainText().endsWith("台词7"));
}

TEST_F(OverlayPanelTest, ClickThroughPassesInputAndHidesTheCloseButton) {
    OverlayPanel* panel = shownPanel();
    hover(panel, true);
    EXPECT_TRUE(panel->closeButton()->isVisible());
    hover(panel, false);
    EXPECT_FALSE(panel->closeButton()->isVisible());

    QSignalSpy clickThrough(&controller, &OverlayController::overlayClickThroughChanged);
    controller.toggleOverlayClickThrough();
    EXPECT_TRUE(settings.boolValue(K::overlayClickThrough, false));
    EXPECT_TRUE(panel->windowFlags() & Qt::WindowTransparentForInput);
    EXPECT_TRUE(panel->isVisible()) << "a new window type must not hide the panel";
    ASSERT_EQ(clickThrough.count(), 1);
    EXPECT_TRUE(clickThrough.first().first().toBool());
    hover(panel, true);
    EXPECT_FALSE(panel->closeButton()->isVisible());
    const QRect before = panel->geometry();
    EXPECT_FALSE(panel->beginOverlayInteraction(QPointF(300, 120), QPointF(400, 240)));
    EXPECT_EQ(panel->geometry(), before);

    controller.toggleOverlayClickThrough();
    EXPECT_FALSE(panel->windowFlags() & Qt::WindowTransparentForInput);
    EXPECT_FALSE(settings.boolValue(K::overlayClickThrough, true));
}

TEST_F(OverlayPanelTest, DraggingTheEdgesResizesAndTheBackgroundMoves) {
    OverlayPanel* panel = shownPanel(QRect(200, 150, 500, 200));
    EXPECT_EQ(panel->geometry(), QRect(200, 150, 500, 200));

    // Left edge outwards by 100 (which edge and how far are OverlayGeometry's).
    QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(4, 100));
    QTest::mouseMove(panel, QPoint(-96, 100));
    QTest::mouseRelease(panel, Qt::LeftButton, {}, QPoint(4, 100));
    EXPECT_EQ(panel->geometry(), QRect(100, 150, 600, 200));

    // The middle of the text moves the whole panel, and the frame is stored at once.
    QWidget* text = panel->textView()->viewport();
    const QPoint inText = text->mapFrom(panel, QPoint(200, 110));
    QTest::mousePress(text, Qt::LeftButton, {}, inText);
    QTest::mouseMove(text, inText + QPoint(-20, 10));
    QTest::mouseMove(text, inText + QPoint(-10, 10));  // the text moved with the first step
    EXPECT_EQ(settings.dictionaryValue(K::overlayFrame),
              OverlayGeometry::frameDictionary(QRectF(100, 150, 600, 200)))
        << "the steps of a drag are not written one by one";
    QTest::mouseRelease(text, Qt::LeftButton, {}, inText + QPoint(-30, 20));
    EXPECT_EQ(panel->geometry(), QRect(70, 170, 600, 200));
    EXPECT_EQ(settings.dictionaryValue(K::overlayFrame), OverlayGeometry::frameDictionary(QRectF(70, 170, 600, 200)));

    // Locked: neither moves nor resizes.
    ASSERT_TRUE(settings.setBool(K::overlayPositionLocked, true));
    controller.applyOverlayBehavior();
    QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(4, 100));
    QTest::mouseMove(panel, QPoint(-96, 100));
    QTest::mouseRelease(panel, Qt::LeftButton, {}, QPoint(-96, 100));
    EXPECT_EQ(panel->geometry(), QRect(70, 170, 600, 200));
}

// A release that never reaches the panel (a lost grab) must not leave the drag, and with it the
// storing of the frame, hanging.
TEST_F(OverlayPanelTest, AMoveWithoutTheButtonEndsALostDrag) {
    OverlayPanel* panel = shownPanel(QRect(200, 150, 500, 200));
    QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(250, 100));
    QTest::mouseMove(panel, QPoint(270, 100));
    EXPECT_EQ(panel->geometry(), QRect(220, 150, 500, 200));
    EXPECT_EQ(settings.dictionaryValue(K::overlayFrame), OverlayGeometry::frameDictionary(QRectF(200, 150, 500, 200)));

    QMouseEvent plainMove(QEvent::MouseMove, QPointF(260, 100), panel->mapToGlobal(QPointF(260, 100)), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(panel, &plainMove);
    EXPECT_EQ(panel->geometry(), QRect(220, 150, 500, 200)) << "a plain move does not drag";
    EXPECT_EQ(settings.dictionaryValue(K::overlayFrame), OverlayGeometry::frameDictionary(QRectF(220, 150, 500, 200)));
    QTest::mouseRelease(panel, Qt::LeftButton, {}, QPoint(260, 100));

    panel->move(240, 160);  // the window manager or the program: stored at once
    EXPECT_EQ(settings.dictionaryValue(K::overlayFrame), OverlayGeometry::frameDictionary(QRectF(240, 160, 500, 200)));
}

TEST_F(OverlayPanelTest, RestoresAndPlacesFramesOnTheScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_TRUE(settings.setDictionary(K::overlayFrame, OverlayGeometry::frameDictionary(QRectF(300, 100, 300, 200))));
    EXPECT_FALSE(controller.restoreOverlayFrame());
    ASSERT_TRUE(settings.setDictionary(K::overlayFrame,
                                       OverlayGeometry::frameDictionary(QRectF(screen.right() + 5000, 0, 400, 200))));
    EXPECT_FALSE(controller.restoreOverlayFrame());

    controller.createOverlayIfNeeded();
    ASSERT_TRUE(settings.setDictionary(K::overlayFrame, OverlayGeometry::frameDictionary(QRectF(20, 30, 400, 200))));
    EXPECT_TRUE(controller.restoreOverlayFrame());
    EXPECT_EQ(controller.overlay()->geometry(), QRect(20, 30, 400, 200));

    controller.positionOverlayOnSelectedRegion(QRectF(screen.left() + 40, screen.bottom() - 100, 200, 50));
    EXPECT_EQ(controller.overlay()->geometry(), QRect(screen.left() + 40, screen.bottom() - 200, 360, 150));
    const QRect before = controller.overlay()->geometry();
    controller.positionOverlayOnSelectedRegion(std::nullopt);
    EXPECT_EQ(controller.overlay()->geometry(), before);
}

TEST_F(OverlayPanelTest, StyleAndToggles) {
    OverlayPanel* panel = shownPanel();
    QSignalSpy presets(&controller, &OverlayController::overlayThemePresetApplied);
    controller.overlayThemePresetChanged(1);
    EXPECT_EQ(presets.count(), 1);
    const OverlayThemePreset light = overlayThemePreset(1);
    EXPECT_EQ(panel->tintColor().rgb(), light.backgroundColor.rgb());
    EXPECT_NEAR(panel->tintColor().alphaF(), light.backgroundOpacity, 1e-3);
    EXPECT_DOUBLE_EQ(panel->cornerRadius(), light.cornerRadius);
    // The text sits inside the padding on every side of the 600 × 240 panel.
    const int padding = int(light.padding);
    EXPECT_EQ(panel->textView()->geometry(), QRect(padding, padding, 600 - 2 * padding, 240 - 2 * padding));

    controller.overlayThemePresetChanged(0);
    controller.overlayWindowOpacityChanged(0.02);
    EXPECT_DOUBLE_EQ(settings.doubleValue(K::overlayWindowOpacity, 0), 0.1);
    EXPECT_NEAR(panel->windowOpacity(), 0.1, 1e-2);

    controller.changeOverlayFontSize(-1);
    EXPECT_DOUBLE_EQ(settings.doubleValue(K::overlayFontSize, 0), 24);  // preset 0 has 25
    EXPECT_EQ(panel->textView()->toPlainText(), "等待识别字幕…");

    int trimmedTo = -1;
    controller.setSessionTrimmer([&](int limit) { trimmedTo = limit; });
    controller.overlayHistoryLimitChanged(OverlayAppearance::historyLimitForChoiceIndex(9));
    EXPECT_EQ(trimmedTo, 50);
    EXPECT_EQ(settings.intValue(K::overlayHistoryLimit, 0), 50);

    QSignalSpy visibility(&controller, &OverlayController::overlayVisibilityChanged);
    QTest::mouseClick(panel->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(controller.isOverlayVisible());
    controller.toggleOverlayVisibility();
    EXPECT_TRUE(controller.isOverlayVisible());
    controller.toggleOverlayVisibility();
    EXPECT_FALSE(controller.isOverlayVisible());
    ASSERT_EQ(visibility.count(), 3);
    EXPECT_FALSE(visibility.last().first().toBool());

    controller.resetOverlayBehavior();
    EXPECT_EQ(settings.intValue(K::overlayHistoryLimit, 0), 8);
}

TEST_F(OverlayPanelTest, ThemesPaintTheirPlate) {
    threeEntries();
    OverlayPanel* panel = shownPanel(QRect(60, 60, 760, 400));
    hover(panel, true);  // with the close button
    for (int preset = 0; preset < 3; ++preset) {
        controller.overlayThemePresetChanged(preset);
        controller.renderOverlayText(true);
        const QImage plate = panel->grab().toImage();
        const OverlayThemePreset values = overlayThemePreset(preset);
        const double alpha = values.blurEnabled ? values.backgroundOpacity * 0.72 : values.backgroundOpacity;
        const QColor corner = plate.pixelColor(plate.width() / 2, 3);
        EXPECT_NEAR(corner.alphaF(), alpha, 0.02) << preset;
        EXPECT_EQ(plate.pixelColor(0, 0).alpha(), 0) << "rounded corners are see-through";
    }
}
