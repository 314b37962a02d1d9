#include "app/ui/SettingsPageOverlayStyle.h"

#include "base/ui/FontSizeStepper.h"

#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "overlay/OverlayAppearance.h"
#include "overlay/StoredColor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

namespace ovisu {

namespace {

// The built-in colour of a colour key, shown while nothing usable is stored.
QColor builtInColor(const QString& key) {
    return key == SettingsKeys::textColor ? StoredColor::overlayTextColor() : StoredColor::overlayBackgroundColor();
}

}  // namespace

SettingsPageOverlayStyle::SettingsPageOverlayStyle(SettingsStore& settings, OverlaySettingsActions& actions,
                                                   QWidget* parent)
    : SettingsPage(settings, parent), m_actions(actions) {
    namespace Keys = SettingsKeys;
    m_colorPicker = colorDialogPicker(this);

    QGridLayout* theme = addSection(QStringLiteral("主题"));
    m_theme = new SegmentedControl({QStringLiteral("日乙"), QStringLiteral("简洁"), QStringLiteral("沉浸")}, this);
    m_theme->setObjectName(Keys::overlayThemePreset);
    theme->addWidget(new QLabel(QStringLiteral("主题预设"), this), 0, 0);
    theme->addWidget(m_theme, 0, 1);
    connect(m_theme, &SegmentedControl::segmentChosen, this, [this](int index) {
        m_actions.overlayThemePresetChanged(index);
        emit renderRequested();
    });

    QGridLayout* look = addSection(QStringLiteral("外观"));
    m_blur = new QCheckBox(QStringLiteral("启用背景模糊"), this);
    m_blur->setObjectName(Keys::blurEnabled);
    m_duration = new QCheckBox(QStringLiteral("在悬浮窗显示单句翻译耗时"), this);
    m_duration->setObjectName(Keys::overlayShowsDuration);
    look->addWidget(m_blur, 0, 0, 1, 2);
    look->addWidget(m_duration, 1, 0, 1, 2);
    for (QCheckBox* box : {m_blur, m_duration}) {
        connect(box, &QCheckBox::clicked, this, [this, key = box->objectName()](bool checked) {
            store(key, checked);
            m_actions.applyOverlayStyle();
        });
    }

    m_backgroundColor = addColorButton(Keys::backgroundColor, QStringLiteral("背景颜色"));
    m_textColor = addColorButton(Keys::textColor, QStringLiteral("文字颜色"));
    auto* colors = new QHBoxLayout;
    colors->setSpacing(8);
    colors->addWidget(m_backgroundColor);
    colors->addWidget(m_textColor);
    colors->addStretch(1);
    look->addWidget(new QLabel(QStringLiteral("颜色"), this), 2, 0);
    look->addLayout(colors, 2, 1);

    QGridLayout* text = addSection(QStringLiteral("文字"));
    m_font = new QComboBox(this);
    m_font->setObjectName(Keys::fontName);
    m_font->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_font->setMinimumContentsLength(18);
    m_font->addItem(SettingsDefaults::fontName, SettingsDefaults::fontName);
    for (const QString& family : QFontDatabase::families()) {
        if (!QFontDatabase::isPrivateFamily(family)) m_font->addItem(family, family);
    }
    text->addWidget(new QLabel(QStringLiteral("字体"), this), 0, 0);
    text->addWidget(m_font, 0, 1, Qt::AlignLeft);
    connect(m_font, &QComboBox::activated, this, [this](int index) {
        store(SettingsKeys::fontName, m_font->itemData(index).toString());
        m_actions.applyOverlayStyle();
    });

    m_fontSize = new FontSizeStepper(QStringLiteral("fontDown"), Keys::overlayFontSize, QStringLiteral("fontUp"), 64.5,
                                     this);
    text->addWidget(new QLabel(QStringLiteral("字号"), this), 1, 0);
    text->addWidget(m_fontSize, 1, 1, Qt::AlignLeft);
    connect(m_fontSize, &FontSizeStepper::stepped, this, &SettingsPageOverlayStyle::changeFontSize);

    m_padding = addSlider(text, QStringLiteral("四周留白"), Keys::overlayPadding, 8, 64, 1, 0);
    m_cornerRadius = addSlider(text, QStringLiteral("圆角大小"), Keys::overlayCornerRadius, 0, 32, 1, 0);
    m_originalOpacity = addSlider(text, QStringLiteral("原文透明度"), Keys::overlayOriginalOpacity, 0.15, 1.0, 0.01, 2);
    m_lineSpacing = addSlider(text, QStringLiteral("行距"), Keys::overlayLineSpacing, 0.7, 2.0, 0.01, 2);

    m_alignment = new SegmentedControl({QStringLiteral("左"), QStringLiteral("中"), QStringLiteral("右")}, this);
    m_alignment->setObjectName(Keys::overlayAlignment);
    const int alignmentRow = text->rowCount();
    text->addWidget(new QLabel(QStringLiteral("对齐"), this), alignmentRow, 0);
    text->addWidget(m_alignment, alignmentRow, 1);
    connect(m_alignment, &SegmentedControl::segmentChosen, this, [this](int index) {
        store(SettingsKeys::overlayAlignment, index);
        m_actions.applyOverlayStyle();
    });

    QGridLayout* window = addSection(QStringLiteral("窗口"));
    m_windowOpacity = new SettingsSlider(0.1, 1.0, 0.01, 2, {}, this);
    m_windowOpacity->setObjectName(Keys::overlayWindowOpacity);
    window->addWidget(new QLabel(QStringLiteral("窗口整体透明度"), this), 0, 0);
    window->addWidget(m_windowOpacity, 0, 1);
    connect(m_windowOpacity, &SettingsSlider::valueEdited, this, [this](double value) {
        store(SettingsKeys::overlayWindowOpacity, value);
        m_actions.overlayWindowOpacityChanged(value);
    });

    pageLayout()->addStretch(1);
    render();
}

QPushButton* SettingsPageOverlayStyle::addColorButton(const QString& key, const QString& title) {
    QPushButton* button = makeColorButton(title, this);
    button->setObjectName(key);
    connect(button, &QPushButton::clicked, this, [this, key, title] { chooseColor(key, title); });
    return button;
}

void SettingsPageOverlayStyle::chooseColor(const QString& key, const QString& title) {
    // Colours go through the one stored form the overlay reads; a missing or malformed value
    // offers the built-in colour.
    const QColor chosen = m_colorPicker(StoredColor::read(settings(), key, builtInColor(key)), title);
    if (!chosen.isValid()) return;
    store(key, StoredColor::toJson(chosen));
    m_actions.applyOverlayStyle();
    render();
}

void SettingsPageOverlayStyle::changeFontSize(int delta) {
    const double current = settings().doubleValue(SettingsKeys::overlayFontSize, SettingsDefaults::overlayFontSize);
    store(SettingsKeys::overlayFontSize, OverlayAppearance::steppedFontSize(current, delta));
    m_actions.applyOverlayStyle();
    render();
}

SettingsSlider* SettingsPageOverlayStyle::addSlider(QGridLayout* grid, const QString& title, const QString& key,
                                                    double minimum, double maximum, double step, int decimals) {
    auto* slider = new SettingsSlider(minimum, maximum, step, decimals, {}, this);
    slider->setObjectName(key);
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(title, this), row, 0);
    grid->addWidget(slider, row, 1);
    connect(slider, &SettingsSlider::valueEdited, this, [this, key](double value) {
        store(key, value);
        m_actions.applyOverlayStyle();
    });
    return slider;
}

