#include "interface/ui/UIDictionaryEditorWindow.h"

#include "base/ui/WindowPresentation.h"
#include "interface/ui/UIDictionaryEntryDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ovisu {

namespace {

QTableWidgetItem* readOnlyItem(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

}  // namespace

UIDictionaryEditorWindow::UIDictionaryEditorWindow(UIStoredTranslations& stored, AfterEdit afterEdit, QWidget* parent)
    : QWidget(parent, Qt::Window), m_stored(stored), m_afterEdit(std::move(afterEdit)) {
    setWindowTitle(QStringLiteral("UI 固定词典"));
    setFont(withChineseFamily(font()));
    resize(640, 420);

    auto* note = new QLabel(UIStoredTranslations::dictionaryNote(), this);
    note->setWordWrap(true);
    note->setForegroundRole(QPalette::PlaceholderText);

    m_table = new QTableWidget(0, 3, this);
    m_table->setHorizontalHeaderLabels({UIStoredTranslations::dictionarySourceFieldTitle(),
                                        UIStoredTranslations::dictionaryTranslationFieldTitle(),
                                        UIStoredTranslations::dictionaryKindFieldTitle()});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->setVisible(false);
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_table->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        m_table->selectRow(row);
        editSelectedEntry();
    });

    m_addButton = new QPushButton(UIStoredTranslations::addDictionaryEntryButtonTitle(), this);
    m_editButton = new QPushButton(QStringLiteral("编辑…"), this);
    m_removeButton = new QPushButton(QStringLiteral("删除"), this);
    for (QPushButton* button : {m_addButton, m_editButton, m_removeButton}) button->setAutoDefault(false);
    connect(m_addButton, &QPushButton::clicked, this, &UIDictionaryEditorWindow::addEntry);
    connect(m_editButton, &QPushButton::clicked, this, &UIDictionaryEditorWindow::editSelectedEntry);
    connect(m_removeButton, &QPushButton::clicked, this, &UIDictionaryEditorWindow::removeSelectedEntry);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addWidget(m_addButton);
    buttons->addWidget(m_editButton);
    buttons->addWidget(m_removeButton);
    buttons->addStretch(1);

    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 14);
    layout->setSpacing(10);
    layout->addWidget(note);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    layout->addWidget(m_status);

    reloadTable();
}

void UIDictionaryEditorWindow::openUIDictionaryEditor() {
    m_stored.reloadDictionaryEntries();
    reloadTable();
    if (!m_placed) {
        m_placed = true;
        centreOnScreen(*this);
    }
    bringToFront(*this);
}

void UIDictionaryEditorWindow::reloadTable() {
    const QList<UIFixedDictionaryEntry>& entries = m_stored.dictionaryEntries();
    m_table->clearSelection();
    m_table->setRowCount(static_cast<int>(entries.size()));
    for (int row = 0; row < entries.size(); ++row) {
        const UIFixedDictionaryEntry& entry = entries.at(row);
        m_table->setItem(row, 0, readOnlyItem(entry.source));
        m_table->setItem(row, 1, readOnlyItem(entry.translation));
        m_table->setItem(row, 2, readOnlyItem(UIStoredTranslations::kindTitle(entry.kind)));
    }
}

std::optional<int> UIDictionaryEditorWindow::selectedRow() const {
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    return rows.constFirst().row();
}

void UIDictionaryEditorWindow::addEntry() {
    const auto answer = UIDictionaryEntryDialog::ask(this, UIStoredTranslations::addDictionaryEntryTitle());
    if (!answer)
        return;
    const auto outcome = m_stored.addDictionaryEntry(answer->source, answer->translation, answer->kind);
    finish(outcome, static_cast<int>(m_stored.dictionaryEntries().size()) - 1);
}

void UIDictionaryEditorWindow::editSelectedEntry() {
    const std::optional<int> row = selectedRow();
    const auto entry = m_stored.dictionaryEntryForEditing(row);
    if (!entry) {
        UIStoredTranslations::DictionaryOutcome refused;
        refused.statusLine = entry.error();
        finish(refused, std::nullopt);
        return;
    }
    const auto answer = UIDictionaryEntryDialog::ask(this, UIStoredTranslations::editDictionaryEntryTitle(), *entry);
    if (!answer)
        return;
    finish(m_stored.editDictionaryEntry(row, answer->source, answer->translation, answer->kind), row);
}

void UIDictionaryEditorWindow::removeSelectedEntry() {
    finish(m_stored.removeDictionaryEntry(selectedRow()), std::nullopt);
}

void UIDictionaryEditorWindow::finish(const UIStoredTranslations::DictionaryOutcome& outcome,
                                      std::optional<int> rowToSelect) {
    // A failed save keeps the edit in the list, so the window says why it is not on disk.
    m_status->setText(outcome.statusLine.value_or(outcome.realtimeError.value_or(QString())));
    if (outcome.changed) {
        reloadTable();
        if (rowToSelect && *rowToSelect >= 0 && *rowToSelect < m_table->rowCount())
            m_table->selectRow(*rowToSelect);
    }
    if (m_afterEdit)
        m_afterEdit(outcome);
}

}  // namespace ovisu
