#include "engine/ui/ProviderSettingsWindow.h"

#include "engine/ProviderSelection.h"
#include "engine/ProviderSettings.h"
#include "engine/TranslationSettingsActions.h"
#include "engine/ui/SettingsWindowParts.h"
#include "base/ui/WindowPresentation.h"

#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace ovisu {
namespace {

const QString kShowKey = QStringLiteral("显示");
const QString kHideKey = QStringLiteral("隐藏");

QLineEdit* makeKeyField(QLineEdit::EchoMode mode, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setEchoMode(mode);
    // Keep the secret out of input-method history and predictions.
    field->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText |
                               Qt::ImhNoAutoUppercase);
    field->setContextMenuPolicy(Qt::NoContextMenu);
    return field;
}

}  // namespace

ProviderSettingsWindow::ProviderSettingsWindow(SettingsStore& settings, ProviderSelection& selection,
                                               ProviderSettings& providerSettings,
                                               ConnectionTestServices connectionServices,
                                               TranslationSettingsActions& actions, QWidget* parent)
    : QDialog(parent),
      m_settings(settings),
      m_selection(selection),
      m_providerSettings(providerSettings),
      m_actions(actions),
      m_connectionTest(providerSettings, connectionServices) {
    setWindowTitle(QStringLiteral("配置翻译源"));
    setFont(withChineseFamily(font()));
    setModal(false);
    buildInterface();
    m_provider = m_selection.currentProvider();
    loadProviderFields(m_provider);
}

ProviderSettingsWindow::~ProviderSettingsWindow() = default;

void ProviderSettingsWindow::buildInterface() {
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(10);
    grid->setColumnStretch(1, 1);
    int row = 0;

    m_providerPopup = new QComboBox(this);
    for (Provider provider : allProviders())
        m_providerPopup->addItem(ProviderCatalogue::title(provider), rawValue(provider));
    connect(m_providerPopup, &QComboBox::currentIndexChanged, this,
            &ProviderSettingsWindow::providerSettingsSelectionChanged);
    grid->addWidget(new QLabel(QStringLiteral("翻译源"), this), row, 0);
    grid->addWidget(m_providerPopup, row++, 1);

    m_keyLabel = new QLabel(this);
    m_secureKeyField = makeKeyField(QLineEdit::Password, this);
    m_plainKeyField = makeKeyField(QLineEdit::Normal, this);
    m_visibilityButton = new QPushButton(kShowKey, this);
    m_copyButton = new QPushButton(QStringLiteral("复制"), this);
    m_pasteButton = new QPushButton(QStringLiteral("粘贴"), this);
    for (QPushButton* button : {m_visibilityButton, m_copyButton, m_pasteButton}) button->setAutoDefault(false);
    connect(m_visibilityButton, &QPushButton::clicked, this, &ProviderSettingsWindow::toggleAPIKeyVisibility);
    connect(m_copyButton, &QPushButton::clicked, this, &ProviderSettingsWindow::copyAPIKey);
    connect(m_pasteButton, &QPushButton::clicked, this, &ProviderSettingsWindow::pasteAPIKey);
    auto* keyRow = new QHBoxLayout;
    keyRow->setSpacing(6);
    keyRow->addWidget(m_secureKeyField, 1);
    keyRow->addWidget(m_plainKeyField, 1);
    keyRow->addWidget(m_visibilityButton);
    keyRow->addWidget(m_copyButton);
    keyRow->addWidget(m_pasteButton);
    grid->addWidget(m_keyLabel, row, 0);
    grid->addLayout(keyRow, row++, 1);

    m_modelLabel = new QLabel(this);
    m_modelField = new QLineEdit(this);
    grid->addWidget(m_modelLabel, row, 0);
    grid->addWidget(m_modelField, row++, 1);

    m_endpointField = new QLineEdit(this);
    m_endpointField->setPlaceholderText(QStringLiteral("例如 https://api.openai.com/v1/responses"));
    grid->addWidget(new QLabel(QStringLiteral("完整接口地址"), this), row, 0);
    grid->addWidget(m_endpointField, row++, 1);

    m_promptEditor = new QPlainTextEdit(this);
    m_promptEditor->setTabChangesFocus(true);
    m_promptEditor->setMinimumHeight(150);
    auto* promptLabel = new QLabel(QStringLiteral("Prompt"), this);
    grid->addWidget(promptLabel, row, 0, Qt::AlignTop);
    grid->addWidget(m_promptEditor, row++, 1);
    grid->setRowStretch(row - 1, 1);

    m_noteLabel = makeNoteLabel(QString(), this);
    grid->addWidget(m_noteLabel, row++, 1);

    // The server the program runs for a local model: its state, started or stopped by the button
    // below it.
    m_serviceStatus = new QLabel(this);
    m_serviceStatus->setWordWrap(true);
    m_serviceStatus->setObjectName(QStringLiteral("localServiceStatus"));
    m_serviceTitle = new QLabel(QStringLiteral("本地服务"), this);
    grid->addWidget(m_serviceTitle, row, 0);
    grid->addWidget(m_serviceStatus, row++, 1);

    // A guide message with the service's words can run to many lines: it scrolls in a fixed band
    // instead of stretching the window.
    m_statusLabel = new QLabel(this);
    m_statusLabel->setWordWrap(true);
    m_statusLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_statusLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* statusArea = new QScrollArea(this);
    statusArea->setWidget(m_statusLabel);
    statusArea->setWidgetResizable(true);
    statusArea->setFrameShape(QFrame::NoFrame);
    statusArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    statusArea->setFixedHeight(fontMetrics().lineSpacing() * 4 + 4);
    statusArea->viewport()->setAutoFillBackground(false);
    m_statusLabel->setAutoFillBackground(false);
    grid->addWidget(statusArea, row++, 1);

    m_startLocalModelButton = new QPushButton(QStringLiteral("启动本地模型"), this);
    m_testButton = new QPushButton(QStringLiteral("测试连接"), this);
    m_acquisitionButton = new QPushButton(this);
    m_doneButton = new QPushButton(QStringLiteral("完成"), this);
    for (QPushButton* button : {m_startLocalModelButton, m_testButton, m_acquisitionButton})
        button->setAutoDefault(false);
    m_doneButton->setAutoDefault(true);
    m_doneButton->setDefault(true);
    connect(m_startLocalModelButton, &QPushButton::clicked, this, &ProviderSettingsWindow::startLocalModel);
    connect(m_testButton, &QPushButton::clicked, this, &ProviderSettingsWindow::testProviderConnection);
    connect(m_acquisitionButton, &QPushButton::clicked, this, &ProviderSettingsWindow::openCurrentProviderAcquisition);
    connect(m_doneButton, &QPushButton::clicked, this, &ProviderSettingsWindow::closeProviderSettings);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_startLocalModelButton);
    buttons->addWidget(m_testButton);
    buttons->addWidget(m_acquisitionButton);
    buttons->addStretch(1);
    buttons->addWidget(m_doneButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(12);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);
    resize(640, 560);
}

