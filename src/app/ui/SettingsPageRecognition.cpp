#include "app/ui/SettingsPageRecognition.h"

#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>

namespace ovisu {

SettingsPageRecognition::SettingsPageRecognition(SettingsStore& settings, RecognitionSettingsActions& actions,
                                                 QWidget* parent)
    : SettingsPage(settings, parent), m_actions(actions) {
    namespace Keys = SettingsKeys;

    QGridLayout* polling = addSection(QStringLiteral("轮询"));
    m_interval = new SettingsSlider(0.3, 5.0, 0.1, 1, QStringLiteral(" 秒"), this);
    m_interval->setObjectName(Keys::ocrPollingInterval);
    polling->addWidget(new QLabel(QStringLiteral("OCR 轮询间隔"), this), 0, 0);
    polling->addWidget(m_interval, 0, 1);
    connect(m_interval, &SettingsSlider::valueEdited, this, [this](double seconds) {
        store(SettingsKeys::ocrPollingInterval, seconds);
        m_actions.pollingIntervalChanged(seconds);
    });

    m_highPerformance = new QCheckBox(QStringLiteral("高性能自适应轮询"), this);
    m_highPerformance->setObjectName(Keys::highPerformancePollingEnabled);
    polling->addWidget(m_highPerformance, 1, 0, 1, 2);
    polling->addWidget(makeNote(QStringLiteral("画面有变化时加快识别，长时间不变时放慢；关闭后按上面的固定间隔识别。")),
                       2, 0, 1, 2);
    connect(m_highPerformance, &QCheckBox::clicked, this, [this](bool enabled) {
        store(SettingsKeys::highPerformancePollingEnabled, enabled);
        m_actions.highPerformancePollingChanged(enabled);
    });

    QGridLayout* detection = addSection(QStringLiteral("字幕检测"));
    m_threshold = new SettingsSlider(0.001, 0.05, 0.001, 3, {}, this);
    m_threshold->setObjectName(Keys::ocrFrameChangeThreshold);
    detection->addWidget(new QLabel(QStringLiteral("画面变化阈值"), this), 0, 0);
    detection->addWidget(m_threshold, 0, 1);
    connect(m_threshold, &SettingsSlider::valueEdited, this, [this](double threshold) {
        store(SettingsKeys::ocrFrameChangeThreshold, threshold);
        m_actions.frameChangeThresholdChanged(threshold);
    });

    m_stableHits = new QSpinBox(this);
    m_stableHits->setObjectName(Keys::ocrStableHits);
    m_stableHits->setRange(1, 6);
    m_stableHits->setSuffix(QStringLiteral(" 次"));
    detection->addWidget(new QLabel(QStringLiteral("字幕稳定次数"), this), 1, 0);
    detection->addWidget(m_stableHits, 1, 1, Qt::AlignLeft);
    detection->addWidget(
        makeNote(QStringLiteral("同一句字幕连续识别到这么多次才开始翻译；数值越大，越不易翻译正在逐字显示的半句。")), 2,
        0, 1, 2);
    connect(m_stableHits, &QSpinBox::valueChanged, this, [this](int hits) {
        store(SettingsKeys::ocrStableHits, hits);
        m_actions.stableHitsChanged(hits);
    });

    pageLayout()->addStretch(1);
    render();
}

void SettingsPageRecognition::render() {
    namespace Keys = SettingsKeys;
    namespace Defaults = SettingsDefaults;
    m_interval->setValue(settings().doubleValue(Keys::ocrPollingInterval, Defaults::ocrPollingInterval));
    m_threshold->setValue(settings().doubleValue(Keys::ocrFrameChangeThreshold, Defaults::ocrFrameChangeThreshold));
    showStoredFlag(m_highPerformance, Keys::highPerformancePollingEnabled, Defaults::highPerformancePollingEnabled);
    const QSignalBlocker hitsBlocker(m_stableHits);
    m_stableHits->setValue(settings().intValue(Keys::ocrStableHits, Defaults::ocrStableHits));
}

}  // namespace ovisu
