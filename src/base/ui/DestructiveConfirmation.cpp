#include "base/ui/DestructiveConfirmation.h"

#include "base/ui/WindowPresentation.h"

#include <QMessageBox>
#include <QPushButton>

namespace ovisu {

bool confirmDestructiveAction(QWidget* parent, const DestructiveConfirmation& texts) {
    QMessageBox box(parent);
    box.setIcon(QMessageBox::Warning);
    if (!texts.windowTitle.isEmpty()) box.setWindowTitle(texts.windowTitle);
    box.setFont(withChineseFamily(box.font()));
    box.setText(texts.message);
    box.setInformativeText(texts.informativeText);
    QPushButton* confirm = box.addButton(texts.confirmTitle, QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(texts.cancelTitle, QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == confirm;
}

}  // namespace ovisu
