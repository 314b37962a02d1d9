#include "app/ui/SettingsPageHomeProviders.h"

#include "engine/TranslationSettingsActions.h"
#include "engine/ui/ProviderVisibilityCheckBox.h"
#include "engine/ui/SettingsWindowParts.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>


namespace ovisu {

SettingsPageHomeProviders::SettingsPageHomeProviders(ProviderSelection& selection,
                                                     TranslationSettingsActions& actions, QWidget* parent)
    : QWidget(parent), m_beep([] { QApplication::beep(); }) {
    setObjectName(QStringLiteral("homeProvidersPage"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(10);
    layout->addWidget(
        makeNoteLabel(QStringLiteral("勾选要显示在主页和系统托盘菜单的翻译方式；凭证和配置不会因取消勾选而删除。"), this));

    // One line per source: the box, then its button in a column of its own so the buttons line up.
    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 4, 0, 0);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(2);
    int row = 0;
    for (Provider provider : allProviders()) {
        auto* box = new ProviderVisibilityCheckBox(provider, selection, actions, this);
        box->setToolTip(ProviderCatalogue::title(provider));
        connect(box, &ProviderVisibilityCheckBox::refused, this, [this] {
            if (m_beep) m_beep();
        });
        m_boxes.append(box);
        grid->addWidget(box, row, 0);

        QPushButton* button = nullptr;
        if (const auto title = acquisitionTitle(provider)) {
            button = new QPushButton(*title, this);
            button->setObjectName(QStringLiteral("acquisition.%1").arg(rawValue(provider)));
            button->setAutoDefault(false);
            connect(button, &QPushButton::clicked, this, [&actions, provider] { openAcquisition(provider, actions); });
            grid->addWidget(button, row, 1);
        }
        m_acquisitionButtons.append(button);
        ++row;
    }
    grid->setColumnStretch(2, 1);
    // "下载" and "前往官网" as one width, so the column reads as one, and every line as tall as
    // a line with a button, so the sources without one do not pull the lines together.
    QSize largest;
    for (QPushButton* button : m_acquisitionButtons)
        if (button) largest = largest.expandedTo(button->sizeHint());
    for (QPushButton* button : m_acquisitionButtons)
        if (button) button->setMinimumWidth(largest.width());
    for (int line = 0; line < row; ++line) grid->setRowMinimumHeight(line, largest.height());
    layout->addLayout(grid);
    layout->addStretch(1);
}

void SettingsPageHomeProviders::render() {
    for (ProviderVisibilityCheckBox* box : m_boxes) box->render();
}

ProviderVisibilityCheckBox* SettingsPageHomeProviders::checkBox(Provider provider) const {
    return m_boxes.value(rawValue(provider));
}

QPushButton* SettingsPageHomeProviders::acquisitionButton(Provider provider) const {
    return m_acquisitionButtons.value(rawValue(provider));
}

void SettingsPageHomeProviders::showEvent(QShowEvent* event) {
    // The source manager, a profile or the tray may have changed the sources since last shown.
    render();
    QWidget::showEvent(event);
}

}  // namespace ovisu
