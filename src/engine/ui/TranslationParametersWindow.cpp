#include "engine/ui/TranslationParametersWindow.h"

#include "base/SettingsStore.h"
#include "engine/TranslationSettingsActions.h"
#include "engine/ui/SettingsWindowParts.h"
#include "base/ui/WindowPresentation.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace ovisu {
namespace {

// The decimal sliders move in hundredths.
constexpr double hundredths = 100.0;

// QSlider::setValue keeps a position inside the slider's range by itself.
int sliderPosition(double value) { return static_cast<int>(std::lround(value * hundredths)); }

QString decimalText(double value) { return QString::number(value, 'f', 2); }

QSlider* makeSlider(int minimum, int maximum, int singleStep, int pageStep, const QString& name, QWidget* parent) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(name);
    slider->setRange(minimum, maximum);
    slider->setSingleStep(singleStep);
    slider->setPageStep(pageStep);
    slider->setMinimumWidth(220);
    // While dragging only the label follows; the settings are stored once, when the slider is let go.
    slider->setTracking(false);
    return slider;
}

QLabel* makeValueLabel(const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 4);
    return label;
}

}  // namespace

TranslationParametersWindow::TranslationParametersWindow(SettingsStore& settings, TranslationSettingsActions& actions,
                                                         QWidget* parent)
    : QWidget(parent, Qt::Window), m_settings(settings), m_actions(actions) {
    setObjectName(QStringLiteral("translationParameters"));
    setWindowTitle(QStringLiteral("翻译参数"));
    setFont(withChineseFamily(font()));

    auto* heading = makeHeadingLabel(QStringLiteral("模型生成参数"), this, 2);

    m_temperature = makeSlider(0, 150, 1, 10, QStringLiteral("temperatureSlider"), this);
    m_maxTokens = makeSlider(256, 4096, 32, 256, QStringLiteral("maxTokensSlider"), this);
    m_topP = makeSlider(10, 100, 1, 10, QStringLiteral("topPSlider"), this);
    m_temperatureValue = makeValueLabel(QStringLiteral("temperatureValue"), this);
    m_maxTokensValue = makeValueLabel(QStringLiteral("maxTokensValue"), this);
    m_topPValue = makeValueLabel(QStringLiteral("topPValue"), this);

    m_contextCount = new QComboBox(this);
    m_contextCount->setObjectName(QStringLiteral("contextCountPopup"));
    m_contextCount->addItems(ContextCountChoices::titles());
    auto* contextNote = makeNoteLabel(QStringLiteral("只发送此前原文与译文，帮助统一人名、称呼和语气。"), this);

    m_streaming = new QCheckBox(QStringLiteral("流式显示译文（AI Provider）"), this);
    m_streaming->setObjectName(QStringLiteral("streamingBox"));
    m_deepSeekThinking = new QCheckBox(QStringLiteral("DeepSeek 禁用思考模式（翻译推荐）"), this);
    m_deepSeekThinking->setObjectName(QStringLiteral("deepSeekThinkingBox"));
    m_globalHotKeys = new QCheckBox(QStringLiteral("启用全局快捷键"), this);
    m_globalHotKeys->setObjectName(QStringLiteral("globalHotKeysBox"));
    auto* hotKeyLine =
        makeNoteLabel(QStringLiteral("Ctrl+Shift+P 开始/暂停  ·  Ctrl+Shift+H 悬浮窗  ·  Ctrl+Shift+R 重新框选"), this);
    hotKeyLine->setObjectName(QStringLiteral("hotKeyLine"));

    m_storeError = makeWarningLabel(QStringLiteral("storeError"), this);

    m_resetButton = new QPushButton(QStringLiteral("恢复默认"), this);
    m_doneButton = new QPushButton(QStringLiteral("完成"), this);
    m_doneButton->setDefault(true);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(10);
    const auto addSliderRow = [grid, this](int row, const QString& title, QSlider* slider, QLabel* value) {
        grid->addWidget(new QLabel(title, this), row, 0);
        grid->addWidget(slider, row, 1);
        grid->addWidget(value, row, 2);
    };
    addSliderRow(0, QStringLiteral("Temperature"), m_temperature, m_temperatureValue);
    addSliderRow(1, QStringLiteral("Max Tokens"), m_maxTokens, m_maxTokensValue);
    addSliderRow(2, QStringLiteral("Top P"), m_topP, m_topPValue);
    grid->addWidget(new QLabel(QStringLiteral("上下文条数"), this), 3, 0);
    auto* contextRow = new QHBoxLayout;
    contextRow->setSpacing(10);
    contextRow->addWidget(m_contextCount);
    contextRow->addWidget(contextNote, 1);
    grid->addLayout(contextRow, 3, 1, 1, 2);
    grid->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_resetButton);
    buttons->addStretch(1);
    buttons->addWidget(m_doneButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(22, 18, 22, 16);
    layout->setSpacing(10);
    layout->addWidget(heading);
    layout->addWidget(makeNoteLabel(QStringLiteral("用于 Sakura、OpenAI、Claude、豆包和兼容 API；Google 不使用这些参数。"), this));
    layout->addSpacing(4);
    layout->addLayout(grid);
    layout->addSpacing(4);
    layout->addWidget(m_streaming);
    layout->addWidget(m_deepSeekThinking);
    layout->addWidget(m_globalHotKeys);
    layout->addWidget(hotKeyLine);
    layout->addStretch(1);
    layout->addWidget(m_storeError);
    layout->addLayout(buttons);

    connect(m_temperature, &QSlider::sliderMoved, this,
            [this](int position) { m_temperatureValue->setText(decimalText(position / hundredths)); });
    connect(m_maxTokens, &QSlider::sliderMoved, this,
            [this](int position) { m_maxTokensValue->setText(QString::number(position)); });
    connect(m_topP, &QSlider::sliderMoved, this,
            [this](int position) { m_topPValue->setText(decimalText(position / hundredths)); });
    connect(m_temperature, &QSlider::valueChanged, this, [this](int position) {
        m_parameters.temperature = position / hundredths;
        translationSettingChanged();
    });
    connect(m_maxTokens, &QSlider::valueChanged, this, [this](int position) {
        m_parameters.maxTokens = position;
        translationSettingChanged();
    });
    connect(m_topP, &QSlider::valueChanged, this, [this](int position) {
        m_parameters.topP = position / hundredths;
        translationSettingChanged();
    });
    // activated, not currentIndexChanged: choosing the item already shown still stores it, which
    // matters when a stored count without its own item is shown as "3".
    connect(m_contextCount, &QComboBox::activated, this, [this](int index) {
        m_parameters.contextCount = ContextCountChoices::countAt(index);
        translationSettingChanged();
    });
    connect(m_streaming, &QCheckBox::clicked, this, [this](bool on) {
        m_parameters.streamingEnabled = on;
        translationSettingChanged();
    });
    connect(m_deepSeekThinking, &QCheckBox::clicked, this, [this](bool on) {
        m_parameters.deepSeekThinkingDisabled = on;
        translationSettingChanged();
    });
    connect(m_globalHotKeys, &QCheckBox::clicked, this, [this](bool on) {
        m_parameters.globalHotKeysEnabled = on;
        translationSettingChanged();
        m_actions.configureGlobalHotKeys();
    });
    connect(m_resetButton, &QPushButton::clicked, this, &TranslationParametersWindow::resetTranslationSettings);
    connect(m_doneButton, &QPushButton::clicked, this, &QWidget::close);

    render();
    resize(std::max(sizeHint().width(), 560), sizeHint().height());
}

