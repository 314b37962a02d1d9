#pragma once

#include <QDialog>

class QLineEdit;

namespace ovisu {

// "永久修正界面译文": the player's own translation of an interface text, used from then on
// before any other answer.
class ManualCorrectionDialog : public QDialog {
public:
    ManualCorrectionDialog(const QString& source, const QString& prefill, QWidget* parent = nullptr);
    QString typedTranslation() const;
    QLineEdit* field() const { return m_field; }

private:
    QLineEdit* m_field = nullptr;
};

}  // namespace ovisu
