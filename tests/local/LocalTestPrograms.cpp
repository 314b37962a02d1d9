#include "LocalTestPrograms.h"

#include "local/LocalInstallLayout.h"
#include "support/TestFiles.h"

#include <QProcess>
#include <gtest/gtest.h>

#include <csignal>

namespace ovisu::test {

bool processExists(qint64 pid) { return ::kill(pid_t(pid), 0) == 0; }

QString fileText(const QString& path) { return QString::fromUtf8(readBytes(path)); }

bool systemHasLlamaServer() {
    return LocalInstallLayout::isExecutableFile("/usr/local/bin/llama-server") ||
           LocalInstallLayout::isExecutableFile("/usr/bin/llama-server");
}

QByteArray tarGz(const QString& folder, const QString& entry) {
    // The suites' PATH holds only what the code under test may run.
    const auto program = LocalInstallLayout::systemExecutable("tar");
    if (!program) {
        ADD_FAILURE() << "no tar to pack the test archive with";
        return {};
    }
    const QString archive = folder + ".tar.gz";
    QProcess tar;
    tar.start(*program, {"-czf", archive, "-C", folder, entry});
    if (!tar.waitForFinished(10000) || tar.exitCode() != 0) {
        ADD_FAILURE() << "tar could not pack the test archive: " << tar.readAllStandardError().toStdString();
        return {};
    }
    return readBytes(archive);
}

}  // namespace ovisu::test
