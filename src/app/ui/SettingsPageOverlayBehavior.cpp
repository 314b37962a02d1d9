#include "app/ui/SettingsPageOverlayBehavior.h"

#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "overlay/OverlayAppearance.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace ovisu {

SettingsPageOverlayBehavior::SettingsPageOverlayBehavior(SettingsStore& settings, OverlaySettingsActions& actions,
                                                         QWidget* parent)
    : SettingsPage(settings, parent), m_actions(actions) {
    namespace Keys = SettingsKeys;
    namespace Defaults = SettingsDefaults;

    QGridLayout* display = addSection(QStringLiteral("显示与交互"));
    const struct {
        QString title;
        QString key;
        bool defaultValue;
    } boxes[] = {
        {QStringLiteral("显示日文原文"), Keys::overlayShowsOriginal, Defaults::overlayShowsOriginal},
        {QStringLiteral("显示时间与翻译引擎"), Keys::overlayShowsMetadata, Defaults::overlayShowsMetadata},
        {QStringLiteral("鼠标点击穿透"), Keys::overlayClickThrough, Defaults::overlayClickThrough},
        {QStringLiteral("始终置于其他窗口上方"), Keys::overlayAlwaysOnTop, Defaults::overlayAlwaysOnTop},
        {QStringLiteral("锁定窗口位置与大小"), Keys::overlayPositionLocked, Defaults::overlayPositionLocked},
        {QStringLiteral("紧凑模式（只显示最新一句）"), Keys::overlayCompactMode, Defaults::overlayCompactMode},
        {QStringLiteral("允许选择并复制译文"), Keys::overlayTextSelectable, Defaults::overlayTextSelectable},
    };
    for (const auto& entry : boxes) {
        auto* box = new QCheckBox(entry.title, this);
        box->setObjectName(entry.key);
        display->addWidget(box, display->rowCount(), 0, 1, 2);
        m_boxes.append({entry.key, entry.defaultValue, box});
        connect(box, &QCheckBox::clicked, this, [this, key = entry.key](bool checked) {
            store(key, checked);
            m_actions.applyOverlayBehavior();
        });
    }

    QGridLayout* history = addSection(QStringLiteral("会话记录"));
    m_historyLimit = new QComboBox(this);
    m_historyLimit->setObjectName(Keys::overlayHistoryLimit);
    for (int limit : OverlayAppearance::historyLimitChoices())
        m_historyLimit->addItem(QStringLiteral("%1 句").arg(limit), limit);
    history->addWidget(new QLabel(QStringLiteral("悬浮窗保留句数"), this), 0, 0);
    history->addWidget(m_historyLimit, 0, 1, Qt::AlignLeft);
    connect(m_historyLimit, &QComboBox::activated, this, [this](int index) {
        const int limit = OverlayAppearance::historyLimitForChoiceIndex(index);
        store(SettingsKeys::overlayHistoryLimit, limit);
        m_actions.overlayHistoryLimitChanged(limit);
    });

    QPushButton* reset = addResetButton(QStringLiteral("重置悬浮窗行为"), QStringLiteral("resetOverlayBehavior"));
    connect(reset, &QPushButton::clicked, this, [this] {
        m_actions.resetOverlayBehavior();
        emit renderRequested();
    });

    pageLayout()->addStretch(1);
    render();
}

void SettingsPageOverlayBehavior::render() {
    for (const BehaviorBox& entry : m_boxes) showStoredFlag(entry.box, entry.key, entry.defaultValue);
    const int stored = settings().intValue(SettingsKeys::overlayHistoryLimit, SettingsDefaults::overlayHistoryLimit);
    const QSignalBlocker blocker(m_historyLimit);
    m_historyLimit->setCurrentIndex(OverlayAppearance::historyLimitChoiceIndex(stored));
}

}  // namespace ovisu
