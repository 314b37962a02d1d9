#pragma once

#include <QString>

// The one version of the program, set with the project in CMakeLists.txt; everything that shows
// a version (window titles, the About box, `ovisu --version`, the log's first line) reads it here.
namespace ovisu {

QString applicationShortVersion();  // "1.26"
QString applicationVersionText();   // "1.26 (Build 1260)"

}  // namespace ovisu
