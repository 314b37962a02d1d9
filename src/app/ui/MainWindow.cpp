#include "app/ui/MainWindow.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFontMetrics>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace ovisu {
namespace {

QLabel* sectionTitle(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QFrame* card(QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(QStringLiteral("card"));
    return frame;
}

// Tone colours of the status line: calm, busy, stopped, error.
QString toneStyle(int tone) {
    switch (tone) {
    case 1: return QStringLiteral("color: #1d5fbf;");
    case 2: return QStringLiteral("color: #9a6700;");
    case 3: return QStringLiteral("color: #c0262d;");
    default: return QStringLiteral("color: #2f7d4f;");
    }
}

}  // namespace

MainWindow::~MainWindow() = default;

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Ovisu"));
    setStyleSheet(QStringLiteral(
        "QFrame#card { background: palette(base); border: 1px solid palette(mid); border-radius: 8px; }"
        "QPushButton#primary { font-weight: bold; }"
        "QPushButton:checked { font-weight: bold; }"));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(18, 16, 18, 16);
    layout->setSpacing(10);

    auto* heading = new QLabel(QStringLiteral("Ovisu · 实时翻译"), central);
    QFont headingFont = heading->font();
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.5);
    headingFont.setBold(true);
    heading->setFont(headingFont);
    layout->addWidget(heading);

    layout->addWidget(buildTargetSection());
    layout->addWidget(buildSourceSection());
    layout->addWidget(buildSessionSection());
    layout->addStretch(1);
    setCentralWidget(central);
    // The style sheet's fonts (the bold primary button) apply at polish time.
    ensurePolished();
    fitButtonsToText();
    resize(560, sizeHint().height());
}

// A button is never lower than its text with a third of a line above and below, whatever the
// style's own margins or the scale: a style that computes its height from padding alone can
// otherwise leave the label a clipped line.
// Measured in bold, the heaviest face a button here takes on (the primary and the checked mode), so
// buttons side by side come out the same height.
void MainWindow::fitButtonToText(QPushButton& button) {
    QFont bold = button.font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    const int textHeight = std::max(metrics.height(), metrics.boundingRect(button.text()).height());
    const int verticalPadding = (metrics.height() + 2) / 3;
    button.setMinimumHeight(textHeight + 2 * verticalPadding);
    button.setMinimumWidth(metrics.horizontalAdvance(button.text()) + 2 * metrics.averageCharWidth() * 2);
}

void MainWindow::fitButtonsToText() {
    for (QPushButton* button : findChildren<QPushButton*>()) fitButtonToText(*button);
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) fitButtonsToText();
}

QWidget* MainWindow::buildTargetSection() {
    auto* frame = card(this);
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(14, 12, 14, 12);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);

    grid->addWidget(sectionTitle(QStringLiteral("游戏窗口"), frame), 0, 0);
    m_targetBox = new QComboBox(frame);
    m_targetBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_targetBox->setMinimumContentsLength(20);
    m_targetBox->setPlaceholderText(QStringLiteral("没有可选窗口"));
    m_refreshButton = new QPushButton(QStringLiteral("刷新"), frame);
    m_refreshButton->setToolTip(QStringLiteral("重新读取窗口列表"));
    grid->addWidget(m_targetBox, 0, 1, 1, 3);
    grid->addWidget(m_refreshButton, 0, 4);

    grid->addWidget(sectionTitle(QStringLiteral("模式"), frame), 1, 0);
    auto* modeRow = new QHBoxLayout();
    modeRow->setSpacing(0);
    m_dialogueModeButton = new QPushButton(QStringLiteral("对白模式"), frame);
    m_interfaceModeButton = new QPushButton(QStringLiteral("界面模式"), frame);
    auto* modeGroup = new QButtonGroup(frame);
    for (auto* button : {m_dialogueModeButton, m_interfaceModeButton}) {
        button->setCheckable(true);
        modeGroup->addButton(button);
        modeRow->addWidget(button);
    }
    m_dialogueModeButton->setChecked(true);
    m_dialogueModeButton->setToolTip(QStringLiteral("识别字幕区域里的对白"));
    m_interfaceModeButton->setToolTip(QStringLiteral("识别整个游戏界面的菜单、按钮与状态文字"));
    modeRow->addStretch(1);
    grid->addLayout(modeRow, 1, 1, 1, 4);

    m_regionTitle = sectionTitle(QStringLiteral("字幕区域"), frame);
    grid->addWidget(m_regionTitle, 2, 0);
    m_regionLabel = new QLabel(QStringLiteral("未框选"), frame);
    m_selectRegionButton = new QPushButton(QStringLiteral("框选 / 重选"), frame);
    m_showRegionButton = new QPushButton(QStringLiteral("查看区域"), frame);
    m_clearRegionButton = new QPushButton(QStringLiteral("删除区域"), frame);
    grid->addWidget(m_regionLabel, 2, 1);
    grid->addWidget(m_selectRegionButton, 2, 2);
    grid->addWidget(m_showRegionButton, 2, 3);
    grid->addWidget(m_clearRegionButton, 2, 4);
    grid->setColumnStretch(1, 1);

    connect(m_refreshButton, &QPushButton::clicked, this, &MainWindow::refreshWindowsRequested);
    connect(m_targetBox, &QComboBox::activated, this, [this](int index) {
        if (!m_updating && index >= 0) emit targetChosen(index);
    });
    connect(m_dialogueModeButton, &QPushButton::clicked, this, [this] { emit translationModeChosen(TranslationMode::dialogue); });
    connect(m_interfaceModeButton, &QPushButton::clicked, this, [this] { emit translationModeChosen(TranslationMode::interface); });
    connect(m_selectRegionButton, &QPushButton::clicked, this, &MainWindow::primaryRegionActionRequested);
    connect(m_showRegionButton, &QPushButton::clicked, this, &MainWindow::showRegionRequested);
    connect(m_clearRegionButton, &QPushButton::clicked, this, &MainWindow::clearRegionRequested);
    return frame;
}

