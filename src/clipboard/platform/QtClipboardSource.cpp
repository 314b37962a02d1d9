#include "clipboard/platform/QtClipboardSource.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace ovisu {

namespace {

// A command-line run has only a core application, and with it no clipboard.
QClipboard* applicationClipboard() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return nullptr;
    return QGuiApplication::clipboard();
}

}  // namespace

QtClipboardSource::QtClipboardSource(QObject* parent) : QObject(parent) {
    if (QClipboard* clipboard = applicationClipboard())
        connect(clipboard, &QClipboard::dataChanged, this, [this] { ++m_changeCount; });
}

std::optional<QString> QtClipboardSource::text() const {
    const QClipboard* clipboard = applicationClipboard();
    if (clipboard == nullptr) return std::nullopt;
    const QMimeData* data = clipboard->mimeData(QClipboard::Clipboard);
    if (data == nullptr || !data->hasText()) return std::nullopt;
    return data->text();
}

std::unique_ptr<ClipboardSource> makeClipboardSource() { return std::make_unique<QtClipboardSource>(); }

}  // namespace ovisu
