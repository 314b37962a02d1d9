#include "base/ApplicationVersion.h"
#include "support/OvisuProcess.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using ovisu::test::ProgramRun;

ProgramRun run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace

// The package `make package` left in the build tree, unpacked the way dpkg would lay it out:
// the program in it must run on its own and be the version the sources declare. CI builds the
// package after the suites and checks it with scripts/check-package.sh; here it is checked when
// a developer has built one.
TEST(DebianPackage, UnpackedProgramRunsWithItsEntryIconsAndManPage) {
    const QFileInfo binary(QStringLiteral(OVISU_BINARY));
    const QFileInfoList packages =
        binary.dir().entryInfoList({QStringLiteral("ovisu_*_amd64.deb")}, QDir::Files, QDir::Time);
    if (packages.isEmpty()) GTEST_SKIP() << "no package in the build tree: run 'make package'";
    const QFileInfo package = packages.first();
    if (package.lastModified() < binary.lastModified())
        GTEST_SKIP() << "the package is older than the program: run 'make package' again";

    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    ASSERT_EQ(run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), package.filePath(), root.path()}).exitCode, 0);
    const QString usr = root.path() + QStringLiteral("/usr");

    const ProgramRun version = run(usr + QStringLiteral("/bin/ovisu"), {QStringLiteral("--version")});
    EXPECT_EQ(version.out, QStringLiteral("Ovisu ") + ovisu::applicationVersionText() + QLatin1Char('\n'));
    EXPECT_TRUE(package.fileName().startsWith(QStringLiteral("ovisu_") + ovisu::applicationShortVersion() + QLatin1Char('_')))
        << package.fileName().toStdString();
    const ProgramRun providers = run(usr + QStringLiteral("/bin/ovisu"), {QStringLiteral("providers")});
    EXPECT_EQ(providers.exitCode, 0);
    EXPECT_EQ(providers.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size(), 27) << providers.out.toStdString();

    // The entry starts the packaged program and names icons the package holds.
    QSettings entry(usr + QStringLiteral("/share/applications/ovisu.desktop"), QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    const QString exec = entry.value(QStringLiteral("Exec")).toString();
    const QString icon = entry.value(QStringLiteral("Icon")).toString();
    EXPECT_TRUE(QFileInfo(usr + QStringLiteral("/bin/") + exec).isExecutable()) << exec.toStdString();
    EXPECT_TRUE(QFileInfo::exists(usr + QStringLiteral("/share/icons/hicolor/scalable/apps/") + icon + QStringLiteral(".svg")));
    EXPECT_TRUE(QFileInfo::exists(usr + QStringLiteral("/share/icons/hicolor/256x256/apps/") + icon + QStringLiteral(".png")));
    EXPECT_TRUE(QFileInfo::exists(usr + QStringLiteral("/share/man/man1/ovisu.1.gz")));
    // What the program reads at run time lies beside it, so an install needs no source tree.
    EXPECT_TRUE(QFileInfo::exists(usr + QStringLiteral("/share/ovisu/models/text-detector.onnx")));
    EXPECT_TRUE(QFileInfo::exists(usr + QStringLiteral("/share/ovisu/tessdata-best/jpn.traineddata")));
}