QWidget* MainWindow::buildSourceSection() {
    auto* frame = card(this);
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(14, 12, 14, 12);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);

    grid->addWidget(sectionTitle(QStringLiteral("翻译源"), frame), 0, 0);
    m_sourceBox = new QComboBox(frame);
    auto* configureButton = new QPushButton(QStringLiteral("配置…"), frame);
    configureButton->setToolTip(QStringLiteral("配置当前翻译源"));
    grid->addWidget(m_sourceBox, 0, 1);
    grid->addWidget(configureButton, 0, 2);
    m_sourceNote = new QLabel(frame);
    m_sourceNote->setWordWrap(true);
    m_sourceNote->setStyleSheet(QStringLiteral("color: palette(dark);"));
    m_sourceReadiness = new QLabel(frame);
    m_sourceReadiness->setWordWrap(true);
    grid->addWidget(m_sourceNote, 1, 1, 1, 2);
    grid->addWidget(m_sourceReadiness, 2, 1, 1, 2);
    grid->setColumnStretch(1, 1);

    connect(m_sourceBox, &QComboBox::activated, this, [this](int index) {
        if (m_updating) return;
        if (const auto provider = providerFromRawValue(m_sourceBox->itemData(index).toInt())) emit providerChosen(*provider);
    });
    connect(configureButton, &QPushButton::clicked, this, &MainWindow::providerSettingsRequested);
    return frame;
}

QWidget* MainWindow::buildSessionSection() {
    auto* frame = card(this);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(8);

    auto* actions = new QHBoxLayout();
    m_primaryButton = new QPushButton(QStringLiteral("开始翻译"), frame);
    m_primaryButton->setObjectName(QStringLiteral("primary"));
    m_primaryButton->setDefault(true);
    m_manualButton = new QPushButton(QStringLiteral("立即 OCR"), frame);
    auto* historyButton = new QPushButton(QStringLiteral("翻译历史"), frame);
    auto* settingsButton = new QPushButton(QStringLiteral("设置"), frame);
    actions->addWidget(m_primaryButton);
    actions->addWidget(m_manualButton);
    actions->addStretch(1);
    actions->addWidget(historyButton);
    actions->addWidget(settingsButton);
    layout->addLayout(actions);

    auto* statusRow = new QHBoxLayout();
    m_statusLabel = new QLabel(QStringLiteral("准备就绪"), frame);
    m_statusLabel->setWordWrap(true);
    m_statusLabel->setStyleSheet(toneStyle(0));
    m_errorButton = new QPushButton(QStringLiteral("错误详情…"), frame);
    m_errorButton->setVisible(false);
    statusRow->addWidget(m_statusLabel, 1);
    statusRow->addWidget(m_errorButton);
    layout->addLayout(statusRow);
    m_captureExplanation = new QLabel(frame);
    m_captureExplanation->setObjectName(QStringLiteral("captureExplanation"));
    m_captureExplanation->setWordWrap(true);
    m_captureExplanation->setStyleSheet(toneStyle(2));
    m_captureExplanation->hide();
    layout->addWidget(m_captureExplanation);

    m_statisticsLabel = new QLabel(QStringLiteral("最新 -- · 平均 -- · 本次 0 句 · 运行 00:00:00"), frame);
    m_statisticsLabel->setStyleSheet(QStringLiteral("color: palette(dark);"));
    layout->addWidget(m_statisticsLabel);

    auto* opacityRow = new QHBoxLayout();
    opacityRow->addWidget(new QLabel(QStringLiteral("窗口整体透明度"), frame));
    m_opacitySlider = new QSlider(Qt::Horizontal, frame);
    m_opacitySlider->setRange(10, 100);
    m_opacitySlider->setValue(100);
    opacityRow->addWidget(m_opacitySlider, 1);
    layout->addLayout(opacityRow);

    connect(m_primaryButton, &QPushButton::clicked, this, &MainWindow::primaryActionRequested);
    connect(m_manualButton, &QPushButton::clicked, this, &MainWindow::manualOCRRequested);
    connect(m_errorButton, &QPushButton::clicked, this, &MainWindow::errorDetailsRequested);
    connect(historyButton, &QPushButton::clicked, this, &MainWindow::historyRequested);
    connect(settingsButton, &QPushButton::clicked, this, &MainWindow::settingsRequested);
    connect(m_opacitySlider, &QSlider::valueChanged, this, [this](int value) {
        if (!m_updating) emit overlayOpacityChosen(value / 100.0);
    });
    return frame;
}

