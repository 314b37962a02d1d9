#include "app/ui/ColorButton.h"

#include <QColorDialog>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

namespace ovisu {

namespace {

constexpr QSize kSwatchSize(28, 16);

QIcon swatch(const QColor& color) {
    QPixmap pixmap(kSwatchSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // A faint outline keeps a colour close to the button's own visible.
    painter.setPen(QColor(0, 0, 0, 90));
    painter.setBrush(color);
    painter.drawRoundedRect(QRectF(0.5, 0.5, kSwatchSize.width() - 1, kSwatchSize.height() - 1), 3, 3);
    return QIcon(pixmap);
}

}  // namespace

ColorPicker colorDialogPicker(QWidget* parent) {
    return [parent](const QColor& initial, const QString& title) {
        return QColorDialog::getColor(initial, parent, title);
    };
}

QPushButton* makeColorButton(const QString& title, QWidget* parent) {
    auto* button = new QPushButton(title, parent);
    button->setIconSize(kSwatchSize);
    return button;
}

void showColor(QPushButton* button, const QColor& color) { button->setIcon(swatch(color)); }

}  // namespace ovisu
