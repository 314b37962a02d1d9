#pragma once

#include "interface/UIElementKind.h"
#include "interface/UIFixedDictionaryStore.h"

#include <QDialog>
#include <QString>

#include <optional>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace ovisu {

// "添加 UI 固定词条" / "编辑 UI 固定词条": one fixed term as typed. The texts come back untouched; UIStoredTranslations trims and
// refuses them, so the dialog and the command line agree.
class UIDictionaryEntryDialog : public QDialog {
public:
    struct Answer {
        QString source;
        QString translation;
        std::optional<UIElementKind> kind;  // none: every kind
    };

    // Empty fields and "全部类型" without an entry to start from.
    UIDictionaryEntryDialog(const QString& title, const std::optional<UIFixedDictionaryEntry>& initial,
                            QWidget* parent = nullptr);

    // Runs the dialog modally; none when it was cancelled or closed.
    static std::optional<Answer> ask(QWidget* parent, const QString& title,
                                     const std::optional<UIFixedDictionaryEntry>& initial = std::nullopt);

    Answer answer() const;

    QLineEdit* sourceField() const { return m_source; }
    QLineEdit* translationField() const { return m_translation; }
    QComboBox* kindPopUp() const { return m_kind; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    QLineEdit* m_source = nullptr;
    QLineEdit* m_translation = nullptr;
    QComboBox* m_kind = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace ovisu
