#pragma once

#include <QJsonValue>
#include <QList>
#include <QString>
#include <QWidget>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QGridLayout;
class QLabel;
class QSlider;
class QVBoxLayout;

namespace ovisu {

class SettingsStore;

// One page of the settings window. A page reads every control from the settings store in
// render() and writes a setting the moment its control changes; it holds no values of its own.
class SettingsPage : public QWidget {
    Q_OBJECT
public:
    explicit SettingsPage(SettingsStore& settings, QWidget* parent = nullptr);

    // Re-reads every control from the settings store without emitting any change.
    virtual void render() = 0;

signals:
    // A value could not be written to disk (it still holds for this run).
    void storeFailed(const QString& message);
    // A value was written to disk.
    void stored();
    // An operation rewrote settings that other controls show: every page must be rendered again.
    void renderRequested();

protected:
    SettingsStore& settings() const { return m_settings; }

    // Stores a value; a failed write is reported through storeFailed and the caller goes on,
    // since the store keeps the value in memory for this run.
    void store(const QString& key, const QJsonValue& value);
    // Shows a stored flag in its check box without emitting a change.
    void showStoredFlag(QCheckBox* box, const QString& key, bool defaultValue) const;

    // The page's column: a title, then sections added below it.
    QVBoxLayout* pageLayout() const { return m_layout; }
    // A grey, wrapping line that explains the control above it.
    QLabel* makeNote(const QString& text);
    QGridLayout* addSection(const QString& title);

private:
    SettingsStore& m_settings;
    QVBoxLayout* m_layout;
};

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
