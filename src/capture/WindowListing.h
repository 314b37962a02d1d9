#pragma once

#include "capture/TargetWindow.h"

#include <QList>
#include <QString>

#include <expected>
#include <optional>

namespace ovisu {

class SettingsStore;

// The last chosen target as stored: its identifier (0 when none) and display title. Window
// identifiers change between runs; the title lets the same game window be found again.
struct RememberedTarget {
    qint64 windowID = 0;
    QString title;

    friend bool operator==(const RememberedTarget&, const RememberedTarget&) = default;
};

// Which windows can be translated and which of them is selected.
class WindowListing {
public:
    static constexpr int minimumWidth = 260;
    static constexpr int minimumHeight = 140;

    // The windows worth offering, sorted by display title: not this process's own, on screen,
    // normal (layer 0), and at least 260 × 140. The sort ignores letter case, follows the
    // user's locale and keeps the platform's order among equal titles.
    static QList<TargetWindow> eligibleTargets(const QList<PlatformWindow>& windows, qint64 ownProcessID);

    // The index to select after a refresh, first rule that finds a window: the current
    // selection's identifier, the stored identifier (when at least 1), the first window with the
    // stored title, the first window. None for an empty list.
    static std::optional<qsizetype> chooseSelection(const QList<TargetWindow>& targets,
                                                    std::optional<quint32> currentSelectedID, qint64 storedID,
                                                    const QString& storedTitle);

    // Where the target is now (window following): the on-screen window with its identifier, else
    // the first on-screen window with its display title; none while it is hidden or gone.
    static std::optional<TargetWindow> locateTarget(const QList<PlatformWindow>& windows, quint32 windowID,
                                                    const QString& displayTitle);

    // "targetWindowID" and "targetWindowTitle" (0 and empty when missing).
    static RememberedTarget rememberedTarget(const SettingsStore& settings);
    // Stores a newly chosen target's identifier and title.
    static std::expected<void, QString> rememberTarget(SettingsStore& settings, const TargetWindow& target);
};

}  // namespace ovisu
