#include "base/ui/WindowPresentation.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace ovisu {

QFont withChineseFamily(QFont font) {
    for (const QString& family : {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans CJK JP")}) {
        if (QFontDatabase::hasFamily(family)) {
            font.setFamilies({family});
            break;
        }
    }
    return font;
}

void centreOnScreen(QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // A window that was never sized by hand takes its layout's size only when first shown;
    // centring its provisional size would leave it off-centre.
    if (!window.isVisible() && !window.testAttribute(Qt::WA_Resized)) window.adjustSize();
    QRect placed = window.frameGeometry();
    placed.moveCenter(screen->availableGeometry().center());
    window.move(placed.topLeft());
}

void bringToFront(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
}

}  // namespace ovisu
