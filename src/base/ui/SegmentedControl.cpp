#include "base/ui/SegmentedControl.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>

namespace ovisu {

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
