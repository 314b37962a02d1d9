#pragma once

#include "app/ui/SettingsPageOverlayStyle.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

class QLabel;
class QListWidget;
class QStackedWidget;

namespace ovisu {

class SettingsCenterActions;
class OverlaySettingsActions;
class RecognitionSettingsActions;
class SettingsPage;
class SettingsStore;

// The settings window "设置": a list of pages on the left, the chosen page on the right. Every
// control shows the stored setting and writes it the moment it changes; what the change does to
// the running program is left to SettingsCenterActions (see there for who writes which key).
// Built once and kept; the shell calls present() to open it and renderSettingsPage() when a
// shown setting changed elsewhere (tray menu, hot key).
class SettingsCenterWindow : public QWidget {
    Q_OBJECT
public:
    // Each page talks to the part that owns its settings: the shell, the panel or the realtime loop.
    SettingsCenterWindow(SettingsStore& settings, SettingsCenterActions& shell, OverlaySettingsActions& overlay,
                         RecognitionSettingsActions& recognition, QWidget* parent = nullptr);
    ~SettingsCenterWindow() override;

    // Re-reads every control of every page from the settings store, emitting no change.
    void renderSettingsPage();
    // Shows the window (centred on its screen the first time), brings it to the front.
    void present();

    // Adds a page built elsewhere at the end of the list (it is placed in a scroll area) and
    // answers its index.
    int addPage(const QString& title, QWidget* page);
    // Selects the page with this list title; false when there is none.
    bool showPage(const QString& title);
    QString currentPageTitle() const;
    QStringList pageTitles() const;

    // Replaces the colour dialog of the style page (tests answer without a modal dialog).
    void setColorPicker(SettingsPageOverlayStyle::ColorPicker picker);

    // Adds a settings page at the end of the list: its store failures show in this window and its
    // render requests render every page.
    void addSettingsPage(const QString& title, SettingsPage* page);

private:
    void showStoreFailure(const QString& message);

    QListWidget* m_pageList;
    QStackedWidget* m_pages;
    QLabel* m_storeError;
    QList<SettingsPage*> m_settingsPages;
    SettingsPageOverlayStyle* m_stylePage = nullptr;
    bool m_placed = false;
};

}  // namespace ovisu
