#include "capture/RealtimeStatusPresentation.h"

namespace ovisu {

using Kind = RealtimeTranslationState::Kind;

RealtimeStatusPresentation RealtimeStatusPresentation::make(const RealtimeTranslationState& state,
                                                            bool clipboardMonitoringEnabled) {
    switch (state.kind) {
    case Kind::idle:
        return {QStringLiteral("准备就绪"), 0};
    case Kind::selectingRegion:
        return {QStringLiteral("正在框选字幕区域…"), 1};
    case Kind::capturing:
    case Kind::recognizing:
    case Kind::waitingForStableText:
    case Kind::showingResult:
        return {clipboardMonitoringEnabled ? QStringLiteral("正在监听剪贴板 · 发现日文后自动翻译")
                                           : QStringLiteral("正在监测字幕 · 文本稳定后自动翻译"),
                0};
    case Kind::translating:
        return {QStringLiteral("正在翻译…"), 1};
    case Kind::paused:
        return {QStringLiteral("已暂停"), 2};
    case Kind::recovering:
        return {QStringLiteral("正在恢复…"), 1};
    case Kind::error:
        return {state.message, 3};
    }
    return {QStringLiteral("准备就绪"), 0};
}

QString RealtimeStatusPresentation::statusMenuText(const RealtimeTranslationState& state) {
    switch (state.kind) {
    case Kind::idle:
        return QStringLiteral("准备就绪");
    case Kind::selectingRegion:
        return QStringLiteral("正在框选");
    case Kind::capturing:
        return QStringLiteral("正在监测");
    case Kind::recognizing:
        return QStringLiteral("OCR 识别中");
    case Kind::waitingForStableText:
        return QStringLiteral("等待字幕稳定");
    case Kind::translating:
        return QStringLiteral("正在翻译");
    case Kind::showingResult:
        return QStringLiteral("运行中");
    case Kind::paused:
        return QStringLiteral("已暂停");
    case Kind::recovering:
        return QStringLiteral("正在恢复");
    case Kind::error:
        return QStringLiteral("需要处理");
    }
    return QStringLiteral("准备就绪");
}

QString RealtimeStatusPresentation::statusMenuLine(const RealtimeTranslationState& state, bool running) {
    return QStringLiteral("Ovisu · ") + statusMenuText(state) + u' ' + (running ? QStringLiteral("●") : QString());
}

bool RealtimeStatusPresentation::primaryActionOpensPermissionHelp(const RealtimeTranslationState& state) {
    return state.isCaptureUnavailable();
}

QString RealtimeStatusPresentation::primaryActionTitle(const RealtimeTranslationState& state, bool sessionRunning) {
    if (primaryActionOpensPermissionHelp(state))
        return QStringLiteral("授权屏幕录制");
    if (sessionRunning)
        return QStringLiteral("暂停翻译");
    if (state.kind == Kind::paused)
        return QStringLiteral("继续翻译");
    return QStringLiteral("开始翻译");
}

}  // namespace ovisu
