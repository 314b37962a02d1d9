#include "engine/ui/AILocalizationWindow.h"

#include "engine/ProviderSelection.h"
#include "engine/TranslationGlossaryFormatter.h"
#include "engine/TranslationProfiles.h"
#include "engine/TranslationSettingsActions.h"
#include "engine/ui/SettingsWindowParts.h"
#include "base/ui/WindowPresentation.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace ovisu {
namespace {

QPlainTextEdit* textEditor(QWidget* parent) {
    auto* editor = new QPlainTextEdit(parent);
    // Tab types a tab: it is one of the separators a glossary line may use.
    editor->setTabChangesFocus(false);
    editor->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    return editor;
}

std::optional<QString> askPresetName(QWidget* parent) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("另存 Prompt 预设"));
    dialog.setFont(withChineseFamily(dialog.font()));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(makeHeadingLabel(QStringLiteral("另存 Prompt 预设"), &dialog, 1));
    layout->addWidget(makeNoteLabel(QStringLiteral("为当前 system prompt 和 user message 模板命名。"), &dialog));
    auto* nameField = new QLineEdit(&dialog);
    nameField->setFixedSize(300, 28);
    nameField->setPlaceholderText(QStringLiteral("例如：终远的威尔修 · 日乙"));
    layout->addWidget(nameField);
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* save = buttons->addButton(QStringLiteral("保存"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    save->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return nameField->text();
}

std::optional<QString> chooseImportFile(QWidget* parent) {
    const QString path = QFileDialog::getOpenFileName(
        parent, QStringLiteral("导入 Prompt"), {},
        QStringLiteral("Prompt (*.json *.JSON *.txt *.TXT *.md *.MD *.markdown)"));
    if (path.isEmpty()) return std::nullopt;
    return path;
}

std::optional<QString> chooseExportFile(QWidget* parent, const QString& proposedFileName) {
    QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("导出 Prompt"), proposedFileName,
                                                QStringLiteral("JSON (*.json)"));
    if (path.isEmpty()) return std::nullopt;
    // The file dialog does not add the extension the filter names.
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".json");
    return path;
}

void showAlert(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(parent);
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(title);
    box.setText(title);
    box.setInformativeText(text);
    box.setFont(withChineseFamily(box.font()));
    box.addButton(QStringLiteral("知道了"), QMessageBox::AcceptRole);
    // Without a minimum width the box wraps a one-sentence reason into narrow lines.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(360, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
    box.exec();
}

}  // namespace

