#include "app/ui/SettingsPageInterfaceLabels.h"

#include "base/ui/FontSizeStepper.h"

#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "interface/UIOverlayStyle.h"
#include "overlay/StoredColor.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace ovisu {

namespace {

}  // namespace

SettingsPageInterfaceLabels::SettingsPageInterfaceLabels(SettingsStore& settings, InterfaceCenterActions& actions,
                                                         QWidget* parent)
    : SettingsPage(settings, parent), m_actions(actions), m_colorPicker(colorDialogPicker(this)) {
    namespace Keys = SettingsKeys;

    QGridLayout* placement = addSection(QStringLiteral("显示方式"));
    m_style = new SegmentedControl({QStringLiteral("原文旁显示中文"), QStringLiteral("中文原位覆盖")}, this);
    m_style->setObjectName(Keys::interfaceOverlayStyle);
    placement->addWidget(m_style, 0, 0, 1, 2, Qt::AlignLeft);
    // Placement and window following go through the program, which stores them and places every
    // label again; this page only shows what was stored.
    connect(m_style, &SegmentedControl::segmentChosen, this, [this](int index) {
        m_actions.interfaceCenterStyleChanged(index);
        render();
    });
    m_windowFollow = new QCheckBox(QStringLiteral("跟随窗口移动 / 高分屏 / 多显示器"), this);
    m_windowFollow->setObjectName(Keys::interfaceWindowFollowEnabled);
    placement->addWidget(m_windowFollow, 1, 0, 1, 2);
    connect(m_windowFollow, &QCheckBox::clicked, this, [this](bool checked) {
        m_actions.interfaceCenterWindowFollowChanged(checked);
        render();
    });

    QGridLayout* look = addSection(QStringLiteral("外观"));
    m_fontSize = new FontSizeStepper(QStringLiteral("interfaceFontDown"), Keys::interfaceOverlayFontSize,
                                     QStringLiteral("interfaceFontUp"), UIOverlayAppearance::maximumFontSize, this);
    look->addWidget(new QLabel(QStringLiteral("译文字号"), this), 0, 0);
    look->addWidget(m_fontSize, 0, 1, Qt::AlignLeft);
    connect(m_fontSize, &FontSizeStepper::stepped, this, [this](int step) {
        if (step < 0)
            m_actions.interfaceFontDown();
        else
            m_actions.interfaceFontUp();
        render();
    });

    m_backgroundOpacity = addSlider(look, QStringLiteral("背景不透明度"), Keys::interfaceOverlayBackgroundOpacity, 0.2,
                                    1.0, 0.01, 2, {});
    m_padding = addSlider(look, QStringLiteral("内边距"), Keys::interfaceOverlayPadding, 4, 24, 1, 0,
                          QStringLiteral(" pt"));
    m_cornerRadius = addSlider(look, QStringLiteral("圆角"), Keys::interfaceOverlayCornerRadius, 0, 20, 1, 0,
                               QStringLiteral(" pt"));

    m_shadow = new QCheckBox(QStringLiteral("阴影"), this);
    m_shadow->setObjectName(Keys::interfaceOverlayShadowEnabled);
    int row = look->rowCount();
    look->addWidget(m_shadow, row, 0, 1, 2);
    look->addWidget(makeNote(QStringLiteral("阴影由窗口合成器绘制；没有合成器的桌面上不显示。")), row + 1, 0, 1, 2);
    connect(m_shadow, &QCheckBox::clicked, this, [this](bool checked) {
        storeAppearance(SettingsKeys::interfaceOverlayShadowEnabled, checked);
    });

    m_backgroundColor = addColorButton(Keys::interfaceOverlayBackgroundColor, QStringLiteral("背景颜色"),
                                       &UIOverlayAppearance::backgroundColor);
    m_textColor =
        addColorButton(Keys::interfaceOverlayTextColor, QStringLiteral("文字颜色"), &UIOverlayAppearance::textColor);
    auto* colors = new QHBoxLayout;
    colors->setSpacing(8);
    colors->addWidget(m_backgroundColor);
    colors->addWidget(m_textColor);
    colors->addStretch(1);
    row = look->rowCount();
    look->addWidget(new QLabel(QStringLiteral("颜色"), this), row, 0);
    look->addLayout(colors, row, 1);

    QPushButton* reset = addResetButton(QStringLiteral("恢复默认"), QStringLiteral("resetInterfaceOverlayAppearance"));
    // The reset rewrites keys other windows show too (the interface centre's font size), so every
    // page is rendered again, not just this one.
    connect(reset, &QPushButton::clicked, this, [this] {
        m_actions.resetInterfaceOverlayAppearance();
        emit renderRequested();
    });

    pageLayout()->addSpacing(6);
    pageLayout()->addWidget(makeNote(QStringLiteral("按住 Alt 时译文标签可以点击；按住 Alt 双击标签可永久修正译文。")));
    pageLayout()->addStretch(1);
    render();
}

SettingsSlider* SettingsPageInterfaceLabels::addSlider(QGridLayout* grid, const QString& title, const QString& key,
                                                       double minimum, double maximum, double step, int decimals,
                                                       const QString& suffix) {
    auto* slider = new SettingsSlider(minimum, maximum, step, decimals, suffix, this);
    slider->setObjectName(key);
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(title, this), row, 0);
    grid->addWidget(slider, row, 1);
    connect(slider, &SettingsSlider::valueEdited, this, [this, key](double value) { storeAppearance(key, value); });
    return slider;
}

QPushButton* SettingsPageInterfaceLabels::addColorButton(const QString& key, const QString& title,
                                                         QColor UIOverlayAppearance::*field) {
    QPushButton* button = makeColorButton(title, this);
    button->setObjectName(key);
    connect(button, &QPushButton::clicked, this, [this, key, title, field] {
        // The picker starts from what the labels show now: the stored colour, or the built-in one
        // when nothing usable is stored.
        const QColor chosen = m_colorPicker(UIOverlayAppearance::read(settings()).*field, title);
        if (!chosen.isValid()) return;
        storeAppearance(key, StoredColor::toJson(chosen));
        render();
    });
    return button;
}

void SettingsPageInterfaceLabels::storeAppearance(const QString& key, const QJsonValue& value) {
    // A failed write still holds for this run, so the labels follow it either way.
    store(key, value);
    m_actions.interfaceOverlayAppearanceChanged();
}

void SettingsPageInterfaceLabels::render() {
    const UIOverlayAppearance look = UIOverlayAppearance::read(settings());

    m_style->setCurrentIndex(static_cast<int>(storedUIOverlayStyle(settings())));
    {
        const QSignalBlocker blocker(m_windowFollow);
        m_windowFollow->setChecked(look.windowFollowEnabled);
    }

    m_fontSize->showSize(look.fontSize, UIOverlayAppearance::minimumFontSize, UIOverlayAppearance::maximumFontSize);

    m_backgroundOpacity->setValue(look.backgroundOpacity);
    m_padding->setValue(look.padding);
    m_cornerRadius->setValue(look.cornerRadius);
    {
        const QSignalBlocker blocker(m_shadow);
        m_shadow->setChecked(look.shadowEnabled);
    }
    showColor(m_backgroundColor, look.backgroundColor);
    showColor(m_textColor, look.textColor);
}

}  // namespace ovisu
