#pragma once

#include <QByteArray>
#include <QString>

// What the local-engine suites need of the machine: its processes, its tar and its llama-server.
namespace ovisu::test {

bool processExists(qint64 pid);
// A log's or record's text, empty when there is none yet.
QString fileText(const QString& path);
// A llama-server of the system's stands in for a missing bundled one, so some cases cannot be set up.
bool systemHasLlamaServer();
// `entry` of `folder` packed by the system's tar into "<folder>.tar.gz", as a release is; its bytes,
// or empty with a failure recorded.
QByteArray tarGz(const QString& folder, const QString& entry);

}  // namespace ovisu::test
