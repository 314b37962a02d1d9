#pragma once

#include <QByteArray>
#include <QString>

#include <expected>

namespace ovisu {

// A zip archive of the folder with the folder itself as its single top-level entry ("Name/",
// "Name/file", "Name/sub/", ...), entry names in UTF-8, built in memory. The error is libzip's
// description of what failed.
std::expected<QByteArray, QString> zipFolderKeepingParent(const QString& folder);

}  // namespace ovisu