void SettingsPageOverlayStyle::render() {
    namespace Keys = SettingsKeys;
    namespace Defaults = SettingsDefaults;
    const SettingsStore& stored = settings();

    // The segmented controls clamp a stored index outside their segments.
    m_theme->setCurrentIndex(stored.intValue(Keys::overlayThemePreset, Defaults::overlayThemePreset));
    showStoredFlag(m_blur, Keys::blurEnabled, Defaults::blurEnabled);
    showStoredFlag(m_duration, Keys::overlayShowsDuration, Defaults::overlayShowsDuration);
    for (QPushButton* button : {m_backgroundColor, m_textColor}) {
        const QString key = button->objectName();
        showColor(button, StoredColor::read(stored, key, builtInColor(key)));
    }

    {
        const QString fontName = stored.stringValue(Keys::fontName, Defaults::fontName);
        const QSignalBlocker blocker(m_font);
        int index = m_font->findData(fontName);
        if (index < 0) {
            // A font that is not installed here still shows as what is stored; the overlay falls
            // back to the system font for it.
            m_font->insertItem(1, fontName, fontName);
            index = 1;
        }
        m_font->setCurrentIndex(index);
    }

    const double fontSize = stored.doubleValue(Keys::overlayFontSize, Defaults::overlayFontSize);
    m_fontSize->showSize(fontSize, OverlayAppearance::minimumFontSize, OverlayAppearance::maximumFontSize);

    m_padding->setValue(stored.doubleValue(Keys::overlayPadding, Defaults::overlayPadding));
    m_cornerRadius->setValue(stored.doubleValue(Keys::overlayCornerRadius, Defaults::overlayCornerRadius));
    m_originalOpacity->setValue(stored.doubleValue(Keys::overlayOriginalOpacity, Defaults::overlayOriginalOpacity));
    m_lineSpacing->setValue(stored.doubleValue(Keys::overlayLineSpacing, Defaults::overlayLineSpacing));
    m_alignment->setCurrentIndex(stored.intValue(Keys::overlayAlignment, Defaults::overlayAlignment));
    m_windowOpacity->setValue(stored.doubleValue(Keys::overlayWindowOpacity, Defaults::overlayWindowOpacity));
}

}  // namespace ovisu
