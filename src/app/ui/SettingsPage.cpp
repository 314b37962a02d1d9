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

SettingsSlider::SettingsSlider(double minimum, double maximum, double step, int decimals, QString suffix,
                               QWidget* parent)
    : QWidget(parent),
      m_minimum(minimum),
      m_step(step),
      m_decimals(decimals),
      m_suffix(std::move(suffix)),
      m_slider(new QSlider(Qt::Horizontal, this)),
      m_valueLabel(new QLabel(this)) {
    m_slider->setRange(0, static_cast<int>(std::lround((maximum - minimum) / step)));
    m_slider->setSingleStep(1);
    m_slider->setPageStep(std::max(1, m_slider->maximum() / 10));
    m_slider->setMinimumWidth(180);

    // Wide enough for the widest value of any slider, so a slider does not shift while it moves
    // and the sliders of a page end at the same place.
    const QFontMetrics metrics = m_valueLabel->fontMetrics();
    const int widest =
        std::max({metrics.horizontalAdvance(textFor(minimum)), metrics.horizontalAdvance(textFor(maximum)),
                  metrics.horizontalAdvance(QStringLiteral("0.000 秒"))});
    m_valueLabel->setMinimumWidth(widest + 4);
    m_valueLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    row->addWidget(m_slider, 1);
    row->addWidget(m_valueLabel);

    connect(m_slider, &QSlider::valueChanged, this, [this](int position) {
        const double value = valueAt(position);
        m_valueLabel->setText(textFor(value));
        emit valueEdited(value);
    });
    setValue(minimum);
}

void SettingsSlider::setValue(double value) {
    const int position = std::isfinite(value) ? static_cast<int>(std::lround((value - m_minimum) / m_step)) : 0;
    const QSignalBlocker blocker(m_slider);
    m_slider->setValue(std::clamp(position, m_slider->minimum(), m_slider->maximum()));
    m_valueLabel->setText(textFor(this->value()));
}

double SettingsSlider::value() const { return valueAt(m_slider->value()); }

QString SettingsSlider::valueText() const { return m_valueLabel->text(); }

double SettingsSlider::valueAt(int position) const {
    const double scale = std::pow(10.0, m_decimals);
    return std::round((m_minimum + position * m_step) * scale) / scale;
}

QString SettingsSlider::textFor(double value) const {
    return QString::number(value, 'f', m_decimals) + m_suffix;
}

SegmentedControl::SegmentedControl(const QStringList& titles, QWidget* parent)
    : QWidget(parent), m_group(new QButtonGroup(this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    m_group->setExclusive(true);
    for (int index = 0; index < titles.size(); ++index) {
        auto* button = new QPushButton(titles[index], this);
        button->setCheckable(true);
        button->setFocusPolicy(Qt::NoFocus);
        // Neighbours share one border line: every segment but the first draws no left edge.
        const bool first = index == 0;
        const bool last = index == titles.size() - 1;
        button->setStyleSheet(
            QStringLiteral("QPushButton { border: 1px solid palette(mid); border-left-width: %1px;"
                           " border-top-left-radius: %2px; border-bottom-left-radius: %2px;"
                           " border-top-right-radius: %3px; border-bottom-right-radius: %3px;"
                           " background: palette(base); padding: 4px 14px; }"
                           "QPushButton:checked { background: palette(highlight); color: palette(highlighted-text);"
                           " border-color: palette(highlight); }")
                .arg(first ? 1 : 0)
                .arg(first ? 5 : 0)
                .arg(last ? 5 : 0));
        button->setMinimumWidth(std::max(56, button->sizeHint().width()));
        m_group->addButton(button, index);
        m_buttons.append(button);
        row->addWidget(button);
    }
    row->addStretch(1);
    connect(m_group, &QButtonGroup::idClicked, this, &SegmentedControl::segmentChosen);
}

void SegmentedControl::setCurrentIndex(int index) {
    if (m_buttons.isEmpty()) return;
    const QSignalBlocker blocker(m_group);
    m_buttons[std::clamp(index, 0, static_cast<int>(m_buttons.size()) - 1)]->setChecked(true);
}

void SegmentedControl::changeEvent(QEvent* event) {
    // Style-sheeted buttons keep the application font instead of inheriting ours; hand it on.
    if (event->type() == QEvent::FontChange) {
        for (QAbstractButton* button : m_buttons) button->setFont(font());
    }
    QWidget::changeEvent(event);
}

int SegmentedControl::currentIndex() const { return m_group->checkedId(); }

QAbstractButton* SegmentedControl::button(int index) const {
    return index >= 0 && index < m_buttons.size() ? m_buttons[index] : nullptr;
}

}  // namespace ovisu
