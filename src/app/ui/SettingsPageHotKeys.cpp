#include "app/ui/SettingsPageHotKeys.h"

#include "app/SettingsCenterActions.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>

namespace ovisu {

SettingsPageHotKeys::SettingsPageHotKeys(SettingsStore& settings, SettingsCenterActions& actions, QWidget* parent)
    : SettingsPage(settings, parent), m_actions(actions) {
    QGridLayout* keys = addSection(QStringLiteral("全局快捷键"));
    m_hotKeys = new QCheckBox(QStringLiteral("启用全局快捷键"), this);
    m_hotKeys->setObjectName(SettingsKeys::globalHotKeysEnabled);
    keys->addWidget(m_hotKeys, 0, 0, 1, 2);

    m_hotKeyList = new QWidget(this);
    m_hotKeyList->setObjectName(QStringLiteral("hotKeyList"));
    auto* list = new QGridLayout(m_hotKeyList);
    list->setContentsMargins(24, 0, 0, 0);
    list->setHorizontalSpacing(16);
    list->setVerticalSpacing(6);
    const QFont fixed = QFont(QStringLiteral("monospace"));
    const std::pair<const char*, const char*> combinations[] = {
        {"Ctrl+Shift+P", "开始/暂停翻译"},
        {"Ctrl+Shift+H", "显示/隐藏悬浮窗"},
        {"Ctrl+Shift+R", "重新框选区域"},
    };
    int row = 0;
    for (const auto& [keysText, action] : combinations) {
        auto* combination = new QLabel(QString::fromUtf8(keysText), m_hotKeyList);
        combination->setFont(fixed);
        list->addWidget(combination, row, 0);
        list->addWidget(new QLabel(QString::fromUtf8(action), m_hotKeyList), row, 1);
        ++row;
    }
    list->setColumnStretch(1, 1);
    keys->addWidget(m_hotKeyList, 1, 0, 1, 2);
    connect(m_hotKeys, &QCheckBox::clicked, this, [this](bool enabled) {
        store(SettingsKeys::globalHotKeysEnabled, enabled);
        m_actions.configureGlobalHotKeys();
        render();
    });

    QGridLayout* tray = addSection(QStringLiteral("系统托盘"));
    m_statusItem = new QCheckBox(QStringLiteral("在系统托盘显示图标"), this);
    m_statusItem->setObjectName(SettingsKeys::menuBarIconEnabled);
    tray->addWidget(m_statusItem, 0, 0, 1, 2);
    tray->addWidget(makeNote(QStringLiteral("不显示图标时，关闭主窗口即退出 Ovisu；显示图标时，关闭主窗口后仍在后台运行。")), 1, 0,
                    1, 2);
    connect(m_statusItem, &QCheckBox::clicked, this, [this](bool enabled) {
        store(SettingsKeys::menuBarIconEnabled, enabled);
        m_actions.configureStatusItem();
    });

    pageLayout()->addStretch(1);
    render();
}

void SettingsPageHotKeys::render() {
    showStoredFlag(m_hotKeys, SettingsKeys::globalHotKeysEnabled, SettingsDefaults::globalHotKeysEnabled);
    m_hotKeyList->setEnabled(m_hotKeys->isChecked());
    showStoredFlag(m_statusItem, SettingsKeys::menuBarIconEnabled, SettingsDefaults::menuBarIconEnabled);
}

}  // namespace ovisu
