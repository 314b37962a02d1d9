#include "support/OvisuProcess.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace ovisu::test {

ProgramRun runOvisu(const QStringList& arguments, const QByteArray& input, int timeoutMs) {
    QProcess process;
    process.start(QStringLiteral(OVISU_BINARY), arguments);
    EXPECT_TRUE(process.waitForStarted(10000));
    if (!input.isEmpty()) process.write(input);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(timeoutMs)) << "ovisu " << arguments.join(' ').toStdString();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace ovisu::test
