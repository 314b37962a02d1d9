#include "interface/ui/UICacheManagerWindow.h"

#include "base/ui/WindowPresentation.h"
#include "base/ui/DestructiveConfirmation.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ovisu {

UICacheManagerWindow::UICacheManagerWindow(UIStoredTranslations& stored, AfterClear afterClear, QWidget* parent)
    : QWidget(parent, Qt::Window), m_stored(stored), m_afterClear(std::move(afterClear)) {
    setWindowTitle(UIStoredTranslations::cacheManagerTitle());
    setFont(withChineseFamily(font()));
    resize(640, 480);

    m_textView = new QPlainTextEdit(this);
    m_textView->setReadOnly(true);
    m_textView->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_textView->setLineWrapMode(QPlainTextEdit::WidgetWidth);

    m_clearAutomaticButton = new QPushButton(UIStoredTranslations::clearAutomaticButtonTitle(), this);
    m_clearEverythingButton = new QPushButton(UIStoredTranslations::clearEverythingButtonTitle(), this);
    for (QPushButton* button : {m_clearAutomaticButton, m_clearEverythingButton}) button->setAutoDefault(false);
    connect(m_clearAutomaticButton, &QPushButton::clicked, this, &UICacheManagerWindow::clearAutomatic);
    connect(m_clearEverythingButton, &QPushButton::clicked, this, &UICacheManagerWindow::clearEverything);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addStretch(1);
    buttons->addWidget(m_clearAutomaticButton);
    buttons->addWidget(m_clearEverythingButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 14);
    layout->setSpacing(10);
    layout->addWidget(m_textView, 1);
    layout->addLayout(buttons);

    renderUICacheManager();
}

void UICacheManagerWindow::openUICacheManager() {
    renderUICacheManager();
    if (!m_placed) {
        m_placed = true;
        centreOnScreen(*this);
    }
    bringToFront(*this);
}

void UICacheManagerWindow::renderUICacheManager() { m_textView->setPlainText(m_stored.cacheManagerText()); }

void UICacheManagerWindow::clearAutomatic() { finish(m_stored.clearAutomatic()); }

void UICacheManagerWindow::clearEverything() {
    if (!confirmClearEverything())
        return;
    finish(m_stored.clearEverything());
}

bool UICacheManagerWindow::confirmClearEverything() {
    return confirmDestructiveAction(this, {UIStoredTranslations::cacheManagerTitle(),
                                           UIStoredTranslations::clearEverythingMessage(),
                                           UIStoredTranslations::clearEverythingInformativeText(),
                                           UIStoredTranslations::clearEverythingConfirmTitle()});
}

void UICacheManagerWindow::finish(const std::expected<void, QString>& cleared) {
    renderUICacheManager();
    if (m_afterClear)
        m_afterClear(cleared ? std::nullopt : std::optional<QString>(cleared.error()));
}

}  // namespace ovisu
