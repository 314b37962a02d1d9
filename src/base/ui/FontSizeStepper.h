#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace ovisu {

// A font size between "−" and "+" buttons, shown as "16 pt". The buttons only ask for a step: the
// owner of the setting changes it and shows the result with showSize(), which also disables the
// button that would pass a limit.
class FontSizeStepper : public QWidget {
    Q_OBJECT
public:
    // The object names let tests and styles find the parts; the widest size sets the label's width.
    FontSizeStepper(const QString& downName, const QString& sizeName, const QString& upName, double widestSize,
                    QWidget* parent = nullptr);

    void showSize(double size, double minimum, double maximum);
    static QString sizeText(double size);

signals:
    void stepped(int step);

private:
    QPushButton* m_down;
    QLabel* m_size;
    QPushButton* m_up;
};

}  // namespace ovisu
