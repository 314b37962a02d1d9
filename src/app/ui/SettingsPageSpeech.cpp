#include "app/ui/SettingsPageSpeech.h"

#include "app/SettingsCenterActions.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>

namespace ovisu {

SettingsPageSpeech::SettingsPageSpeech(SettingsStore& settings, SettingsCenterActions& actions, QWidget* parent)
    : SettingsPage(settings, parent), m_actions(actions) {
    QGridLayout* grid = addSection(QStringLiteral("朗读"));
    m_automatic = new QCheckBox(QStringLiteral("自动朗读每条译文"), this);
    m_automatic->setObjectName(SettingsKeys::automaticSpeechEnabled);
    grid->addWidget(m_automatic, 0, 0, 1, 2);
    grid->addWidget(makeNote(QStringLiteral("每出现一条新译文就用中文语音读出；关闭时立即停止正在进行的朗读。")), 1, 0, 1, 2);

    // The toggle flips and stores the flag itself.
    connect(m_automatic, &QCheckBox::clicked, this, [this] {
        m_actions.toggleAutomaticSpeech();
        render();
    });

    pageLayout()->addStretch(1);
    render();
}

void SettingsPageSpeech::render() {
    showStoredFlag(m_automatic, SettingsKeys::automaticSpeechEnabled, SettingsDefaults::automaticSpeechEnabled);
}

}  // namespace ovisu