void MainWindow::setTargets(const QStringList& titles, int selectedIndex) {
    m_updating = true;
    m_targetBox->clear();
    m_targetBox->addItems(titles);
    m_targetBox->setCurrentIndex(selectedIndex);
    m_updating = false;
}

int MainWindow::selectedTargetIndex() const { return m_targetBox->currentIndex(); }

void MainWindow::setTargetPopupEnabled(bool enabled) {
    m_targetBox->setEnabled(enabled);
    m_refreshButton->setEnabled(enabled);
}

void MainWindow::setTranslationMode(TranslationMode mode) {
    (mode == TranslationMode::interface ? m_interfaceModeButton : m_dialogueModeButton)->setChecked(true);
    // Interface mode reads UI regions (or the whole window), not a subtitle box.
    m_regionTitle->setText(mode == TranslationMode::interface ? QStringLiteral("UI 区域") : QStringLiteral("字幕区域"));
}


void MainWindow::setRegionControls(const RegionControls& controls) {
    m_manualButton->setText(controls.manualTitle);
    m_selectRegionButton->setText(controls.selectTitle);
    m_showRegionButton->setText(controls.showTitle);
    m_clearRegionButton->setText(controls.clearTitle);
    for (QPushButton* button : {m_manualButton, m_selectRegionButton, m_showRegionButton, m_clearRegionButton})
        fitButtonToText(*button);
    m_showRegionButton->setEnabled(controls.showEnabled);
    m_clearRegionButton->setEnabled(controls.clearEnabled);
    m_regionLabel->setText(controls.regionLabel);
}

void MainWindow::setProviders(const QList<Provider>& providers, int selectedIndex) {
    m_updating = true;
    m_sourceBox->clear();
    for (Provider provider : providers) m_sourceBox->addItem(ProviderCatalogue::title(provider), rawValue(provider));
    m_sourceBox->setCurrentIndex(selectedIndex);
    m_updating = false;
}

void MainWindow::setProviderDetails(const QString& note, const QString& readiness) {
    m_sourceNote->setText(note);
    m_sourceReadiness->setText(readiness);
}

void MainWindow::setStatus(const QString& text, int tone, const QString& toolTip) {
    m_statusLabel->setText(text);
    m_statusLabel->setStyleSheet(toneStyle(tone));
    m_statusLabel->setToolTip(toolTip);
}

void MainWindow::setStatusText(const QString& text) { m_statusLabel->setText(text); }

void MainWindow::showCaptureExplanationOnce(const QString& explanation) {
    if (!m_captureExplanation->text().isEmpty()) return;
    m_captureExplanation->setText(explanation);
    m_captureExplanation->show();
    // The window was sized for the rows it had; it grows by the note rather than squeeze it.
    if (centralWidget()) {
        centralWidget()->layout()->activate();
        const int needed = centralWidget()->heightForWidth(centralWidget()->width());
        if (needed > centralWidget()->height()) resize(width(), height() + needed - centralWidget()->height());
    }
}

void MainWindow::setErrorDetailsButton(bool visible, const QString& title) {
    m_errorButton->setText(title);
    fitButtonToText(*m_errorButton);
    m_errorButton->setVisible(visible);
}

void MainWindow::setPrimaryActionTitle(const QString& title) {
    m_primaryButton->setText(title);
    fitButtonToText(*m_primaryButton);
}
void MainWindow::setStatistics(const QString& text) { m_statisticsLabel->setText(text); }

void MainWindow::setOverlayOpacity(double opacity) {
    m_updating = true;
    m_opacitySlider->setValue(static_cast<int>(std::lround(std::clamp(opacity, 0.1, 1.0) * 100)));
    m_updating = false;
}

QString MainWindow::statusText() const { return m_statusLabel->text(); }
QString MainWindow::primaryActionTitle() const { return m_primaryButton->text(); }

std::optional<Provider> MainWindow::shownProvider() const {
    return providerFromRawValue(m_sourceBox->currentData().toInt());
}

}  // namespace ovisu
