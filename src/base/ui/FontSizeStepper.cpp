#include "base/ui/FontSizeStepper.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace ovisu {

FontSizeStepper::FontSizeStepper(const QString& downName, const QString& sizeName, const QString& upName,
                                 double widestSize, QWidget* parent)
    : QWidget(parent),
      m_down(new QPushButton(QStringLiteral("−"), this)),
      m_size(new QLabel(this)),
      m_up(new QPushButton(QStringLiteral("+"), this)) {
    m_down->setObjectName(downName);
    m_size->setObjectName(sizeName);
    m_up->setObjectName(upName);
    m_size->setAlignment(Qt::AlignCenter);
    m_size->setMinimumWidth(m_size->fontMetrics().horizontalAdvance(sizeText(widestSize)) + 8);
    for (QPushButton* button : {m_down, m_up}) button->setFixedWidth(36);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(m_down);
    row->addWidget(m_size);
    row->addWidget(m_up);
    connect(m_down, &QPushButton::clicked, this, [this] { emit stepped(-1); });
    connect(m_up, &QPushButton::clicked, this, [this] { emit stepped(1); });
}

void FontSizeStepper::showSize(double size, double minimum, double maximum) {
    m_size->setText(sizeText(size));
    m_down->setEnabled(size > minimum);
    m_up->setEnabled(size < maximum);
}

QString FontSizeStepper::sizeText(double size) { return QString::number(size, 'g', 4) + QStringLiteral(" pt"); }

}  // namespace ovisu
