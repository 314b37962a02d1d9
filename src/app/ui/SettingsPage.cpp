#include "app/ui/SettingsPage.h"

#include "base/SettingsStore.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <utility>

namespace ovisu {

SettingsPage::SettingsPage(SettingsStore& settings, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_layout(new QVBoxLayout(this)) {
    m_layout->setContentsMargins(20, 16, 20, 16);
    m_layout->setSpacing(10);
}

void SettingsPage::store(const QString& key, const QJsonValue& value) {
    const auto written = m_settings.setValue(key, value);
    if (written)
        emit stored();
    else
        emit storeFailed(written.error());
}

void SettingsPage::showStoredFlag(QCheckBox* box, const QString& key, bool defaultValue) const {
    const QSignalBlocker blocker(box);
    box->setChecked(m_settings.boolValue(key, defaultValue));
}

QLabel* SettingsPage::makeNote(const QString& text) {
    auto* note = new QLabel(text, this);
    note->setWordWrap(true);
    note->setForegroundRole(QPalette::PlaceholderText);
    return note;
}

QGridLayout* SettingsPage::addSection(const QString& title) {
    auto* heading = new QLabel(title, this);
    QFont font = heading->font();
    font.setBold(true);
    heading->setFont(font);
    if (m_layout->count() > 0) m_layout->addSpacing(6);
    m_layout->addWidget(heading);

    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(8);
    grid->setColumnStretch(1, 1);
    // One label column width on every page, so controls line up below each other.
    grid->setColumnMinimumWidth(0, fontMetrics().horizontalAdvance(QStringLiteral("窗口整体透明度")) + 8);
    m_layout->addLayout(grid);
    return grid;
}

QPushButton* SettingsPage::addResetButton(const QString& title, const QString& objectName) {
    auto* reset = new QPushButton(title, this);
    reset->setObjectName(objectName);
    auto* row = new QHBoxLayout;
    row->addWidget(reset);
    row->addStretch(1);
    m_layout->addSpacing(6);
    m_layout->addLayout(row);
    return reset;
}

}  // namespace ovisu
