#include "interface/ui/UIRegionEditorWindow.h"

#include "base/ui/SegmentedControl.h"
#include "base/ui/WindowPresentation.h"
#include "engine/ui/SettingsWindowParts.h"
#include "base/ui/DestructiveConfirmation.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QUuid>
#include <QVBoxLayout>

#include <algorithm>

namespace ovisu {

namespace {

enum Column { enabledColumn = 0, nameColumn = 1, positionColumn = 2, columnCount = 3 };

QTableWidgetItem* ensureItem(QTableWidget& table, int row, int column, Qt::ItemFlags flags) {
    QTableWidgetItem* item = table.item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        table.setItem(row, column, item);
    }
    item->setFlags(flags);
    return item;
}

// The new name, or none when the user cancels.
std::optional<QString> askRegionName(QWidget* parent, const QString& current) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("重命名 UI 区域"));
    dialog.setFont(withChineseFamily(dialog.font()));
    auto* field = new QLineEdit(current, &dialog);
    field->setMinimumSize(300, 28);
    field->selectAll();
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* save = buttons->addButton(QStringLiteral("保存"), QDialogButtonBox::AcceptRole);
    buttons->addButton(UIRegionList::cancelButtonTitle(), QDialogButtonBox::RejectRole);
    save->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(field);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return field->text();
}

bool confirmClearAll(QWidget* parent) {
    return confirmDestructiveAction(parent, {QStringLiteral("UI 区域编辑器"), UIRegionList::clearAllMessage(),
                                             UIRegionList::clearAllInformativeText(),
                                             UIRegionList::clearAllButtonTitle(), UIRegionList::cancelButtonTitle()});
}

}  // namespace

UIRegionEditorWindow::UIRegionEditorWindow(UIRegionList& regions, UIRegionEditorActions& actions, QWidget* parent)
    : QWidget(parent, Qt::Window), m_regions(regions), m_actions(actions) {
    setWindowTitle(QStringLiteral("UI 区域编辑器"));
    setObjectName(QStringLiteral("uiRegionEditor"));
    setFont(withChineseFamily(font()));

    auto* rule = makeNoteLabel(UIRegionList::scopeRuleText(), this);

    m_style = new SegmentedControl({QStringLiteral("原文旁显示中文"), QStringLiteral("中文原位覆盖")}, this);
    connect(m_style, &SegmentedControl::segmentChosen, this, [this](int index) {
        m_actions.interfaceCenterStyleChanged(index);
        showInterfaceOverlayStyle();
    });

    m_table = new QTableWidget(0, columnCount, this);
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("启用"), QStringLiteral("名称"), QStringLiteral("位置（窗口归一化坐标）")});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(enabledColumn, QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(nameColumn, QHeaderView::Interactive);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setColumnWidth(nameColumn, 160);
    connect(m_table, &QTableWidget::itemChanged, this, &UIRegionEditorWindow::regionItemChanged);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this](int, int column) {
        if (column == nameColumn)
            renameSelectedRegion();
    });

    auto* add = new QPushButton(QStringLiteral("＋ 添加区域"), this);
    auto* redraw = new QPushButton(QStringLiteral("重新框选"), this);
    auto* rename = new QPushButton(QStringLiteral("重命名…"), this);
    auto* up = new QPushButton(QStringLiteral("上移"), this);
    auto* down = new QPushButton(QStringLiteral("下移"), this);
    auto* remove = new QPushButton(QStringLiteral("删除"), this);
    m_clearAll = new QPushButton(QStringLiteral("清空全部…"), this);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(6);
    for (QPushButton* button : {add, redraw, rename, up, down, remove}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    m_clearAll->setAutoDefault(false);
    buttons->addWidget(m_clearAll);
    connect(add, &QPushButton::clicked, this, &UIRegionEditorWindow::addRegion);
    connect(redraw, &QPushButton::clicked, this, &UIRegionEditorWindow::redrawSelectedRegion);
    connect(rename, &QPushButton::clicked, this, &UIRegionEditorWindow::renameSelectedRegion);
    connect(up, &QPushButton::clicked, this, [this] { apply(m_regions.move(selectedRow(), -1)); });
    connect(down, &QPushButton::clicked, this, [this] { apply(m_regions.move(selectedRow(), +1)); });
    connect(remove, &QPushButton::clicked, this, [this] { apply(m_regions.remove(selectedRow())); });
    connect(m_clearAll, &QPushButton::clicked, this, &UIRegionEditorWindow::clearAllRegions);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("uiRegionStatus"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 14);
    layout->setSpacing(10);
    layout->addWidget(rule);
    layout->addWidget(m_style);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    layout->addWidget(m_status);

    resize(640, 420);
    reloadUIRegionTable();
    showInterfaceOverlayStyle();
}

