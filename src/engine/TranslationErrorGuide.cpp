#include "engine/TranslationErrorGuide.h"

#include <QStringList>

#include <initializer_list>

namespace ovisu::TranslationErrorGuide {
namespace {

constexpr qsizetype kMaximumDetail = 1200;

bool containsAny(const QString& text, std::initializer_list<const char*> needles) {
    for (const char* needle : needles)
        if (text.contains(QString::fromUtf8(needle))) return true;
    return false;
}

// A status named in the words of the detail ("http 503", "status 429") when none was given.
std::optional<int> inferredStatus(const QString& lower) {
    for (int code : {400, 401, 403, 404, 405, 408, 409, 413, 422, 429, 456, 500, 502, 503, 504}) {
        const QString number = QString::number(code);
        if (lower.contains(QStringLiteral("http ") + number) || lower.contains(QStringLiteral("status ") + number))
            return code;
    }
    return std::nullopt;
}

std::optional<QString> statusMessage(int status, const QString& head) {
    const QString code = QString::number(status);
    switch (status) {
    case 400: case 404: case 405: case 422:
        return head + QStringLiteral("请求参数或接口地址不兼容（HTTP ") + code +
               QStringLiteral("）。请核对完整接口路径、模型/接入点名称和服务协议。");
    case 401:
        return head + QStringLiteral("鉴权失败（HTTP 401）。API Key/密钥可能错误、过期或粘贴了多余空格，请重新复制并测试连接。");
    case 403:
        return head + QStringLiteral("没有调用权限（HTTP 403）。请确认服务已开通、Key 属于正确项目/区域，并且账号有余额或模型权限。");
    case 408:
        return head + QStringLiteral("服务端等待超时（HTTP 408），请稍后重试并检查模型是否可用。");
    case 409:
        return head + QStringLiteral("请求与服务当前状态冲突（HTTP 409），请稍后重试或重新创建接入点。");
    case 413:
        return head + QStringLiteral("请求文本或上下文过大（HTTP 413）。请减少上下文条数或缩短 Prompt。");
    case 429:
        return head + QStringLiteral("请求频率、并发或额度已超限（HTTP 429）。请降低 OCR 频率、稍后重试，并检查余额和配额。");
    case 456:
        return head + QStringLiteral("本期翻译配额已用完（HTTP 456）。请检查账户用量、套餐和计费状态。");
    case 500: case 502: case 503: case 504:
        return head + QStringLiteral("服务端暂时异常（HTTP ") + code +
               QStringLiteral("）。配置通常没有问题，请稍后重试并查看服务状态。");
    default:
        return std::nullopt;
    }
}

}  // namespace

QString message(const std::optional<QString>& detail, std::optional<int> httpStatus, const QString& providerName,
                bool isLocal, std::optional<int> localPort) {
    QString d = detail.value_or(QString()).trimmed();
    if (d.size() > kMaximumDetail) d = d.left(kMaximumDetail) + QStringLiteral("…（内容过长已截断）");
    const QString lower = d.toLower();
    const QString head = providerName + QStringLiteral("：");
    const QString bareStatus = QStringLiteral("HTTP ") + QString::number(httpStatus.value_or(0));
    const QString tail = (d.isEmpty() || d == bareStatus) ? QString() : QStringLiteral(" 服务返回：") + d;

    if (isLocal && containsAny(lower, {"could not connect", "connection refused", "无法连接", "-1004"}))
        return head + QStringLiteral("无法连接本地服务。原因通常是模型未启动、外接磁盘未连接或端口被占用。请在翻译服务配置中启动本地模型，并检查 127.0.0.1:") +
               QString::number(localPort.value_or(0)) + QStringLiteral("。");
    if (containsAny(lower, {"not connected to the internet", "network connection was lost", "offline", "-1009"}))
        return head + QStringLiteral("当前没有可用网络。请检查 Wi-Fi/网线；若开启 VPN 或代理，请暂时关闭后重新测试连接。");
    if (containsAny(lower, {"cannot find host", "dns", "-1003"}))
        return head + QStringLiteral("找不到服务器地址。请检查接口域名是否拼错，以及 VPN、代理或 DNS 是否拦截该域名。");
    if (containsAny(lower, {"certificate", "ssl", "secure connection", "-1200"}))
        return head + QStringLiteral("HTTPS 证书校验失败。请检查系统时间、代理/VPN 的证书拦截；不要改用不安全的 HTTP 公网地址。");
    if (containsAny(lower, {"timed out", "超时", "-1001"}))
        return head + QStringLiteral("请求超时。请检查网络、VPN/代理或本地模型加载状态；本地模型首次启动可能需要更久。");
    if (lower.contains(QLatin1String("model")) && containsAny(lower, {"not found", "invalid", "does not exist", "模型", "接入点"}))
        return head + QStringLiteral("模型或接入点不可用。请复制控制台中的准确模型 ID/ep- 接入点，并确认该 Key 有权调用。 服务返回：") + d;
    if (containsAny(lower, {"quota", "insufficient", "balance", "余额", "额度", "欠费"}))
        return head + QStringLiteral("账号余额或调用额度不足。请在服务控制台检查计费状态、免费额度和当日限额。 服务返回：") + d;

    const std::optional<int> status = httpStatus ? httpStatus : inferredStatus(lower);
    if (status)
        if (const auto text = statusMessage(*status, head)) return *text + tail;

    if (containsAny(lower, {"unauthorized", "forbidden", "api key", "authentication", "signature", "签名"}))
        return head + QStringLiteral("凭证或签名无效。请核对 Key、应用 ID/APPID、Region，并避免复制前后空格。 服务返回：") + d;
    return head + QStringLiteral("翻译失败。原因：") + (d.isEmpty() ? QStringLiteral("服务没有返回可识别的译文") : d);
}

QString messageFor(const std::optional<QString>& detail, std::optional<int> httpStatus, Provider provider) {
    return message(detail, httpStatus, ProviderCatalogue::title(provider), ProviderCatalogue::isManagedLocalEngine(provider),
                   ProviderCatalogue::localPort(provider));
}

}  // namespace ovisu::TranslationErrorGuide
