#pragma once

#include <QMainWindow>

#include <memory>

namespace ovisu {

class ProviderSelection;
class ProviderSettings;
class SettingsStore;

// The main window. For now it shows the current source and the sources' readiness; the controls
// of the realtime session join it as those pieces land.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

private:
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<ProviderSelection> m_selection;
    std::unique_ptr<ProviderSettings> m_providers;
};

}  // namespace ovisu
