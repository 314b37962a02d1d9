#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace ovisu {

// The system clipboard as the clipboard mode sees it: a counter that moves on every change (so a
// poll can tell "nothing new" without reading the content) and the plain text, when there is any.
class ClipboardSource {
public:
    virtual ~ClipboardSource() = default;
    virtual qint64 changeCount() const = 0;
    // Nothing when the clipboard holds no plain text (an image, files, or nothing at all).
    virtual std::optional<QString> text() const = 0;
};

// The clipboard of the running GUI application (QGuiApplication::clipboard()).
std::unique_ptr<ClipboardSource> makeClipboardSource();

}  // namespace ovisu