void TranslationParametersWindow::present() {
    render();
    centreOnScreen(*this);
    bringToFront(*this);
}

void TranslationParametersWindow::render() {
    m_parameters = TranslationParameters::read(m_settings);
    {
        const QSignalBlocker temperature(m_temperature);
        const QSignalBlocker maxTokens(m_maxTokens);
        const QSignalBlocker topP(m_topP);
        const QSignalBlocker contextCount(m_contextCount);
        m_temperature->setValue(sliderPosition(m_parameters.temperature));
        m_maxTokens->setValue(m_parameters.maxTokens);
        m_topP->setValue(sliderPosition(m_parameters.topP));
        m_contextCount->setCurrentIndex(ContextCountChoices::indexForCount(m_parameters.contextCount));
    }
    m_streaming->setChecked(m_parameters.streamingEnabled);
    m_deepSeekThinking->setChecked(m_parameters.deepSeekThinkingDisabled);
    m_globalHotKeys->setChecked(m_parameters.globalHotKeysEnabled);
    showValueLabels();
}

void TranslationParametersWindow::showValueLabels() {
    // The labels show the values requests use. A stored value beyond a slider's range (from a
    // profile, say) shows as it is, with the slider at its end, until that slider is moved.
    m_temperatureValue->setText(decimalText(m_parameters.temperature));
    m_maxTokensValue->setText(QString::number(m_parameters.maxTokens));
    m_topPValue->setText(decimalText(m_parameters.topP));
}

void TranslationParametersWindow::translationSettingChanged() {
    showValueLabels();
    showStoreResult(persistTranslationSettings(m_settings, m_parameters));
}

void TranslationParametersWindow::showStoreResult(const std::expected<void, QString>& written) {
    // The store keeps the values for this run even when the file could not be written.
    showWarning(*m_storeError, written ? std::nullopt : std::optional(notStoredOnDiskMessage(written.error())));
}

void TranslationParametersWindow::resetTranslationSettings() {
    m_parameters = TranslationParameters::defaults();
    const auto written = persistTranslationSettings(m_settings, m_parameters);
    m_actions.configureGlobalHotKeys();
    render();
    showStoreResult(written);
    centreOnScreen(*this);
    bringToFront(*this);
}

}  // namespace ovisu