std::optional<int> UIRegionEditorWindow::selectedRow() const {
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    return rows.constFirst().row();
}

void UIRegionEditorWindow::selectRow(std::optional<int> row) {
    if (row && *row >= 0 && *row < m_table->rowCount())
        m_table->selectRow(*row);
    else
        m_table->clearSelection();
}

void UIRegionEditorWindow::reloadUIRegionTable() {
    const std::optional<int> previous = selectedRow();
    const QList<UIOCRRegion>& regions = m_regions.regions();
    {
        // Items are updated in place: a toggle reloads the table from inside the item's own
        // change notification, where deleting that item would pull it from under the view.
        const QSignalBlocker blocker(m_table);
        m_table->setRowCount(int(regions.size()));
        for (int row = 0; row < regions.size(); ++row) {
            const UIOCRRegion& region = regions[row];
            constexpr Qt::ItemFlags shown = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
            ensureItem(*m_table, row, enabledColumn, shown | Qt::ItemIsUserCheckable)
                ->setCheckState(region.isEnabled ? Qt::Checked : Qt::Unchecked);
            ensureItem(*m_table, row, nameColumn, shown)->setText(region.name);
            ensureItem(*m_table, row, positionColumn, shown)
                ->setText(UIRegionList::positionText(region.normalizedRect));
        }
    }
    if (previous && !regions.isEmpty())
        selectRow(std::min(*previous, int(regions.size()) - 1));
    m_clearAll->setEnabled(!regions.isEmpty());
}

void UIRegionEditorWindow::showInterfaceOverlayStyle() {
    m_style->setCurrentIndex(m_actions.interfaceOverlayStyle() == UIOverlayStyle::replaceOriginal ? 1 : 0);
}

void UIRegionEditorWindow::openUIRegionEditor() {
    reloadUIRegionTable();
    showInterfaceOverlayStyle();
    if (!m_placed) {
        m_placed = true;
        centreOnScreen(*this);
    }
    bringToFront(*this);
}

void UIRegionEditorWindow::apply(const UIRegionList::Outcome& outcome) {
    m_actions.applyUIRegionOutcome(outcome);
    if (outcome.statusLine) {
        m_status->setText(*outcome.statusLine);
        m_actions.showStatusText(*outcome.statusLine);
    } else {
        // The editor is where the user looks while editing, so a failed save shows here too;
        // otherwise the line would still tell of an earlier operation.
        m_status->setText(outcome.realtimeError.value_or(QString()));
    }
    reloadUIRegionTable();
    if (outcome.selectedRow)
        selectRow(outcome.selectedRow);
}

void UIRegionEditorWindow::addRegion() {
    const QPointer<UIRegionEditorWindow> self(this);
    m_actions.pickUIRegionOnStill([self](const QRectF& rect) {
        if (self)
            self->apply(self->m_regions.add(rect));
    });
}

void UIRegionEditorWindow::redrawSelectedRegion() {
    const std::optional<int> row = selectedRow();
    if (!row || *row >= m_regions.regions().size()) {
        // Nothing to draw for: the list says so without a capture first.
        apply(m_regions.redraw(std::nullopt, {}));
        return;
    }
    // The list may change while the user draws; the region is found again by its id.
    const QUuid id = m_regions.regions()[*row].id;
    const QPointer<UIRegionEditorWindow> self(this);
    m_actions.pickUIRegionOnStill([self, id](const QRectF& rect) {
        if (!self)
            return;
        const QList<UIOCRRegion>& regions = self->m_regions.regions();
        const auto found = std::find_if(regions.cbegin(), regions.cend(),
                                        [&](const UIOCRRegion& region) { return region.id == id; });
        std::optional<int> target;
        if (found != regions.cend())
            target = int(found - regions.cbegin());
        self->apply(self->m_regions.redraw(target, rect));
    });
}

void UIRegionEditorWindow::renameSelectedRegion() {
    const std::optional<int> row = selectedRow();
    if (!row || *row >= m_regions.regions().size()) {
        apply(m_regions.rename(std::nullopt, {}));
        return;
    }
    const std::optional<QString> name = askRegionName(this, m_regions.regions()[*row].name);
    if (name)
        apply(m_regions.rename(row, *name));
}

void UIRegionEditorWindow::clearAllRegions() {
    if (m_regions.regions().isEmpty())
        return;
    if (confirmClearAll(this))
        apply(m_regions.clearAll());
}

void UIRegionEditorWindow::regionItemChanged(QTableWidgetItem* item) {
    if (item->column() != enabledColumn)
        return;
    apply(m_regions.toggle(item->row(), item->checkState() == Qt::Checked));
}

}  // namespace ovisu
