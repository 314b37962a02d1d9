#pragma once

#include "diagnostics/DiagnosticErrorRecorder.h"

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>

#include <expected>

namespace ovisu {

// What one package is made of, gathered by the application layer.
struct DiagnosticPackageContext {
    QString summary;                 // the software diagnostic text
    QJsonObject applicationState;    // DiagnosticApplicationState::toJson()
    QJsonObject credentials;         // diagnosticCredentials()
    QString logDirectory;            // its "*.log" files are copied
    QList<DiagnosticErrorRecord> errorRecords;  // oldest first
    QMap<QString, int> metrics;      // SessionMetrics at the moment of building
};

// The package a user sends to the developers: a zip archive whose single top-level folder
// "TavoDiagnostic-<UUID>" holds "诊断摘要.txt", "应用状态与性能.json" (the state with
// "credentials" and "metrics"), "最近错误.json" and "日志/" with the log folder's "*.log" files.
//
// Nothing in it holds a stored secret in clear: every non-empty value of the credential file is
// replaced by its masked form wherever it appears (summary, state, records, copied logs), since a
// service's error reply or a pasted key can land in any of them.
//
// The files are put together in a staging folder under the temporary root, removed however the
// build ends. The archive reaches the destination through a temporary and a rename: a failed
// build never leaves half an archive there and keeps a file that was there before.
namespace DiagnosticPackageBuilder {

std::expected<void, QString> build(const DiagnosticPackageContext& context, const QString& destination);

// What an archiver failure reads as.
inline const QString compressionFailedText = QStringLiteral("诊断包压缩失败");

}  // namespace DiagnosticPackageBuilder

}  // namespace ovisu