AILocalizationWindow::AILocalizationWindow(SettingsStore& settings, ProviderSettings& providerSettings,
                                           ProviderSelection& selection, TranslationProfiles& profiles,
                                           TranslationSettingsActions& actions, QWidget* parent)
    : QDialog(parent),
      m_selection(selection),
      m_profiles(profiles),
      m_actions(actions),
      m_localization(settings, providerSettings),
      m_namePrompt(askPresetName),
      m_openFilePicker(chooseImportFile),
      m_saveFilePicker(chooseExportFile),
      m_alert(showAlert),
      m_beep([] { QApplication::beep(); }) {
    setWindowTitle(QStringLiteral("AI 本地化"));
    setFont(withChineseFamily(font()));
    setSizeGripEnabled(true);
    resize(760, 680);
    setMinimumSize(620, 560);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(8);

    layout->addWidget(makeHeadingLabel(QStringLiteral("AI 本地化"), this, 6));
    layout->addWidget(makeNoteLabel(QStringLiteral("面向日乙与视觉小说的 Prompt、人物语气和术语一致性设置"), this));

    auto* sourceRow = new QHBoxLayout;
    sourceRow->addWidget(new QLabel(QStringLiteral("应用到"), this));
    m_providerPopup = new QComboBox(this);
    for (Provider provider : ProviderCatalogue::promptCapableProviders())
        m_providerPopup->addItem(ProviderCatalogue::title(provider), rawValue(provider));
    m_providerPopup->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    sourceRow->addWidget(m_providerPopup);
    sourceRow->addStretch(1);
    layout->addSpacing(4);
    layout->addLayout(sourceRow);

    m_tabs = new QTabWidget(this);
    m_tabs->addTab(buildPromptTab(), QStringLiteral("Prompt 模板"));
    m_tabs->addTab(buildWorkTab(), QStringLiteral("作品与角色"));
    m_tabs->addTab(buildGlossaryTab(), QStringLiteral("对白术语表"));
    layout->addWidget(m_tabs, 1);

    auto* bottomRow = new QHBoxLayout;
    m_resetButton = new QPushButton(QStringLiteral("恢复推荐预设"), this);
    m_closeButton = new QPushButton(QStringLiteral("关闭"), this);
    m_saveButton = new QPushButton(QStringLiteral("保存并应用"), this);
    bottomRow->addWidget(m_resetButton);
    bottomRow->addStretch(1);
    bottomRow->addWidget(m_closeButton);
    bottomRow->addWidget(m_saveButton);
    layout->addLayout(bottomRow);

    // Only "保存并应用" answers the Return key; the other buttons need a click or Space.
    for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(false);
    m_saveButton->setDefault(true);

    connect(m_providerPopup, &QComboBox::currentIndexChanged, this, &AILocalizationWindow::aiLocalizationProviderChanged);
    connect(m_presetPopup, &QComboBox::currentIndexChanged, this,
            [this] { m_presetPopup->setToolTip(m_presetPopup->currentText()); });
    connect(m_applyPresetButton, &QPushButton::clicked, this, &AILocalizationWindow::applySelectedPromptPreset);
    connect(m_savePresetAsButton, &QPushButton::clicked, this, &AILocalizationWindow::savePromptPresetAs);
    connect(m_importButton, &QPushButton::clicked, this, &AILocalizationWindow::importPromptPreset);
    connect(m_exportButton, &QPushButton::clicked, this, &AILocalizationWindow::exportPromptPreset);
    connect(m_normalizeButton, &QPushButton::clicked, this, &AILocalizationWindow::normalizeTranslationGlossary);
    connect(m_resetButton, &QPushButton::clicked, this, &AILocalizationWindow::resetAILocalization);
    connect(m_saveButton, &QPushButton::clicked, this, &AILocalizationWindow::saveAILocalization);
    connect(m_closeButton, &QPushButton::clicked, this, &AILocalizationWindow::closeAILocalization);

    loadForOpening();
}

QWidget* AILocalizationWindow::buildPromptTab() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("prompt"));
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(6);

    auto* presetRow = new QHBoxLayout;
    presetRow->addWidget(new QLabel(QStringLiteral("预设"), page));
    m_presetPopup = new QComboBox(page);
    // A long preset name must not widen the window; the pop-up list shows it whole.
    m_presetPopup->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_presetPopup->setMinimumContentsLength(12);
    m_presetPopup->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    presetRow->addWidget(m_presetPopup, 1);
    m_applyPresetButton = new QPushButton(QStringLiteral("应用预设"), page);
    m_savePresetAsButton = new QPushButton(QStringLiteral("另存预设…"), page);
    m_importButton = new QPushButton(QStringLiteral("导入…"), page);
    m_exportButton = new QPushButton(QStringLiteral("导出…"), page);
    for (QPushButton* button : {m_applyPresetButton, m_savePresetAsButton, m_importButton, m_exportButton})
        presetRow->addWidget(button);
    layout->addLayout(presetRow);

    layout->addWidget(new QLabel(QStringLiteral("System Prompt（模型身份、翻译规则与输出限制）"), page));
    m_systemPromptEditor = textEditor(page);
    layout->addWidget(m_systemPromptEditor, 3);
    layout->addWidget(new QLabel(QStringLiteral("User Message 模板（每次请求动态替换占位符）"), page));
    m_userTemplateEditor = textEditor(page);
    layout->addWidget(m_userTemplateEditor, 2);
    layout->addWidget(
        makeNoteLabel(QStringLiteral("可用：{text}/{src} · {srclang}/{tgtlang} · {context} · {work_context} · {glossary}"),
                       page));
    m_filterThinkingCheckBox = new QCheckBox(QStringLiteral("过滤 <think> 思考过程和“译文：”标签"), page);
    layout->addWidget(m_filterThinkingCheckBox);
    return page;
}

