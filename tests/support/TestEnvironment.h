#pragma once

#include <QString>

namespace ovisu::test {

// The OVISU_HOME folder of the running test: fresh for every test, removed after it.
QString currentHome();

}  // namespace ovisu::test
