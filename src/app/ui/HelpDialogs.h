#pragma once

#include <QString>

#include <functional>
#include <memory>

class QMessageBox;
class QWidget;

namespace ovisu {

// "Ovisu错误详情": the last error in full, with a way on to the help.
void showErrorDetails(QWidget* parent, const QString& message, const std::function<void()>& openHelp);
// What seeing a window needs on this platform (an X display), in place of a permission.
void showScreenCapturePermissionHelp(QWidget* parent);

// "使用帮助与 API 排错", not modal: the player reads it next to the window or the error it explains.
class SettingsHelp {
public:
    explicit SettingsHelp(QWidget* parent);
    ~SettingsHelp();
    void present();

private:
    QWidget* m_parent;
    std::unique_ptr<QMessageBox> m_box;
};

}  // namespace ovisu
