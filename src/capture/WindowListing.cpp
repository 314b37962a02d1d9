#include "capture/WindowListing.h"

#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"

#include <QCollator>

#include <algorithm>

namespace ovisu {

QList<TargetWindow> WindowListing::eligibleTargets(const QList<PlatformWindow>& windows, qint64 ownProcessID) {
    QList<TargetWindow> targets;
    for (const PlatformWindow& window : windows) {
        // The main window, the overlay and the picker must never be offered as the game.
        if (window.processID && *window.processID == ownProcessID)
            continue;
        if (!window.isOnScreen || window.windowLayer != 0)
            continue;
        if (window.frame.width() < minimumWidth || window.frame.height() < minimumHeight)
            continue;
        targets.append(TargetWindow::make(window));
    }

    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(targets.begin(), targets.end(), [&collator](const TargetWindow& a, const TargetWindow& b) {
        return collator.compare(a.title, b.title) < 0;
    });
    return targets;
}

std::optional<TargetWindow> WindowListing::locateTarget(const QList<PlatformWindow>& windows, quint32 windowID,
                                                       const QString& displayTitle) {
    for (const auto& window : windows)
        if (window.isOnScreen && window.windowID == windowID) return TargetWindow::make(window);
    for (const auto& window : windows)
        if (window.isOnScreen && TargetWindow::displayTitle(window) == displayTitle) return TargetWindow::make(window);
    return std::nullopt;
}

std::optional<qsizetype> WindowListing::chooseSelection(const QList<TargetWindow>& targets,
                                                        std::optional<quint32> currentSelectedID, qint64 storedID,
                                                        const QString& storedTitle) {
    if (targets.isEmpty())
        return std::nullopt;
    const auto indexWhere = [&targets](auto predicate) -> std::optional<qsizetype> {
        const auto found = std::find_if(targets.cbegin(), targets.cend(), predicate);
        if (found == targets.cend())
            return std::nullopt;
        return found - targets.cbegin();
    };

    if (currentSelectedID) {
        if (auto index = indexWhere([id = *currentSelectedID](const TargetWindow& t) { return t.windowID() == id; }))
            return index;
    }
    if (storedID >= 1) {
        if (auto index = indexWhere([storedID](const TargetWindow& t) { return t.windowID() == storedID; }))
            return index;
    }
    if (!storedTitle.isEmpty()) {
        if (auto index = indexWhere([&storedTitle](const TargetWindow& t) { return t.title == storedTitle; }))
            return index;
    }
    return 0;
}

RememberedTarget WindowListing::rememberedTarget(const SettingsStore& settings) {
    // Read as a double: a 32-bit window identifier may exceed the signed int range.
    const double id = settings.doubleValue(SettingsKeys::targetWindowID, 0);
    RememberedTarget remembered;
    if (id >= 1 && id <= 4294967295.0 && id == static_cast<double>(static_cast<qint64>(id)))
        remembered.windowID = static_cast<qint64>(id);
    remembered.title = settings.stringValue(SettingsKeys::targetWindowTitle);
    return remembered;
}

std::expected<void, QString> WindowListing::rememberTarget(SettingsStore& settings, const TargetWindow& target) {
    if (auto written = settings.setString(SettingsKeys::targetWindowTitle, target.title); !written)
        return written;
    return settings.setValue(SettingsKeys::targetWindowID, static_cast<qint64>(target.windowID()));
}

}  // namespace ovisu
