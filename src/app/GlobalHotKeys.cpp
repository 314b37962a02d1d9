#include "app/GlobalHotKeys.h"

#include "app/platform/NullGlobalHotKeys.h"
#include "app/platform/X11GlobalHotKeys.h"

namespace ovisu {

QString hotKeysTakenMessage(const QStringList& shortcuts) {
    return QStringLiteral("快捷键 ") + shortcuts.join(QStringLiteral("、")) + QStringLiteral(" 已被其他程序占用");
}

std::unique_ptr<GlobalHotKeys> makeGlobalHotKeys(QObject* parent) {
    if (qEnvironmentVariable("OVISU_HOT_KEYS") == QLatin1String("null"))
        return std::make_unique<NullGlobalHotKeys>(QStringLiteral("全局快捷键已关闭（OVISU_HOT_KEYS=null）"), parent);
    QString reason;
    if (auto keys = X11GlobalHotKeys::connect(&reason, parent)) return keys;
    return std::make_unique<NullGlobalHotKeys>(QStringLiteral("全局快捷键不可用：") + reason, parent);
}

}  // namespace ovisu
