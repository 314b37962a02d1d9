#pragma once

#include <QMainWindow>

namespace ovisu {

class ProviderSelection;

// The main window. For now it shows the current source and the sources' readiness; the controls
// of the realtime session join it as those pieces land.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
};

}  // namespace ovisu
