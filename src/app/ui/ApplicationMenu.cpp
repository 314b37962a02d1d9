#include "app/ui/ApplicationMenu.h"

#include "app/ShellActions.h"
#include "base/ApplicationVersion.h"

#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace ovisu {
namespace {

QAction* addItem(QMenu* menu, const QString& title, const QKeySequence& shortcut, std::function<void()> action) {
    QAction* item = menu->addAction(title);
    if (!shortcut.isEmpty()) item->setShortcut(shortcut);
    QObject::connect(item, &QAction::triggered, menu, [action = std::move(action)] { action(); });
    return item;
}

// The edit commands go to whichever text field has the focus, as the first responder would.
void sendToFocusedText(const char* slot) {
    QWidget* focus = QApplication::focusWidget();
    if (qobject_cast<QLineEdit*>(focus) || qobject_cast<QTextEdit*>(focus) || qobject_cast<QPlainTextEdit*>(focus))
        QMetaObject::invokeMethod(focus, slot);
}

const char* const kProviderProperty = "ovisuProvider";
const QString kClipboardItem = QStringLiteral("clipboardMonitoring");

}  // namespace

void buildApplicationMenu(QMainWindow& window, ShellActions& actions, const QList<Provider>& visibleProviders) {
    QMenuBar* bar = window.menuBar();
    bar->clear();
    // clear() only takes the menus off the bar; the old ones go once the item that asked for the
    // rebuild (it may be one of theirs) has finished.
    for (QMenu* old : bar->findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) old->deleteLater();

    QMenu* app = bar->addMenu(QStringLiteral("Ovisu"));
    addItem(app, QStringLiteral("关于Ovisu"), {}, [&window] {
        QMessageBox::about(&window, QStringLiteral("关于Ovisu"),
                           QStringLiteral("Ovisu %1\n把游戏里的日文实时翻译成简体中文。").arg(applicationVersionText()));
    });
    app->addSeparator();
    addItem(app, QStringLiteral("设置…"), QKeySequence(QStringLiteral("Ctrl+,")), [&actions] { actions.openSettingsCenter(); });
    app->addSeparator();
    addItem(app, QStringLiteral("退出Ovisu"), QKeySequence(QStringLiteral("Ctrl+Q")), [&actions] { actions.quitApplication(); });

    QMenu* file = bar->addMenu(QStringLiteral("文件"));
    addItem(file, QStringLiteral("导出翻译历史…"), QKeySequence(QStringLiteral("Ctrl+Shift+E")),
            [&actions] { actions.exportTranslationHistory(); });
    addItem(file, QStringLiteral("复制最新译文"), QKeySequence(QStringLiteral("Ctrl+Shift+C")),
            [&actions] { actions.copyLatestTranslation(); });

    QMenu* edit = bar->addMenu(QStringLiteral("编辑"));
    addItem(edit, QStringLiteral("撤销"), QKeySequence::Undo, [] { sendToFocusedText("undo"); });
    addItem(edit, QStringLiteral("重做"), QKeySequence(QStringLiteral("Ctrl+Shift+Z")), [] { sendToFocusedText("redo"); });
    edit->addSeparator();
    addItem(edit, QStringLiteral("剪切"), QKeySequence::Cut, [] { sendToFocusedText("cut"); });
    addItem(edit, QStringLiteral("复制"), QKeySequence::Copy, [] { sendToFocusedText("copy"); });
    addItem(edit, QStringLiteral("粘贴"), QKeySequence::Paste, [] { sendToFocusedText("paste"); });
    addItem(edit, QStringLiteral("全选"), QKeySequence::SelectAll, [] { sendToFocusedText("selectAll"); });

    QMenu* view = bar->addMenu(QStringLiteral("视图"));
    addItem(view, QStringLiteral("显示主窗口"), QKeySequence(QStringLiteral("Ctrl+0")), [&actions] { actions.showMainWindow(); });
    // Ctrl+Shift+H also exists as a global hot key; the menu shows it without grabbing it twice.
    addItem(view, QStringLiteral("显示/隐藏悬浮窗"), {}, [&actions] { actions.toggleOverlayVisibility(); })
        ->setText(QStringLiteral("显示/隐藏悬浮窗\tCtrl+Shift+H"));
    addItem(view, QStringLiteral("切换悬浮窗点击穿透"), {}, [&actions] { actions.toggleOverlayClickThrough(); });
    addItem(view, QStringLiteral("立即 OCR 并翻译一次"), {}, [&actions] { actions.performManualOCR(); });
    addItem(view, QStringLiteral("界面翻译中心…"), {}, [&actions] { actions.openInterfaceTranslationCenter(); });
    // Without a system tray this is the way to the clipboard mode besides the settings.
    QAction* clipboard = addItem(view, QStringLiteral("剪贴板监听翻译"), QKeySequence(QStringLiteral("Ctrl+Shift+L")),
                                 [&actions] { actions.toggleClipboardMonitoring(); });
    clipboard->setObjectName(kClipboardItem);
    clipboard->setCheckable(true);
    addItem(view, QStringLiteral("翻译历史"), QKeySequence(QStringLiteral("Ctrl+Shift+Y")),
            [&actions] { actions.openTranslationHistory(); });

    QMenu* sources = bar->addMenu(QStringLiteral("翻译引擎"));
    for (Provider provider : visibleProviders) {
        QAction* item = addItem(sources, ProviderCatalogue::title(provider), {},
                                [&actions, provider] { actions.selectProvider(provider); });
        item->setCheckable(true);
        item->setProperty(kProviderProperty, rawValue(provider));
    }
    sources->addSeparator();
    addItem(sources, QStringLiteral("重置翻译上下文"), {}, [&actions] { actions.resetTranslationContext(); });
    sources->addSeparator();
    addItem(sources, QStringLiteral("配置当前引擎…"), {}, [&actions] { actions.openProviderSettings(); });
    addItem(sources, QStringLiteral("AI 本地化…"), {}, [&actions] { actions.openAILocalizationSettings(); });
    addItem(sources, QStringLiteral("翻译参数…"), {}, [&actions] { actions.openTranslationSettings(); });
    addItem(sources, QStringLiteral("主页翻译源管理…"), {}, [&actions] { actions.openProviderManager(); });

    QMenu* windows = bar->addMenu(QStringLiteral("窗口"));
    addItem(windows, QStringLiteral("最小化"), QKeySequence(QStringLiteral("Ctrl+M")), [] {
        if (QWidget* active = QApplication::activeWindow()) active->showMinimized();
    });
    addItem(windows, QStringLiteral("关闭"), QKeySequence(QStringLiteral("Ctrl+W")), [] {
        if (QWidget* active = QApplication::activeWindow()) active->close();
    });

    QMenu* help = bar->addMenu(QStringLiteral("帮助"));
    addItem(help, QStringLiteral("使用帮助与 API 排错"), QKeySequence(QStringLiteral("Ctrl+?")),
            [&actions] { actions.openSettingsHelp(); });
    help->addSeparator();
    addItem(help, QStringLiteral("屏幕录制权限说明"), {}, [&actions] { actions.showScreenCapturePermissionHelp(); });
}

void showCurrentProviderInApplicationMenu(QMainWindow& window, Provider current) {
    for (QAction* item : window.menuBar()->findChildren<QAction*>()) {
        const QVariant provider = item->property(kProviderProperty);
        if (provider.isValid()) item->setChecked(provider.toInt() == rawValue(current));
    }
}

void showClipboardMonitoringInApplicationMenu(QMainWindow& window, bool enabled) {
    for (QAction* item : window.menuBar()->findChildren<QAction*>(kClipboardItem)) item->setChecked(enabled);
}

}  // namespace ovisu
