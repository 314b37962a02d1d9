#include "interface/ui/ManualCorrectionDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ovisu {

ManualCorrectionDialog::ManualCorrectionDialog(const QString& source, const QString& prefill, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("永久修正界面译文"));
    auto* layout = new QVBoxLayout(this);
    auto* message = new QLabel(QStringLiteral("永久修正界面译文"), this);
    QFont bold = message->font();
    bold.setBold(true);
    message->setFont(bold);
    layout->addWidget(message);
    layout->addWidget(new QLabel(QStringLiteral("以后识别到同一段原文时，会优先使用你的修正。"), this));
    auto* original = new QLabel(QStringLiteral("原文：") + source, this);
    original->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(original);
    m_field = new QLineEdit(prefill, this);
    m_field->setPlaceholderText(QStringLiteral("输入简体中文译文"));
    m_field->setMinimumSize(420, 28);
    layout->addWidget(m_field);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* save = buttons->addButton(QStringLiteral("保存"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    save->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QString ManualCorrectionDialog::typedTranslation() const { return m_field->text(); }

}  // namespace ovisu
