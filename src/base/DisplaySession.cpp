#include "base/DisplaySession.h"

namespace ovisu {

DisplaySessionEnvironment DisplaySessionEnvironment::current() {
    return {qEnvironmentVariable("QT_QPA_PLATFORM"), qEnvironmentVariable("WAYLAND_DISPLAY"),
            qEnvironmentVariable("XDG_SESSION_TYPE"), qEnvironmentVariable("DISPLAY")};
}

bool isWaylandSession(const DisplaySessionEnvironment& environment) {
    return !environment.waylandDisplay.trimmed().isEmpty() ||
           environment.sessionType.trimmed().compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0;
}

bool shouldForceXcbPlatform(const DisplaySessionEnvironment& environment) {
    // Qt itself ignores an empty QT_QPA_PLATFORM, so an empty one names nothing.
    if (!environment.qpaPlatform.trimmed().isEmpty()) return false;
    return isWaylandSession(environment) && !environment.x11Display.trimmed().isEmpty();
}

QString captureFailureExplanation(const DisplaySessionEnvironment& environment) {
    if (isWaylandSession(environment))
        return QStringLiteral("提示：在 Wayland 会话中，Ovisu 只能读取经 XWayland 显示的游戏画面。"
                              "请让游戏窗口保持显示（不要最小化）；原生 Wayland 游戏请改用 X11 方式启动。");
    return QStringLiteral("提示：所选窗口现在读不到画面。请让游戏窗口保持显示（不要最小化），或重新选择它。");
}

}  // namespace ovisu
