#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ovisu::test {

struct ProgramRun {
    int exitCode = -1;  // -1 when the program crashed or did not finish
    QString out;
    QString err;
};

// Runs the real ovisu program as a child process, in the running test's OVISU_HOME.
ProgramRun runOvisu(const QStringList& arguments, const QByteArray& input = {}, int timeoutMs = 60000);

}  // namespace ovisu::test
