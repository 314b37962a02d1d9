#pragma once

#include <QApplication>
#include <QWidget>

namespace ovisu::test {

// The program's window of that kind, found the way a user finds it: among the top-level
// windows. Nothing when it has not been made (or has been deleted).
template <class Window>
Window* topLevel() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<Window*>(widget)) return window;
    return nullptr;
}

}  // namespace ovisu::test
