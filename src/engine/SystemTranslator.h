#pragma once

#include <QString>

#include <expected>
#include <functional>

namespace ovisu {

// The platform's on-device translator as the pipeline sees it: requests are served one at a time,
// in the order they were made, and every completion runs on the main thread with either the
// translation or an error description.
class SystemTranslator {
public:
    using Completion = std::function<void(std::expected<QString, QString> result)>;
    virtual ~SystemTranslator() = default;
    virtual void translate(const QString& text, Completion completion) = 0;

    // What the user reads when the system translator fails with the given description.
    static QString failureMessage(const QString& description) {
        return QStringLiteral("系统翻译失败：") + description + QStringLiteral("。请在翻译源中改用其他翻译源。");
    }
    static QString unavailableDescription() { return QStringLiteral("当前 Linux 系统没有可用的系统翻译框架"); }
};

}  // namespace ovisu
