#include "app/ui/HelpDialogs.h"

#include <QMessageBox>
#include <QPushButton>

namespace ovisu {

void showErrorDetails(QWidget* parent, const QString& message, const std::function<void()>& openHelp) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Ovisu错误详情"), message, QMessageBox::NoButton, parent);
    const QPushButton* help = box.addButton(QStringLiteral("打开使用帮助"), QMessageBox::HelpRole);
    box.addButton(QStringLiteral("关闭"), QMessageBox::RejectRole);
    box.exec();
    if (box.clickedButton() == help) openHelp();
}

void showScreenCapturePermissionHelp(QWidget* parent) {
    QMessageBox::information(parent, QStringLiteral("需要屏幕录制权限"),
                             QStringLiteral("Ovisu只读取你选择的游戏窗口和字幕区域。在 Linux 上 Ovisu 通过 X11 读取窗口，"
                                            "不需要额外授权；请确认程序运行在可以访问 X11 显示（DISPLAY）的桌面会话中。"));
}

SettingsHelp::SettingsHelp(QWidget* parent) : m_parent(parent) {}

SettingsHelp::~SettingsHelp() = default;

void SettingsHelp::present() {
    if (!m_box) {
        m_box = std::make_unique<QMessageBox>(
            QMessageBox::Information, QStringLiteral("使用帮助与 API 排错"),
            QStringLiteral("1. 在“游戏窗口”中选择游戏，点“框选 / 重选”拖出字幕框。\n"
                           "2. 选择翻译源；需要 API Key 的翻译源，在“翻译引擎 → 配置当前引擎…”中粘贴 Key，点“测试连接”确认。\n"
                           "3. 点“开始翻译”，译文会显示在字幕上方的悬浮窗里。\n"
                           "出错时点“错误详情…”查看原因；日志位于 ~/.local/share/Ovisu/Logs。"),
            QMessageBox::Close, m_parent);
        m_box->setWindowModality(Qt::NonModal);
    }
    m_box->show();
    m_box->raise();
    m_box->activateWindow();
}

}  // namespace ovisu
