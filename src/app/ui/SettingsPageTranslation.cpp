#include "app/ui/SettingsPageTranslation.h"

#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "engine/Provider.h"
#include "engine/TranslationProfiles.h"
#include "engine/TranslationSettingsActions.h"
#include "engine/ui/SettingsWindowParts.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace ovisu {
namespace {

QPushButton* makeButton(const QString& title, const QString& name, QWidget* parent) {
    auto* button = new QPushButton(title, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

SettingsPageTranslation::SettingsPageTranslation(SettingsStore& settings, TranslationProfiles& profiles,
                                                 TranslationSettingsActions& actions, QWidget* parent)
    : QWidget(parent),
      m_settings(settings),
      m_profiles(profiles),
      m_actions(actions),
      m_beep([] { QApplication::beep(); }) {
    setObjectName(QStringLiteral("translationPage"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(10);

    // The four settings windows.
    layout->addWidget(makeHeadingLabel(QStringLiteral("翻译源与参数"), this));
    auto* windows = new QGridLayout;
    windows->setHorizontalSpacing(10);
    windows->setVerticalSpacing(8);
    auto* providerSettings = makeButton(QStringLiteral("配置翻译源…"), QStringLiteral("openProviderSettings"), this);
    auto* aiLocalization = makeButton(QStringLiteral("AI 本地化…"), QStringLiteral("openAILocalizationSettings"), this);
    auto* parameters = makeButton(QStringLiteral("翻译参数…"), QStringLiteral("openTranslationSettings"), this);
    auto* manager = makeButton(QStringLiteral("主页翻译源管理…"), QStringLiteral("openProviderManager"), this);
    // One width for the four, wide enough for the longest title.
    int widest = 0;
    for (QPushButton* button : {providerSettings, aiLocalization, parameters, manager})
        widest = std::max(widest, button->sizeHint().width() + 24);
    for (QPushButton* button : {providerSettings, aiLocalization, parameters, manager}) button->setMinimumWidth(widest);
    windows->addWidget(providerSettings, 0, 0);
    windows->addWidget(aiLocalization, 0, 1);
    windows->addWidget(parameters, 1, 0);
    windows->addWidget(manager, 1, 1);
    windows->setColumnStretch(2, 1);
    layout->addLayout(windows);
    connect(providerSettings, &QPushButton::clicked, this, [this] { m_actions.openProviderSettings(); });
    connect(aiLocalization, &QPushButton::clicked, this, [this] { m_actions.openAILocalizationSettings(); });
    connect(parameters, &QPushButton::clicked, this, [this] { m_actions.openTranslationSettings(); });
    connect(manager, &QPushButton::clicked, this, [this] { m_actions.openProviderManager(); });

    // Fallback.
    layout->addSpacing(6);
    layout->addWidget(makeHeadingLabel(QStringLiteral("备用翻译源"), this));
    m_fallbackBox = new QCheckBox(QStringLiteral("主翻译源临时失败时启用备用源"), this);
    m_fallbackBox->setObjectName(SettingsKeys::automaticFallbackEnabled);
    layout->addWidget(m_fallbackBox);
    m_fallbackPopup = new QComboBox(this);
    m_fallbackPopup->setObjectName(SettingsKeys::fallbackProvider);
    // Every source is offered, whether or not it is shown on the home page.
    for (Provider provider : allProviders()) m_fallbackPopup->addItem(ProviderCatalogue::title(provider), rawValue(provider));
    auto* fallbackRow = new QHBoxLayout;
    fallbackRow->setSpacing(10);
    fallbackRow->addWidget(new QLabel(QStringLiteral("备用源"), this));
    fallbackRow->addWidget(m_fallbackPopup);
    fallbackRow->addStretch(1);
    layout->addLayout(fallbackRow);
    connect(m_fallbackBox, &QCheckBox::clicked, this,
            [this](bool on) { storeSetting(SettingsKeys::automaticFallbackEnabled, on); });
    connect(m_fallbackPopup, &QComboBox::activated, this, [this](int index) {
        storeSetting(SettingsKeys::fallbackProvider, m_fallbackPopup->itemData(index).toInt());
    });

    // Profiles.
    layout->addSpacing(6);
    layout->addWidget(makeHeadingLabel(QStringLiteral("配置方案"), this));
    auto* profileRows = new QGridLayout;
    profileRows->setHorizontalSpacing(10);
    profileRows->setVerticalSpacing(8);
    m_profileName = new QLineEdit(this);
    m_profileName->setObjectName(QStringLiteral("profileName"));
    m_profileName->setPlaceholderText(QStringLiteral("配置名称"));
    m_saveProfile = makeButton(QStringLiteral("保存当前配置"), QStringLiteral("saveProfile"), this);
    m_profilePopup = new QComboBox(this);
    m_profilePopup->setObjectName(QStringLiteral("profilePopup"));
    m_profilePopup->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_profilePopup->setMinimumContentsLength(12);
    m_applyProfile = makeButton(QStringLiteral("应用"), QStringLiteral("applyProfile"), this);
    m_deleteProfile = makeButton(QStringLiteral("删除"), QStringLiteral("deleteProfile"), this);
    profileRows->addWidget(m_profileName, 0, 0);
    profileRows->addWidget(m_saveProfile, 0, 1, 1, 2);
    profileRows->addWidget(m_profilePopup, 1, 0);
    profileRows->addWidget(m_applyProfile, 1, 1);
    profileRows->addWidget(m_deleteProfile, 1, 2);
    profileRows->setColumnStretch(0, 1);
    layout->addLayout(profileRows);
    // A long name is cut off in the closed pop-up; the tool tip shows it whole.
    connect(m_profilePopup, &QComboBox::currentIndexChanged, this,
            [this] { m_profilePopup->setToolTip(selectedProfileName().value_or(QString())); });
    connect(m_saveProfile, &QPushButton::clicked, this, &SettingsPageTranslation::saveCurrentTranslationProfile);
    connect(m_profileName, &QLineEdit::returnPressed, this, &SettingsPageTranslation::saveCurrentTranslationProfile);
    connect(m_applyProfile, &QPushButton::clicked, this, &SettingsPageTranslation::applySelectedTranslationProfile);
    connect(m_deleteProfile, &QPushButton::clicked, this, &SettingsPageTranslation::deleteSelectedTranslationProfile);

    m_error = makeWarningLabel(QStringLiteral("pageError"), this);
    layout->addSpacing(4);
    layout->addWidget(m_error);
    layout->addStretch(1);

    render();
}

void SettingsPageTranslation::render() {
    {
        const QSignalBlocker box(m_fallbackBox);
        m_fallbackBox->setChecked(
            m_settings.boolValue(SettingsKeys::automaticFallbackEnabled, SettingsDefaults::automaticFallbackEnabled));
        const QSignalBlocker popup(m_fallbackPopup);
        const int stored = m_settings.intValue(SettingsKeys::fallbackProvider, rawValue(Provider::google));
        m_fallbackPopup->setCurrentIndex(std::max(0, m_fallbackPopup->findData(stored)));
    }
    refreshProfilePopup(selectedProfileName());
    const auto loadError = m_profiles.profilesLoadError();
    showWarning(*m_error, loadError ? std::optional(QStringLiteral("已保存的配置无法读取，暂按空列表显示：") + *loadError)
                                    : std::nullopt);
}

void SettingsPageTranslation::refreshProfilePopup(const std::optional<QString>& selecting) {
    const QSignalBlocker blocker(m_profilePopup);
    m_profilePopup->clear();
    const QList<TranslationProfile>& profiles = m_profiles.profiles();
    const bool empty = profiles.isEmpty();
    if (empty) {
        m_profilePopup->addItem(TranslationProfiles::noProfilesTitle());
    } else {
        for (const TranslationProfile& profile : profiles) m_profilePopup->addItem(profile.name, profile.name);
        int index = 0;
        if (selecting) {
            for (int row = 0; row < profiles.size(); ++row)
                if (TranslationProfileCodec::sameName(profiles[row].name, *selecting)) index = row;
        }
        m_profilePopup->setCurrentIndex(index);
    }
    m_profilePopup->setEnabled(!empty);
    m_applyProfile->setEnabled(!empty);
    m_deleteProfile->setEnabled(!empty);
    m_profilePopup->setToolTip(selectedProfileName().value_or(QString()));
}

std::optional<QString> SettingsPageTranslation::selectedProfileName() const {
    const QVariant name = m_profilePopup->currentData();
    if (!name.isValid()) return std::nullopt;
    return name.toString();
}

void SettingsPageTranslation::saveCurrentTranslationProfile() {
    const QString name = m_profileName->text().trimmed();
    if (name.isEmpty()) {
        if (m_beep) m_beep();
        return;
    }
    const auto saved = m_profiles.saveCurrentTranslationProfile(name);
    if (!saved) {
        showWarning(*m_error, QStringLiteral("未能保存配置：") + saved.error());
        return;
    }
    showWarning(*m_error, std::nullopt);
    refreshProfilePopup(saved->name);
    m_actions.translationProfilesChanged();
}

void SettingsPageTranslation::applySelectedTranslationProfile() {
    const auto name = selectedProfileName();
    if (!name) {
        if (m_beep) m_beep();
        return;
    }
    m_actions.applyTranslationProfile(*name);
}

void SettingsPageTranslation::deleteSelectedTranslationProfile() {
    const auto name = selectedProfileName();
    if (!name) {
        if (m_beep) m_beep();
        return;
    }
    if (const auto deleted = m_profiles.deleteTranslationProfile(*name); !deleted) {
        showWarning(*m_error, QStringLiteral("未能删除配置：") + deleted.error());
        return;
    }
    showWarning(*m_error, std::nullopt);
    refreshProfilePopup(std::nullopt);
    m_actions.translationProfilesChanged();
}

void SettingsPageTranslation::storeSetting(const QString& key, const QJsonValue& value) {
    const auto written = m_settings.setValue(key, value);
    showWarning(*m_error, written ? std::nullopt : std::optional(notStoredOnDiskMessage(written.error())));
}

void SettingsPageTranslation::showEvent(QShowEvent* event) {
    render();
    QWidget::showEvent(event);
}

}  // namespace ovisu