void ProviderSettingsWindow::present() { openFor(m_selection.currentProvider()); }

void ProviderSettingsWindow::openFor(Provider provider) {
    // Reopening over unsaved edits keeps them: they belong to the source shown until now.
    if (isVisible()) {
        if (const auto saved = saveProviderFields(); !saved) {
            bringToFront(*this);
            return;
        }
    }
    m_closeFailureShown = false;
    m_statusLabel->clear();
    loadProviderFields(provider);
    if (!isVisible()) centreOnScreen(*this);
    bringToFront(*this);
}

void ProviderSettingsWindow::loadProviderFields(Provider provider) {
    m_connectionTest.cancel();
    m_provider = provider;
    {
        const QSignalBlocker blocker(m_providerPopup);
        m_providerPopup->setCurrentIndex(m_providerPopup->findData(rawValue(provider)));
    }

    const ProviderFields fields = ovisu::loadProviderFields(m_providerSettings, provider);
    m_keyVisible = false;
    m_plainKeyField->hide();
    m_plainKeyField->clear();
    m_secureKeyField->show();
    m_visibilityButton->setText(kShowKey);
    m_secureKeyField->setText(fields.secret);
    m_modelField->setText(fields.model);
    m_endpointField->setText(fields.endpoint);
    // A long model id or URL is read from its start.
    m_modelField->setCursorPosition(0);
    m_endpointField->setCursorPosition(0);
    m_promptEditor->setPlainText(fields.prompt);
    m_noteLabel->setText(ProviderCatalogue::note(provider));

    m_keyLabel->setText(ProviderCatalogue::keyLabel(provider));
    const bool keyEnabled = ProviderCatalogue::keyFieldEnabled(provider);
    for (QWidget* widget : {static_cast<QWidget*>(m_secureKeyField), static_cast<QWidget*>(m_plainKeyField),
                            static_cast<QWidget*>(m_visibilityButton), static_cast<QWidget*>(m_copyButton),
                            static_cast<QWidget*>(m_pasteButton)})
        widget->setEnabled(keyEnabled);
    m_modelLabel->setText(ProviderCatalogue::modelLabel(provider));
    m_modelField->setEnabled(ProviderCatalogue::modelFieldEnabled(provider));
    m_endpointField->setEnabled(ProviderCatalogue::endpointEditable(provider));

    const bool promptCapable = ProviderCatalogue::isPromptCapable(provider);
    m_promptEditor->setReadOnly(!promptCapable);
    QPalette promptPalette = m_promptEditor->palette();
    promptPalette.setColor(QPalette::Text, palette().color(promptCapable ? QPalette::Active : QPalette::Disabled,
                                                             QPalette::Text));
    m_promptEditor->setPalette(promptPalette);

    refreshLocalServiceRow();
    const auto acquisition = acquisitionTitle(provider);
    m_acquisitionButton->setText(acquisition.value_or(QString()));
    m_acquisitionButton->setVisible(acquisition.has_value());
}

