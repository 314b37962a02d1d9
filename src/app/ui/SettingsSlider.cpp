#include "app/ui/SettingsSlider.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <cmath>
#include <utility>

namespace ovisu {

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

}  // namespace ovisu
