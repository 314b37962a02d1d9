#pragma once

#include <QByteArray>
#include <QString>

namespace ovisu::test {

// Bytes of a recorded service body from tests/fixtures/api; fails the test when missing.
QByteArray apiFixture(const QString& name);

}  // namespace ovisu::test
