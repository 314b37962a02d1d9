#pragma once

#include "base/ui/SegmentedControl.h"
#include "app/ui/SettingsSlider.h"

#include <QJsonValue>
#include <QList>
#include <QString>
#include <QWidget>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QGridLayout;
class QLabel;
class QPushButton;
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
    // A button on a row of its own below the sections, for putting a page back to its defaults.
    QPushButton* addResetButton(const QString& title, const QString& objectName);

private:
    SettingsStore& m_settings;
    QVBoxLayout* m_layout;
};

}  // namespace ovisu
