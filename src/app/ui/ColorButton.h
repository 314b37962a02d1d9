#pragma once

#include <QColor>
#include <QString>

#include <functional>

class QPushButton;
class QWidget;

namespace ovisu {

// Asks the user for a colour; answers an invalid colour when the user cancels. Pages hold one so
// tests can answer without a modal dialog.
using ColorPicker = std::function<QColor(const QColor& initial, const QString& title)>;

// The platform colour dialog over `parent`.
ColorPicker colorDialogPicker(QWidget* parent);

// A button titled with what it colours; showColor() puts the current colour beside the title.
QPushButton* makeColorButton(const QString& title, QWidget* parent);
void showColor(QPushButton* button, const QColor& color);

}  // namespace ovisu
