#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ovisu::test {

QByteArray readBytes(const QString& path);  // empty when the file cannot be read
// Writes the bytes, creating missing folders; fails the running test when it cannot.
void writeBytes(const QString& path, const QByteArray& bytes);
// A file of that size, sparse (a model file of gigabytes costs nothing), creating missing folders.
void makeSizedFile(const QString& path, qint64 bytes, bool executable = false);
// Copies a program (a fake server of the tests) to where the program under test looks for it.
void installProgram(const QString& source, const QString& path);
int posixMode(const QString& path);  // permission bits, -1 when the file is missing
// The "<name>.corrupt-*" copies beside a store file.
QStringList setAsideFiles(const QString& path);

}  // namespace ovisu::test
