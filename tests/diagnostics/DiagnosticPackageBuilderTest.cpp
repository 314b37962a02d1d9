#include "diagnostics/DiagnosticPackageBuilder.h"

#include "base/AppLogger.h"
#include "base/ApplicationVersion.h"
#include "base/Paths.h"
#include "base/SecretMasking.h"
#include "base/SessionMetrics.h"
#include "base/SettingsStore.h"
#include "diagnostics/DiagnosticApplicationState.h"
#include "diagnostics/DiagnosticCredentials.h"
#include "diagnostics/SoftwareDiagnosticText.h"
#include "engine/LocalCredentialStore.h"
#include "engine/ProviderSettings.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace ovisu {
namespace {

// The real unzip reads the archive back, so the test sees what a developer who receives it sees.
QString runUnzip(const QStringList& arguments) {
    QProcess unzip;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LC_ALL"_qs, u"C.UTF-8"_qs);  // entry names as UTF-8, whatever the caller's locale
    unzip.setProcessEnvironment(environment);
    unzip.start(u"unzip"_qs, arguments);
    EXPECT_TRUE(unzip.waitForFinished(30'000));
    EXPECT_EQ(unzip.exitCode(), 0) << unzip.readAllStandardError().toStdString();
    return QString::fromUtf8(unzip.readAllStandardOutput());
}

QStringList entryNames(const QString& archive) {
    return runUnzip({u"-Z1"_qs, archive}).split(u'\n', Qt::SkipEmptyParts);
}

QString extracted(const QString& archive) {
    const QString into = test::currentHome() + u"/extracted"_qs;
    QDir(into).removeRecursively();
    runUnzip({u"-q"_qs, archive, u"-d"_qs, into});
    return into;
}

QStringList stagingFolders() {
    return QDir(paths::temporaryRoot()).entryList({u"TavoDiagnostic-*"_qs}, QDir::AllEntries | QDir::NoDotAndDotDot);
}

DiagnosticErrorRecord bareRecord() {
    DiagnosticErrorRecord record;
    record.occurredAt = QDateTime(QDate(2024, 5, 1), QTime(22, 3, 7, 500), QTimeZone(9 * 3600));
    record.category = u"translation"_qs;
    record.operation = u"实时翻译"_qs;
    record.message = u"未知翻译错误"_qs;
    return record;
}

struct PackageInputs {
    QString logDirectory = test::currentHome() + u"/logs"_qs;
    AppLogger log{logDirectory, 1024, 3};
    SettingsStore settings;
    ProviderSettings providerSettings{settings};

    DiagnosticPackageContext context(QList<DiagnosticErrorRecord> records) {
        SoftwareDiagnosticInputs text;
        text.version = applicationVersionText();
        text.system = u"Debian GNU/Linux 12 (bookworm)"_qs;
        text.providerTitle = u"DeepSeek（API）"_qs;
        text.exportedAt = QDateTime::currentDateTime();
        text.combinedLog = log.combinedText();
        DiagnosticApplicationState state;
        state.version = applicationVersionText();
        state.translationHistory = {{u"原文"_qs, u"译文"_qs, u"DeepSeek（API）"_qs,
                                     QDateTime::fromMSecsSinceEpoch(1'714'568'587'250, QTimeZone::utc())}};
        DiagnosticPackageContext context;
        context.summary = softwareDiagnosticText(text);
        context.applicationState = state.toJson();
        context.credentials = diagnosticCredentials(gatherDiagnosticSourceSettings(providerSettings));
        context.logDirectory = logDirectory;
        context.errorRecords = std::move(records);
        context.metrics = SessionMetrics::shared().dictionary();
        return context;
    }
};

QJsonDocument jsonFile(const QString& path) { return QJsonDocument::fromJson(test::readBytes(path)); }

TEST(DiagnosticPackageBuilderTest, OneFolderWithSummaryStateErrorsAndTheCurrentLogOnly) {
    PackageInputs inputs;
    // Enough lines to rotate twice: the archives are in the summary, not among the copied logs.
    for (int line = 0; line < 30; ++line)
        inputs.log.info(u"ocr"_qs, u"识别第 %1 行：%2"_qs.arg(line).arg(QString(40, u'字')));
    ASSERT_TRUE(QFile::exists(inputs.logDirectory + u"/Ovisu.log.2"_qs));
    test::writeBytes(inputs.logDirectory + u"/notes.txt"_qs, "not a log");

    const QString archive = test::currentHome() + u"/out/package.zip"_qs;
    ASSERT_TRUE(DiagnosticPackageBuilder::build(inputs.context({bareRecord()}), archive));
    EXPECT_TRUE(stagingFolders().isEmpty());

    QStringList names = entryNames(archive);
    const QString top = names.value(0);
    EXPECT_TRUE(QRegularExpression(u"^TavoDiagnostic-[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}/$"_qs).match(top).hasMatch())
        << top.toStdString();
    names.sort();
    EXPECT_EQ(names, QStringList({top, top + u"应用状态与性能.json"_qs, top + u"日志/"_qs, top + u"日志/Ovisu.log"_qs,
                                  top + u"最近错误.json"_qs, top + u"诊断摘要.txt"_qs}));

    const QString folder = extracted(archive) + u'/' + top;
    EXPECT_EQ(test::readBytes(folder + u"日志/Ovisu.log"_qs), test::readBytes(inputs.logDirectory + u"/Ovisu.log"_qs));
    const QString summary = QString::fromUtf8(test::readBytes(folder + u"诊断摘要.txt"_qs));
    EXPECT_TRUE(summary.startsWith(u"Ovisu诊断信息\n版本：1.26 (Build 1260)\n"_qs));
    EXPECT_TRUE(summary.endsWith(inputs.log.combinedText()));

    const QJsonObject state = jsonFile(folder + u"应用状态与性能.json"_qs).object();
    EXPECT_EQ(state.value(u"credentials"_qs).toObject().size(), 78);
    EXPECT_EQ(state.value(u"credentials"_qs).toObject().value(u"DeepSeek（API）.endpoint"_qs).toString(),
              inputs.providerSettings.endpoint(Provider::deepSeek));
    EXPECT_EQ(state.value(u"metrics"_qs).toObject().size(), SessionMetrics::counterCount);
    EXPECT_EQ(state.value(u"translationMode"_qs).toString(), u"对白模式"_qs);
    const QJsonObject line = state.value(u"translationHistory"_qs).toArray().at(0).toObject();
    EXPECT_DOUBLE_EQ(line.value(u"createdAt"_qs).toDouble(), 1'714'568'587.25);

    const QJsonArray errors = jsonFile(folder + u"最近错误.json"_qs).array();
    ASSERT_EQ(errors.size(), 1);
    const QJsonObject record = errors.at(0).toObject();
    EXPECT_EQ(record.value(u"occurredAt"_qs).toString(), u"2024-05-01T13:03:07Z"_qs);
    EXPECT_FALSE(record.contains(u"errorCode"_qs));
    EXPECT_FALSE(record.contains(u"httpStatus"_qs));

    // A second build over the first replaces it whole; no records is an empty array.
    ASSERT_TRUE(DiagnosticPackageBuilder::build(inputs.context({}), archive));
    const QString second = entryNames(archive).constFirst();
    EXPECT_NE(second, top);
    const QJsonDocument noErrors = jsonFile(extracted(archive) + u'/' + second + u"最近错误.json"_qs);
    EXPECT_TRUE(noErrors.isArray() && noErrors.array().isEmpty());
}

TEST(DiagnosticPackageBuilderTest, AFailedBuildRemovesItsStagingFolderAndKeepsWhatWasThere) {
    PackageInputs inputs;
    inputs.log.info(u"app"_qs, u"启动"_qs);

    // A destination that cannot be written: its folder is a file.
    test::writeBytes(test::currentHome() + u"/blocker"_qs, "file");
    const auto unwritable = DiagnosticPackageBuilder::build(inputs.context({}), test::currentHome() + u"/blocker/p.zip"_qs);
    EXPECT_FALSE(unwritable);
    EXPECT_TRUE(stagingFolders().isEmpty());

    // No staging folder can be made: the earlier package at the destination stays as it was.
    const QString archive = test::currentHome() + u"/out/package.zip"_qs;
    test::writeBytes(archive, "the earlier package");
    QDir(paths::temporaryRoot()).removeRecursively();
    test::writeBytes(paths::temporaryRoot(), "a file where the temporary folder belongs");
    const auto noStaging = DiagnosticPackageBuilder::build(inputs.context({}), archive);
    ASSERT_FALSE(noStaging);
    EXPECT_TRUE(noStaging.error().startsWith(u"无法创建诊断包临时目录"_qs)) << noStaging.error().toStdString();
    EXPECT_EQ(test::readBytes(archive), "the earlier package");
    EXPECT_TRUE(QDir(test::currentHome() + u"/out"_qs).entryList(QDir::Files) == QStringList{u"package.zip"_qs});
}

// The package is sent to other people: no stored key may be in it in clear, wherever the key
// landed (a pasted key in the state, a service's echo in the log, an error text in a record).
TEST(DiagnosticPackageBuilderTest, NoStoredSecretInClearAnywhereInThePackage) {
    const QString key = u"sk-planted-0123456789abcdef"_qs;
    const QString other = u"gsk_\"quoted\\key\"_42"_qs;  // JSON-escaped in the state and the records
    ASSERT_TRUE(LocalCredentialStore::save(key, ProviderCatalogue::credentialAccount(Provider::deepSeek)));
    ASSERT_TRUE(LocalCredentialStore::save(other, ProviderCatalogue::credentialAccount(Provider::groq)));

    PackageInputs inputs;
    inputs.log.error(u"translation"_qs, u"DeepSeek（API） HTTP 401：{\"error\":\"invalid api key "_qs + key +
                                            u"\"}，密钥 "_qs + other);
    DiagnosticErrorRecord record = bareRecord();
    record.errorCode = u"HTTP 401 "_qs + key;
    record.message = u"无效的密钥："_qs + key + u" / "_qs + other;
    record.httpStatus = 401;
    DiagnosticPackageContext context = inputs.context({record});
    context.applicationState.insert(u"targetWindow"_qs, u"pasted "_qs + other);

    const QString archive = test::currentHome() + u"/package.zip"_qs;
    ASSERT_TRUE(DiagnosticPackageBuilder::build(context, archive));
    const QString folder = extracted(archive);
    int files = 0;
    QByteArray everything;
    for (QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QByteArray bytes = test::readBytes(it.next());
        ++files;
        EXPECT_FALSE(bytes.contains(key.toUtf8())) << it.filePath().toStdString();
        EXPECT_FALSE(bytes.contains(other.toUtf8())) << it.filePath().toStdString();
        everything += bytes;
    }
    EXPECT_EQ(files, 4);
    EXPECT_GE(everything.count(maskedSecret(key).toUtf8()), 5);  // state, summary, log copy, record twice

    const QString top = entryNames(archive).constFirst();
    const QJsonObject state = jsonFile(folder + u'/' + top + u"应用状态与性能.json"_qs).object();
    EXPECT_EQ(state.value(u"credentials"_qs).toObject().value(u"DeepSeek（API）.apiKey"_qs).toString(), maskedSecret(key));
    EXPECT_EQ(state.value(u"credentials"_qs).toObject().value(u"Claude（API）.apiKey"_qs).toString(), QString());
    EXPECT_EQ(state.value(u"targetWindow"_qs).toString(), u"pasted "_qs + maskedSecret(other));
    const QJsonObject stored = jsonFile(folder + u'/' + top + u"最近错误.json"_qs).array().at(0).toObject();
    EXPECT_EQ(stored.value(u"message"_qs).toString(),
              u"无效的密钥："_qs + maskedSecret(key) + u" / "_qs + maskedSecret(other));
}

TEST(SoftwareDiagnosticTextTest, HeaderThenTheLogOrItsAbsence) {
    SoftwareDiagnosticInputs inputs;
    inputs.version = applicationVersionText();
    inputs.system = u"Debian GNU/Linux 12 (bookworm)"_qs;
    inputs.screenCapturePermission = true;
    inputs.exportedAt = QDateTime(QDate(2024, 5, 1), QTime(21, 3, 7));
    EXPECT_EQ(softwareDiagnosticText(inputs),
              u"Ovisu诊断信息\n版本：1.26 (Build 1260)\n系统：Debian GNU/Linux 12 (bookworm)\n翻译源：尚未选择\n"
              "翻译模式：对白模式\n屏幕录制权限：已授权\n导出时间：2024-05-01 21:03:07\n"_qs +
                  QString(60, u'-') + u"\n暂无日志。\n"_qs);

    inputs.providerTitle = u"Google 翻译"_qs;
    inputs.interfaceMode = true;
    inputs.screenCapturePermission = false;
    inputs.combinedLog = u"[2024-05-01 21:03:07.125] [INFO] [ocr] 第一行\n"_qs;
    const QString text = softwareDiagnosticText(inputs);
    EXPECT_TRUE(text.contains(u"\n翻译源：Google 翻译\n翻译模式：界面模式\n屏幕录制权限：未授权\n"_qs));
    EXPECT_TRUE(text.endsWith(QString(60, u'-') + u'\n' + inputs.combinedLog));

    EXPECT_EQ(logUsageSummary(0), u"日志占用：0 KB · 自动保留最近 4 个文件"_qs);
    EXPECT_EQ(logUsageSummary(532), u"日志占用：532 字节 · 自动保留最近 4 个文件"_qs);
    EXPECT_EQ(logUsageSummary(1'234'567), u"日志占用：1.2 MB · 自动保留最近 4 个文件"_qs);
}

}  // namespace
}  // namespace ovisu
