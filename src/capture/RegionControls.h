#pragma once

#include "capture/TranslationMode.h"

#include <QString>

namespace ovisu {

// Titles and enabled states of the main window's region buttons for the current mode. In
// interface mode the buttons lead to the UI regions, counted by enabled and all.
struct RegionControls {
    QString manualTitle;
    QString selectTitle;
    QString showTitle;
    QString clearTitle;
    bool showEnabled = false;
    bool clearEnabled = false;
    QString regionLabel;

    static RegionControls make(TranslationMode mode, bool hasSubtitleRegion, int enabledUIRegions, int allUIRegions);

    friend bool operator==(const RegionControls&, const RegionControls&) = default;
};

}  // namespace ovisu
