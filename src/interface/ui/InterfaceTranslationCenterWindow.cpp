#include "interface/ui/InterfaceTranslationCenterWindow.h"

#include "base/ui/FontSizeStepper.h"
#include "interface/UIOverlayAppearance.h"

#include "base/ui/SegmentedControl.h"
#include "base/ui/WindowPresentation.h"
#include "engine/ui/SettingsWindowParts.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace ovisu {

namespace {

QGroupBox* makeCard(const QString& title, QWidget* parent) {
    auto* card = new QGroupBox(title, parent);
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(14, 8, 14, 10);
    layout->setSpacing(6);
    return card;
}

QVBoxLayout* cardLayout(QGroupBox* card) { return static_cast<QVBoxLayout*>(card->layout()); }

QPushButton* makeButton(const QString& title, QWidget* parent) {
    auto* button = new QPushButton(title, parent);
    button->setAutoDefault(false);
    return button;
}

QHBoxLayout* makeRow() {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    return row;
}

// The boxes' order on the card, which is not the kinds' tag order.
constexpr std::array<std::pair<UIElementKind, const char16_t*>, uiElementKindCount> kindTitles{{
    {UIElementKind::menu, u"菜单"},
    {UIElementKind::attribute, u"属性"},
    {UIElementKind::button, u"按钮"},
    {UIElementKind::date, u"日期"},
    {UIElementKind::text, u"普通文字"},
}};

}  // namespace

InterfaceTranslationCenterWindow::InterfaceTranslationCenterWindow(InterfaceCenterActions& actions, QWidget* parent)
    : QWidget(parent, Qt::Window), m_actions(actions) {
    setWindowTitle(QStringLiteral("界面翻译中心"));
    setObjectName(QStringLiteral("interfaceTranslationCenter"));
    setFont(withChineseFamily(font()));

    auto* heading = makeHeadingLabel(QStringLiteral("界面翻译中心"), this, 4);
    auto* subtitle =
        makeNoteLabel(QStringLiteral("整窗口与多区域 UI OCR · 原文旁显示或原位覆盖 · 词典、修正与缓存"), this);

    // 1: what is read, and from where.
    QGroupBox* scopeCard = makeCard(QStringLiteral("1  模式与 OCR 范围"), this);
    m_mode = new SegmentedControl({QStringLiteral("对白模式"), QStringLiteral("界面模式")}, scopeCard);
    m_scope = new SegmentedControl({QStringLiteral("整窗口 OCR"), QStringLiteral("多区域 UI OCR")}, scopeCard);
    QPushButton* editRegions = makeButton(QStringLiteral("编辑 UI 区域…"), scopeCard);
    QHBoxLayout* scopeRow = makeRow();
    scopeRow->addWidget(m_mode);
    scopeRow->addSpacing(16);
    scopeRow->addWidget(m_scope);
    scopeRow->addSpacing(8);
    scopeRow->addWidget(editRegions);
    scopeRow->addStretch(1);
    cardLayout(scopeCard)->addLayout(scopeRow);
    cardLayout(scopeCard)->addWidget(makeNoteLabel(
        QStringLiteral("对白模式保留字幕稳定检测；界面模式识别菜单、属性、按钮、日期和普通文字。"), scopeCard));
    connect(m_mode, &SegmentedControl::segmentChosen, this,
            [this](int index) { perform([&] { m_actions.interfaceCenterModeChanged(index); }); });
    connect(m_scope, &SegmentedControl::segmentChosen, this,
            [this](int index) { perform([&] { m_actions.interfaceCenterScopeChanged(index); }); });
    connect(editRegions, &QPushButton::clicked, this,
            [this] { perform([&] { m_actions.openUIRegionEditor(); }); });

    // 2: how a translation sits on the game, and how large it is.
    QGroupBox* styleCard = makeCard(QStringLiteral("2  中文显示方式"), this);
    m_style = new SegmentedControl({QStringLiteral("原文旁显示中文"), QStringLiteral("中文原位覆盖")}, styleCard);
    cardLayout(styleCard)->addWidget(m_style);
    cardLayout(styleCard)->addWidget(makeNoteLabel(QStringLiteral("使用悬浮中文或遮住原文位置。"), styleCard));
    m_fontSize = new FontSizeStepper(QStringLiteral("interfaceFontDown"), QStringLiteral("interfaceFontSize"),
                                     QStringLiteral("interfaceFontUp"), UIOverlayAppearance::maximumFontSize, styleCard);
    QPushButton* resetAppearance = makeButton(QStringLiteral("恢复默认外观"), styleCard);
    QHBoxLayout* fontRow = makeRow();
    fontRow->addWidget(new QLabel(QStringLiteral("译文字号"), styleCard));
    fontRow->addSpacing(4);
    fontRow->addWidget(m_fontSize);
    fontRow->addStretch(1);
    fontRow->addWidget(resetAppearance);
    cardLayout(styleCard)->addLayout(fontRow);
    connect(m_style, &SegmentedControl::segmentChosen, this,
            [this](int index) { perform([&] { m_actions.interfaceCenterStyleChanged(index); }); });
    connect(m_fontSize, &FontSizeStepper::stepped, this, [this](int step) {
        perform([&] { step < 0 ? m_actions.interfaceFontDown() : m_actions.interfaceFontUp(); });
    });
    connect(resetAppearance, &QPushButton::clicked, this,
            [this] { perform([&] { m_actions.resetInterfaceOverlayAppearance(); }); });

    // 3: the game window the labels follow.
    QGroupBox* windowCard = makeCard(QStringLiteral("3  窗口锁定与位置记忆"), this);
    m_windowFollow = new QCheckBox(QStringLiteral("跟随窗口移动 / 高分屏 / 多显示器"), windowCard);
    m_target = new QLabel(windowCard);
    m_target->setObjectName(QStringLiteral("interfaceTarget"));
    m_target->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_target->setWordWrap(true);
    QHBoxLayout* windowRow = makeRow();
    windowRow->addWidget(m_windowFollow);
    windowRow->addSpacing(24);
    windowRow->addWidget(m_target, 1);
    cardLayout(windowCard)->addLayout(windowRow);
    connect(m_windowFollow, &QCheckBox::toggled, this,
            [this](bool checked) { perform([&] { m_actions.interfaceCenterWindowFollowChanged(checked); }); });

    // 4: which kinds of text are translated.
    QGroupBox* kindCard = makeCard(QStringLiteral("4  识别文字类型"), this);
    QHBoxLayout* kindRow = makeRow();
    kindRow->setSpacing(16);
    for (const auto& [kind, title] : kindTitles) {
        auto* box = new QCheckBox(QString::fromUtf16(title), kindCard);
        m_kindBoxes[static_cast<std::size_t>(kind)] = box;
        kindRow->addWidget(box);
        connect(box, &QCheckBox::toggled, this, [this, kind](bool checked) {
            // A refusal needs no handling here: the refresh shows the kind still on.
            perform([&] { m_actions.interfaceCenterKindChanged(kind, checked); });
        });
    }
    kindRow->addStretch(1);
    cardLayout(kindCard)->addLayout(kindRow);
    cardLayout(kindCard)->addWidget(
        makeNoteLabel(QStringLiteral("关闭不需要的类型可减少 OCR 噪音与 API 请求。"), kindCard));

    // 5: the answers that never reach a translation service.
    QGroupBox* storeCard = makeCard(QStringLiteral("5  固定词典、人工修正与静态缓存"), this);
    QPushButton* dictionary = makeButton(QStringLiteral("UI 固定词典…"), storeCard);
    QPushButton* cache = makeButton(QStringLiteral("查看缓存与修正…"), storeCard);
    QPushButton* clearCache = makeButton(QStringLiteral("清除自动缓存"), storeCard);
    QHBoxLayout* storeRow = makeRow();
    storeRow->addWidget(dictionary);
    storeRow->addWidget(cache);
    storeRow->addWidget(clearCache);
    storeRow->addStretch(1);
    m_cacheSummary = new QLabel(storeCard);
    m_cacheSummary->setObjectName(QStringLiteral("interfaceCacheSummary"));
    m_cacheSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cardLayout(storeCard)->addLayout(storeRow);
    cardLayout(storeCard)->addWidget(
        new QLabel(QStringLiteral("✓ 静态缓存  ·  ✓ 人工修正优先  ·  ✓ 最多 3 个并发"), storeCard));
    cardLayout(storeCard)->addWidget(m_cacheSummary);
    connect(dictionary, &QPushButton::clicked, this, [this] { perform([&] { m_actions.openUIDictionaryEditor(); }); });
    connect(cache, &QPushButton::clicked, this, [this] { perform([&] { m_actions.openUICacheManager(); }); });
    connect(clearCache, &QPushButton::clicked, this, [this] { perform([&] { m_actions.clearAutomaticUICache(); }); });

    // Alt stands where the Option key does elsewhere: it lets the labels take the mouse.
    auto* hint = makeNoteLabel(QStringLiteral("选好范围后可立即识别；按住 Alt 双击界面译文可永久修正。"), this);
    QPushButton* recognise = makeButton(QStringLiteral("立即识别并贴回"), this);
    recognise->setDefault(true);
    connect(recognise, &QPushButton::clicked, this, [this] { perform([&] { m_actions.performManualOCR(); }); });
    QHBoxLayout* bottomRow = makeRow();
    bottomRow->addWidget(hint, 1);
    bottomRow->addWidget(recognise);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(22, 18, 22, 18);
    layout->setSpacing(10);
    layout->addWidget(heading);
    layout->addWidget(subtitle);
    for (QGroupBox* card : {scopeCard, styleCard, windowCard, kindCard, storeCard}) layout->addWidget(card);
    layout->addStretch(1);
    layout->addLayout(bottomRow);

    resize(820, 690);
    refreshInterfaceTranslationCenter();
}

