#pragma once

#include <QString>

class QWidget;

namespace ovisu {

// The texts of a question asked before deleting something that cannot be brought back.
struct DestructiveConfirmation {
    QString windowTitle;  // may be empty
    QString message;
    QString informativeText;
    QString confirmTitle;  // the button that deletes
    QString cancelTitle = QStringLiteral("取消");
};

// Asks modally; true only when the deleting button was pressed. Cancel is the default and the
// Escape button, so Return or Escape never deletes anything by accident.
bool confirmDestructiveAction(QWidget* parent, const DestructiveConfirmation& texts);

}  // namespace ovisu
