#include "capture/RealtimeTranslationState.h"

namespace ovisu {

namespace {
const QString kDisplayUnavailable = QStringLiteral("无法连接 X 显示服务器：请在图形桌面中运行，或设置 DISPLAY");
}

RealtimeTranslationState RealtimeTranslationState::displayUnavailable() { return error(kDisplayUnavailable); }

bool RealtimeTranslationState::isCaptureUnavailable() const {
    return isError() && (message.contains(QStringLiteral("屏幕录制权限")) || message == kDisplayUnavailable);
}

QString RealtimeTranslationState::name(Kind kind) {
    switch (kind) {
    case Kind::idle: return QStringLiteral("idle");
    case Kind::selectingRegion: return QStringLiteral("selectingRegion");
    case Kind::capturing: return QStringLiteral("capturing");
    case Kind::recognizing: return QStringLiteral("recognizing");
    case Kind::waitingForStableText: return QStringLiteral("waitingForStableText");
    case Kind::translating: return QStringLiteral("translating");
    case Kind::showingResult: return QStringLiteral("showingResult");
    case Kind::paused: return QStringLiteral("paused");
    case Kind::recovering: return QStringLiteral("recovering");
    case Kind::error: return QStringLiteral("error");
    }
    return QStringLiteral("unknown");
}

}  // namespace ovisu
