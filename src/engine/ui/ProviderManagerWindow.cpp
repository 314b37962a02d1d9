#include "engine/ui/ProviderManagerWindow.h"

#include "engine/ui/ProviderVisibilityCheckBox.h"
#include "engine/ui/SettingsWindowParts.h"
#include "base/ui/WindowPresentation.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace ovisu {
namespace {

constexpr int columns = 2;

}  // namespace

QList<Provider> ProviderManagerWindow::freeProviders() {
    return {Provider::systemTranslation, Provider::google,         Provider::sakura,      Provider::qwenLocal,
            Provider::hyMTLocal,         Provider::libreTranslate, Provider::ollamaLocal, Provider::translateGemmaLocal};
}

QList<Provider> ProviderManagerWindow::paidProviders() {
    const QList<Provider> free = freeProviders();
    QList<Provider> paid;
    for (Provider provider : allProviders())
        if (!free.contains(provider)) paid.append(provider);
    return paid;
}

ProviderManagerWindow::ProviderManagerWindow(ProviderSelection& selection, TranslationSettingsActions& actions,
                                             QWidget* parent)
    : QWidget(parent, Qt::Window), m_beep([] { QApplication::beep(); }) {
    setObjectName(QStringLiteral("providerManager"));
    setWindowTitle(QStringLiteral("主页翻译源管理"));
    setFont(withChineseFamily(font()));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(22, 18, 22, 16);
    layout->setSpacing(10);

    layout->addWidget(makeHeadingLabel(QStringLiteral("勾选要显示在主页和系统托盘菜单中的翻译源"), this, 1));

    const auto addGroup = [&](const QString& title, const QList<Provider>& providers) {
        layout->addSpacing(4);
        layout->addWidget(makeHeadingLabel(title, this));
        auto* grid = new QGridLayout;
        grid->setContentsMargins(12, 0, 0, 0);
        grid->setHorizontalSpacing(24);
        grid->setVerticalSpacing(6);
        // Filled column by column, so each column reads down in the group's order.
        const int rows = static_cast<int>((providers.size() + columns - 1) / columns);
        for (int index = 0; index < providers.size(); ++index) {
            auto* box = new ProviderVisibilityCheckBox(providers[index], selection, actions, this);
            connect(box, &ProviderVisibilityCheckBox::refused, this, [this] {
                if (m_beep) m_beep();
            });
            m_boxes.append(box);
            grid->addWidget(box, index % rows, index / rows);
        }
        for (int column = 0; column < columns; ++column) grid->setColumnStretch(column, 1);
        layout->addLayout(grid);
    };
    addGroup(QStringLiteral("免费 / 本地翻译"), freeProviders());
    addGroup(QStringLiteral("付费 / API 翻译"), paidProviders());

    layout->addSpacing(4);
    auto* footnote = makeNoteLabel(QStringLiteral("至少保留一个翻译源；未勾选的源仍保留配置和 API Key。"), this);
    footnote->setObjectName(QStringLiteral("footnote"));
    layout->addWidget(footnote);
    layout->addStretch(1);
}

void ProviderManagerWindow::present() {
    render();
    centreOnScreen(*this);
    bringToFront(*this);
}

void ProviderManagerWindow::render() {
    for (ProviderVisibilityCheckBox* box : m_boxes) box->render();
}

ProviderVisibilityCheckBox* ProviderManagerWindow::checkBox(Provider provider) const {
    for (ProviderVisibilityCheckBox* box : m_boxes)
        if (box->provider() == provider) return box;
    return nullptr;
}

}  // namespace ovisu