QWidget* AILocalizationWindow::buildWorkTab() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("work"));
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(6);
    layout->addWidget(makeHeadingLabel(QStringLiteral("作品、世界观与角色口吻"), page, 1));
    layout->addWidget(makeNoteLabel(QStringLiteral("填写角色姓名、性别、关系、称呼、性格、口癖和架空名词背景。内容会随 AI "
                                                    "请求注入，不影响 Google 等普通翻译源。"),
                                     page));
    m_workContextEditor = textEditor(page);
    layout->addWidget(m_workContextEditor, 1);
    layout->addWidget(makeNoteLabel(QStringLiteral("示例：アリス＝女主角，称呼主人公为「先輩」，说话礼貌但偶尔毒舌；Squid "
                                                    "Squad 是架空游戏组织。"),
                                     page));
    return page;
}

QWidget* AILocalizationWindow::buildGlossaryTab() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("glossary"));
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(6);
    layout->addWidget(makeHeadingLabel(QStringLiteral("对白与专有名词术语表"), page, 1));
    layout->addWidget(makeNoteLabel(
        QStringLiteral("每行一项，支持「原词=译词」「原词<Tab>译词」「原词=>译词」和「原词→译词」；# 开头为注释。"), page));
    m_glossaryEditor = textEditor(page);
    layout->addWidget(m_glossaryEditor, 1);
    auto* row = new QHBoxLayout;
    m_bilingualCheckBox = new QCheckBox(QStringLiteral("专有名词首次出现使用“原名（中文释义）”"), page);
    row->addWidget(m_bilingualCheckBox);
    row->addStretch(1);
    m_normalizeButton = new QPushButton(QStringLiteral("整理格式"), page);
    row->addWidget(m_normalizeButton);
    layout->addLayout(row);
    return page;
}

void AILocalizationWindow::openAILocalizationSettings() {
    loadForOpening();
    centreOnScreen(*this);
    bringToFront(*this);
}

void AILocalizationWindow::loadForOpening() {
    const Provider current = m_selection.currentProvider();
    const Provider chosen = ProviderCatalogue::isPromptCapable(current) ? current : Provider::openAI;
    selectProvider(chosen);
    loadProvider(chosen);
}

void AILocalizationWindow::selectProvider(Provider provider) {
    const QSignalBlocker blocker(m_providerPopup);
    m_providerPopup->setCurrentIndex(m_providerPopup->findData(rawValue(provider)));
}

Provider AILocalizationWindow::selectedProvider() const {
    const auto provider = providerFromRawValue(m_providerPopup->currentData().toInt());
    return provider && ProviderCatalogue::isPromptCapable(*provider) ? *provider : Provider::openAI;
}

void AILocalizationWindow::loadProvider(Provider provider) {
    const AILocalizationValues values = m_localization.load(provider);
    m_systemPromptEditor->setPlainText(values.prompt);
    m_userTemplateEditor->setPlainText(values.userPromptTemplate);
    std::optional<QString> presetID = values.presetID;
    if (!presetID) {
        // Nothing stored yet: show the preset the prompts still equal, typically the recommended one.
        for (const TranslationPromptPreset& preset : m_profiles.allPresets()) {
            if (preset.systemPrompt == values.prompt && preset.userPromptTemplate == values.userPromptTemplate) {
                presetID = preset.id;
                break;
            }
        }
    }
    refreshPromptPresetPopup(presetID);
    m_workContextEditor->setPlainText(values.workContext);
    m_glossaryEditor->setPlainText(values.glossary);
    m_filterThinkingCheckBox->setChecked(values.filterThinkingOutput);
    m_bilingualCheckBox->setChecked(values.bilingualProperNouns);
}

void AILocalizationWindow::refreshPromptPresetPopup(const std::optional<QString>& selecting) {
    m_presetPopup->clear();
    for (const TranslationPromptPreset& preset : m_profiles.allPresets()) {
        m_presetPopup->addItem(preset.name, preset.id);
        m_presetPopup->setItemData(m_presetPopup->count() - 1, preset.name, Qt::ToolTipRole);
    }
    m_presetPopup->setCurrentIndex(selecting ? m_presetPopup->findData(*selecting) : -1);
}

std::optional<QString> AILocalizationWindow::selectedPresetID() const {
    if (m_presetPopup->currentIndex() < 0) return std::nullopt;
    return m_presetPopup->currentData().toString();
}

void AILocalizationWindow::beep() {
    if (m_beep) m_beep();
}

