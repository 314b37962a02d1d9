#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QSlider;

namespace ovisu {

// A slider over a range of decimal values with the current value shown beside it. The slider
// moves in whole steps; the value it reports is rounded to the shown decimals, so a stored
// setting never carries binary noise like 0.7000000000000001.
class SettingsSlider : public QWidget {
    Q_OBJECT
public:
    SettingsSlider(double minimum, double maximum, double step, int decimals, QString suffix,
                   QWidget* parent = nullptr);

    // Shows a value without emitting valueEdited; values outside the range show at its end.
    void setValue(double value);
    double value() const;
    QSlider* slider() const { return m_slider; }
    QString valueText() const;

signals:
    void valueEdited(double value);

private:
    double valueAt(int position) const;
    QString textFor(double value) const;

    double m_minimum;
    double m_step;
    int m_decimals;
    QString m_suffix;
    QSlider* m_slider;
    QLabel* m_valueLabel;
};

}  // namespace ovisu
