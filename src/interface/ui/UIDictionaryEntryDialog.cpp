#include "interface/ui/UIDictionaryEntryDialog.h"

#include "base/ui/WindowPresentation.h"
#include "interface/UIStoredTranslations.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ovisu {

UIDictionaryEntryDialog::UIDictionaryEntryDialog(const QString& title,
                                                 const std::optional<UIFixedDictionaryEntry>& initial, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(title);
    setFont(withChineseFamily(font()));

    m_source = new QLineEdit(this);
    m_translation = new QLineEdit(this);
    for (QLineEdit* field : {m_source, m_translation}) field->setMinimumSize(320, 28);
    m_kind = new QComboBox(this);
    m_kind->addItems(UIStoredTranslations::dictionaryKindItems());
    if (initial) {
        m_source->setText(initial->source);
        m_translation->setText(initial->translation);
        m_kind->setCurrentIndex(UIStoredTranslations::itemForKind(initial->kind));
    }

    auto* form = new QFormLayout;
    form->addRow(UIStoredTranslations::dictionarySourceFieldTitle(), m_source);
    form->addRow(UIStoredTranslations::dictionaryTranslationFieldTitle(), m_translation);
    form->addRow(UIStoredTranslations::dictionaryKindFieldTitle(), m_kind);

    auto* buttons = new QDialogButtonBox(this);
    m_save = buttons->addButton(QStringLiteral("保存"), QDialogButtonBox::AcceptRole);
    m_cancel = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    m_save->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    m_source->setFocus();
}

UIDictionaryEntryDialog::Answer UIDictionaryEntryDialog::answer() const {
    return {m_source->text(), m_translation->text(), UIStoredTranslations::kindForItem(m_kind->currentIndex())};
}

std::optional<UIDictionaryEntryDialog::Answer> UIDictionaryEntryDialog::ask(
    QWidget* parent, const QString& title, const std::optional<UIFixedDictionaryEntry>& initial) {
    UIDictionaryEntryDialog dialog(title, initial, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.answer();
}

}  // namespace ovisu