void AILocalizationWindow::aiLocalizationProviderChanged() {
    loadProvider(selectedProvider());
}

void AILocalizationWindow::applySelectedPromptPreset() {
    const std::optional<QString> id = selectedPresetID();
    const std::optional<TranslationPromptPreset> preset = id ? m_profiles.preset(*id) : std::nullopt;
    if (!preset) {
        beep();
        return;
    }
    m_systemPromptEditor->setPlainText(preset->systemPrompt);
    m_userTemplateEditor->setPlainText(preset->userPromptTemplate);
}

void AILocalizationWindow::savePromptPresetAs() {
    const std::optional<QString> name = m_namePrompt ? m_namePrompt(this) : std::nullopt;
    if (!name) return;
    if (name->trimmed().isEmpty()) {
        beep();
        return;
    }
    const auto saved = m_profiles.savePromptPresetAs(*name, m_systemPromptEditor->toPlainText(),
                                                     m_userTemplateEditor->toPlainText());
    if (!saved) {
        if (m_alert) m_alert(this, QStringLiteral("无法保存 Prompt 预设"), saved.error());
        return;
    }
    refreshPromptPresetPopup(saved->id);
}

void AILocalizationWindow::importPromptPreset() {
    const std::optional<QString> path = m_openFilePicker ? m_openFilePicker(this) : std::nullopt;
    if (!path) return;
    const auto imported = m_profiles.importPromptPreset(*path);
    if (!imported) {
        if (m_alert) m_alert(this, imported.error().title, imported.error().text);
        return;
    }
    refreshPromptPresetPopup(imported->id);
    m_systemPromptEditor->setPlainText(imported->systemPrompt);
    m_userTemplateEditor->setPlainText(imported->userPromptTemplate);
}

void AILocalizationWindow::exportPromptPreset() {
    const std::optional<QString> id = selectedPresetID();
    const std::optional<QString> title = id ? std::optional<QString>(m_presetPopup->currentText()) : std::nullopt;
    const TranslationPromptPreset preset = TranslationProfiles::exportedPreset(
        id, title, m_systemPromptEditor->toPlainText(), m_userTemplateEditor->toPlainText());
    const std::optional<QString> path =
        m_saveFilePicker ? m_saveFilePicker(this, TranslationProfiles::proposedExportFileName(preset)) : std::nullopt;
    if (!path) return;
    if (const auto written = TranslationProfiles::writePromptPreset(preset, *path); !written) {
        if (m_alert) m_alert(this, QStringLiteral("无法导出 Prompt"), written.error());
    }
}

void AILocalizationWindow::normalizeTranslationGlossary() {
    m_glossaryEditor->setPlainText(TranslationGlossaryFormatter::normalized(m_glossaryEditor->toPlainText()));
}

void AILocalizationWindow::resetAILocalization() {
    const AILocalizationDefaults defaults = TranslationProfiles::resetAILocalization(selectedProvider());
    m_systemPromptEditor->setPlainText(defaults.prompt);
    m_userTemplateEditor->setPlainText(defaults.userPromptTemplate);
    refreshPromptPresetPopup(defaults.presetID);
}

AILocalizationValues AILocalizationWindow::editedValues() const {
    AILocalizationValues values;
    values.prompt = m_systemPromptEditor->toPlainText();
    values.userPromptTemplate = m_userTemplateEditor->toPlainText();
    values.presetID = selectedPresetID();
    values.workContext = m_workContextEditor->toPlainText();
    values.glossary = m_glossaryEditor->toPlainText();
    values.bilingualProperNouns = m_bilingualCheckBox->isChecked();
    values.filterThinkingOutput = m_filterThinkingCheckBox->isChecked();
    return values;
}

void AILocalizationWindow::saveAILocalization() {
    const Provider provider = selectedProvider();
    const auto saved = m_localization.saveAILocalization(provider, editedValues());
    if (!saved) {
        // The window stays open with the edits, so nothing typed is lost.
        if (m_alert) m_alert(this, QStringLiteral("无法保存 AI 本地化设置"), saved.error());
        return;
    }
    m_actions.showTranslationStatus(*saved);
    hide();
}

void AILocalizationWindow::closeAILocalization() {
    hide();
}

}  // namespace ovisu
