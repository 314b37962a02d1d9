#include "base/Paths.h"

#include <QDir>

namespace ovisu::paths {
namespace {

// OVISU_HOME when set and not empty; every root then lives under it.
QString ovisuHome() {
    const QString home = qEnvironmentVariable("OVISU_HOME");
    return home.isEmpty() ? QString() : QDir::cleanPath(home);
}

// XDG base directories must be absolute; a relative or empty value is ignored, as the XDG
// rules ask, so that a stray relative value never scatters files into the working folder.
QString xdgFolder(const char* variable, const QString& fallbackUnderHome) {
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::cleanPath(QDir::homePath() + QLatin1Char('/') + fallbackUnderHome);
}

}  // namespace

QString configRoot() {
    if (const QString home = ovisuHome(); !home.isEmpty())
        return home + QStringLiteral("/config");
    return xdgFolder("XDG_CONFIG_HOME", QStringLiteral(".config"));
}

QString applicationSupport() {
    if (const QString home = ovisuHome(); !home.isEmpty())
        return home + QStringLiteral("/data");
    return xdgFolder("XDG_DATA_HOME", QStringLiteral(".local/share"));
}

QString temporaryRoot() {
    if (const QString home = ovisuHome(); !home.isEmpty())
        return home + QStringLiteral("/tmp");
    return QDir::tempPath();
}

QString settingsFile() { return configRoot() + QStringLiteral("/Ovisu/settings.json"); }

QString ovisuFolder() { return applicationSupport() + QStringLiteral("/Ovisu"); }

QString quillonFolder() { return applicationSupport() + QStringLiteral("/Quillon"); }

QString logFolder() { return ovisuFolder() + QStringLiteral("/Logs"); }

QString credentialsFile() { return ovisuFolder() + QStringLiteral("/Credentials/credentials.json"); }

}  // namespace ovisu::paths
