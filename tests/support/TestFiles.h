#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ovisu::test {

QByteArray readBytes(const QString& path);  // empty when the file cannot be read
// Writes the bytes, creating missing folders; fails the running test when it cannot.
void writeBytes(const QString& path, const QByteArray& bytes);
int posixMode(const QString& path);  // permission bits, -1 when the file is missing
// The "<name>.corrupt-*" copies beside a store file.
QStringList setAsideFiles(const QString& path);

}  // namespace ovisu::test
