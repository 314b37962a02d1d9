#include "base/ApplicationVersion.h"

// CMake defines both for this file alone, so a new version rebuilds one file.
#if !defined(OVISU_VERSION) || !defined(OVISU_BUILD_NUMBER)
#error "OVISU_VERSION and OVISU_BUILD_NUMBER come from the project's CMakeLists.txt"
#endif

namespace ovisu {

QString applicationShortVersion() { return QStringLiteral(OVISU_VERSION); }

QString applicationVersionText() {
    return QStringLiteral(OVISU_VERSION " (Build %1)").arg(OVISU_BUILD_NUMBER);
}

}  // namespace ovisu