void InterfaceTranslationCenterWindow::refreshInterfaceTranslationCenter() {
    const InterfaceCenterState state = m_actions.interfaceCenterState();
    m_mode->setCurrentIndex(state.mode == TranslationMode::interface ? 1 : 0);
    m_scope->setCurrentIndex(state.anyRegionEnabled ? 1 : 0);
    m_style->setCurrentIndex(state.style == UIOverlayStyle::replaceOriginal ? 1 : 0);
    m_fontSize->showSize(state.fontSize, UIOverlayAppearance::minimumFontSize, UIOverlayAppearance::maximumFontSize);
    {
        const QSignalBlocker blocker(m_windowFollow);
        m_windowFollow->setChecked(state.windowFollowEnabled);
    }
    m_target->setText(QStringLiteral("目标：") + state.targetTitle.value_or(QStringLiteral("尚未锁定目标窗口")));
    for (const UIElementKind kind : allUIElementKinds()) {
        QCheckBox* box = kindBox(kind);
        const QSignalBlocker blocker(box);
        box->setChecked(state.enabledKinds.contains(kind));
    }
    m_cacheSummary->setText(state.cacheSummary);
}

void InterfaceTranslationCenterWindow::openInterfaceTranslationCenter() {
    refreshInterfaceTranslationCenter();
    if (!m_placed) {
        m_placed = true;
        centreOnScreen(*this);
    }
    bringToFront(*this);
}

}  // namespace ovisu
