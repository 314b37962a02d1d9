#include "app/ui/SettingsPageClipboard.h"

#include "app/SettingsCenterActions.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>

namespace ovisu {

SettingsPageClipboard::SettingsPageClipboard(SettingsStore& settings, SettingsCenterActions& actions,
                                             QWidget* parent)
    : SettingsPage(settings, parent), m_actions(actions) {
    QGridLayout* grid = addSection(QStringLiteral("剪贴板翻译"));
    m_monitoring = new QCheckBox(QStringLiteral("开启剪贴板监听翻译"), this);
    m_monitoring->setObjectName(SettingsKeys::clipboardMonitoringEnabled);
    grid->addWidget(m_monitoring, 0, 0, 1, 2);
    grid->addWidget(makeNote(QStringLiteral("复制日文后自动翻译并显示在悬浮窗。与实时窗口翻译互斥：开启其中一个会停止另一个。")),
                    1, 0, 1, 2);

    m_strict = new QCheckBox(QStringLiteral("严格日文检测"), this);
    m_strict->setObjectName(SettingsKeys::clipboardStrictJapaneseDetection);
    grid->addWidget(m_strict, 2, 0, 1, 2);
    grid->addWidget(makeNote(QStringLiteral("只翻译判断为日文的文本，跳过复制的中文译文等内容；关闭后含少量假名或汉字的文本也会翻译。")),
                    3, 0, 1, 2);

    // The toggles flip and store their own flag; the boxes then show what was stored, which also
    // covers a monitoring start that was refused.
    connect(m_monitoring, &QCheckBox::clicked, this, [this] {
        m_actions.toggleClipboardMonitoring();
        render();
    });
    connect(m_strict, &QCheckBox::clicked, this, [this] {
        m_actions.toggleClipboardStrictDetection();
        render();
    });

    pageLayout()->addStretch(1);
    render();
}

void SettingsPageClipboard::render() {
    showStoredFlag(m_monitoring, SettingsKeys::clipboardMonitoringEnabled, SettingsDefaults::clipboardMonitoringEnabled);
    showStoredFlag(m_strict, SettingsKeys::clipboardStrictJapaneseDetection,
                   SettingsDefaults::clipboardStrictJapaneseDetection);
}

}  // namespace ovisu
