#pragma once

#include "interface/UIOCRTextBlock.h"

#include <QSet>
#include <QString>

namespace ovisu {

// Where interface translations are shown: one panel per screen position (its panel key). The
// desktop program paints labels over the game; a command line or a test only keeps the record.
// Main thread only.
class InterfaceOverlayPresenter {
public:
    virtual ~InterfaceOverlayPresenter() = default;
    // Creates or updates the panel of the block's position.
    virtual void showInterfaceTranslation(const UIOCRTextBlock& block, const QString& translation,
                                          bool manuallyCorrected) = 0;
    // Removes every panel whose key is not among these.
    virtual void keepOnlyPanels(const QSet<QString>& panelKeys) = 0;
    virtual void clearPanels() = 0;
    virtual bool isPanelVisible(const QString& panelKey) const = 0;
    virtual int panelCount() const = 0;
};

}  // namespace ovisu
