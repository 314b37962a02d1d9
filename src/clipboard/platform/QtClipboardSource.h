#pragma once

#include "clipboard/ClipboardSource.h"

#include <QObject>

namespace ovisu {

// QClipboard has no change count of its own: every dataChanged of the ordinary clipboard (not the
// X11 selection) moves a counter. Must be created on the GUI thread after the application object.
class QtClipboardSource final : public QObject, public ClipboardSource {
    Q_OBJECT
public:
    explicit QtClipboardSource(QObject* parent = nullptr);

    qint64 changeCount() const override { return m_changeCount; }
    std::optional<QString> text() const override;

private:
    qint64 m_changeCount = 0;
};

}  // namespace ovisu
