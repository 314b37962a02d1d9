#include "support/Fixtures.h"

#include <QFile>
#include <gtest/gtest.h>

namespace ovisu::test {

QByteArray apiFixture(const QString& name) {
    QFile file(QStringLiteral(OVISU_FIXTURE_DIR) + QLatin1Char('/') + name);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "missing fixture " << name.toStdString();
        return {};
    }
    return file.readAll();
}

}  // namespace ovisu::test