QLineEdit* ProviderSettingsWindow::visibleKeyField() const { return m_keyVisible ? m_plainKeyField : m_secureKeyField; }

ProviderFields ProviderSettingsWindow::shownFields() const {
    return {visibleKeyField()->text(), m_modelField->text(), m_endpointField->text(), m_promptEditor->toPlainText()};
}

std::expected<void, QString> ProviderSettingsWindow::saveProviderFields() {
    const auto saved = ovisu::saveProviderFields(m_settings, m_provider, shownFields());
    if (!saved) {
        showStatus(saved.error(), ConnectionTestState::failed);
        return saved;
    }
    // What is stored is what the fields show from now on (the secret without stray spaces).
    const QString stored = normalizedProviderSecret(visibleKeyField()->text());
    if (ProviderCatalogue::keyFieldEnabled(m_provider) && stored != visibleKeyField()->text())
        visibleKeyField()->setText(stored);
    m_actions.providerFieldsSaved(m_provider);
    return {};
}

void ProviderSettingsWindow::providerSettingsSelectionChanged(int index) {
    const auto chosen = providerFromRawValue(m_providerPopup->itemData(index).toInt());
    if (!chosen || *chosen == m_provider) return;
    // A failed save keeps the source shown, so what was typed for it is not lost.
    if (!saveProviderFields()) {
        const QSignalBlocker blocker(m_providerPopup);
        m_providerPopup->setCurrentIndex(m_providerPopup->findData(rawValue(m_provider)));
        return;
    }
    m_statusLabel->clear();
    loadProviderFields(*chosen);
}

void ProviderSettingsWindow::toggleAPIKeyVisibility() {
    QLineEdit* shown = visibleKeyField();
    m_keyVisible = !m_keyVisible;
    QLineEdit* next = visibleKeyField();
    next->setText(shown->text());
    // The field out of sight holds nothing: the secret is in exactly one place, the one on screen.
    shown->clear();
    shown->hide();
    next->show();
    m_visibilityButton->setText(m_keyVisible ? kHideKey : kShowKey);
    if (shown->hasFocus()) next->setFocus();
}

void ProviderSettingsWindow::copyAPIKey() {
    const QString secret = visibleKeyField()->text();
    if (secret.isEmpty()) return;
    QGuiApplication::clipboard()->setText(secret);
}

void ProviderSettingsWindow::pasteAPIKey() {
    const QString pasted = normalizedProviderSecret(QGuiApplication::clipboard()->text());
    if (pasted.isEmpty()) return;
    visibleKeyField()->setText(pasted);
}

void ProviderSettingsWindow::testProviderConnection() {
    if (!saveProviderFields()) return;
    QPointer<ProviderSettingsWindow> self(this);
    m_connectionTest.testProviderConnection(m_provider, [self](const QString& text, ConnectionTestState state) {
        if (self) self->showStatus(text, state);
    });
}

void ProviderSettingsWindow::openCurrentProviderAcquisition() { openAcquisition(m_provider, m_actions); }

void ProviderSettingsWindow::startLocalModel() {
    m_actions.toggleLocalService(m_provider);
    refreshLocalServiceRow();
}

void ProviderSettingsWindow::refreshLocalServiceRow() {
    const std::optional<LocalServiceRow> row = m_actions.localServiceRow(m_provider);
    const bool visible = row && row->visible;
    for (QWidget* widget : {static_cast<QWidget*>(m_serviceTitle), static_cast<QWidget*>(m_serviceStatus),
                            static_cast<QWidget*>(m_startLocalModelButton)})
        widget->setVisible(visible);
    if (!visible) return;
    m_serviceStatus->setText(row->status);
    m_startLocalModelButton->setText(row->buttonTitle);
    m_startLocalModelButton->setEnabled(row->buttonEnabled);
}

void ProviderSettingsWindow::showStoredModel() {
    m_modelField->setText(ovisu::loadProviderFields(m_providerSettings, m_provider).model);
    m_modelField->setCursorPosition(0);
}

void ProviderSettingsWindow::closeProviderSettings() {
    if (!saveProviderFields() && !m_closeFailureShown) {
        m_closeFailureShown = true;
        return;
    }
    m_closeFailureShown = false;
    m_connectionTest.cancel();
    hide();
    setResult(QDialog::Rejected);
}

void ProviderSettingsWindow::reject() { closeProviderSettings(); }

void ProviderSettingsWindow::showStatus(const QString& text, std::optional<ConnectionTestState> state) {
    // A test's outcome is told apart at a glance: green for a connection, red for a failure.
    QString colour;
    if (state == ConnectionTestState::succeeded) colour = QStringLiteral("#1b7f3b");
    if (state == ConnectionTestState::failed) colour = QStringLiteral("#b3261e");
    m_statusLabel->setStyleSheet(colour.isEmpty() ? QString() : QStringLiteral("color: %1;").arg(colour));
    m_statusLabel->setText(text);
}

}  // namespace ovisu
