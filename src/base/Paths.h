#pragma once

#include <QString>

// Where Ovisu keeps its files. Every function reads the environment when called, so a change of
// OVISU_HOME (as every test makes) takes effect at once.
//
// With OVISU_HOME set: config, data, temporary and log roots all live under it
// ($OVISU_HOME/config, $OVISU_HOME/data, $OVISU_HOME/tmp). Otherwise the XDG folders.
namespace ovisu::paths {

QString configRoot();        // $XDG_CONFIG_HOME or ~/.config
QString applicationSupport();  // $XDG_DATA_HOME or ~/.local/share
QString temporaryRoot();     // QDir::tempPath()

QString settingsFile();      // configRoot()/Ovisu/settings.json
QString ovisuFolder();       // applicationSupport()/Ovisu
QString quillonFolder();     // applicationSupport()/Quillon  (the JSON stores)
QString logFolder();         // ovisuFolder()/Logs
QString credentialsFile();   // ovisuFolder()/Credentials/credentials.json

}  // namespace ovisu::paths
