#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>

class QAbstractButton;
class QButtonGroup;

namespace ovisu {

// A row of mutually exclusive buttons, the look of a segmented control.
class SegmentedControl : public QWidget {
    Q_OBJECT
public:
    explicit SegmentedControl(const QStringList& titles, QWidget* parent = nullptr);

    // Shows a segment without emitting segmentChosen; an index outside the segments is clamped.
    void setCurrentIndex(int index);
    int currentIndex() const;
    QAbstractButton* button(int index) const;

protected:
    void changeEvent(QEvent* event) override;

signals:
    // The user chose a segment (also when it was already the current one).
    void segmentChosen(int index);

private:
    QButtonGroup* m_group;
    QList<QAbstractButton*> m_buttons;
};

}  // namespace ovisu
