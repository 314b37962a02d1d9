#include "interface/UIOverlayStyle.h"

#include "base/SettingsStore.h"

namespace ovisu {

UIOverlayStyle storedUIOverlayStyle(const SettingsStore& settings) {
    return settings.intValue(QStringLiteral("interfaceOverlayStyle"), 0) == 1 ? UIOverlayStyle::replaceOriginal
                                                                              : UIOverlayStyle::besideOriginal;
}

}  // namespace ovisu
