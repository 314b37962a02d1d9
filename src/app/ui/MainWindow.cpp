#include "app/ui/MainWindow.h"

#include "base/SettingsStore.h"
#include "engine/ProviderSelection.h"
#include "engine/ProviderSettings.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace ovisu {

MainWindow::~MainWindow() = default;

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent),
      m_settings(std::make_unique<SettingsStore>()),
      m_selection(std::make_unique<ProviderSelection>(*m_settings)),
      m_providers(std::make_unique<ProviderSettings>(*m_settings)) {
    setWindowTitle(QStringLiteral("Ovisu"));
    resize(560, 320);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(12);

    auto* heading = new QLabel(QStringLiteral("Ovisu · 实时翻译"), central);
    QFont headingFont = heading->font();
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.6);
    headingFont.setBold(true);
    heading->setFont(headingFont);
    layout->addWidget(heading);

    auto* subtitle = new QLabel(QStringLiteral("把游戏里的日文实时翻译成简体中文。"), central);
    layout->addWidget(subtitle);

    auto* form = new QFormLayout();
    auto* sourceBox = new QComboBox(central);
    for (Provider provider : m_selection->visibleProviders())
        sourceBox->addItem(ProviderCatalogue::title(provider), rawValue(provider));
    sourceBox->setCurrentIndex(std::max(0, m_selection->selectedIndex()));
    form->addRow(QStringLiteral("翻译源"), sourceBox);

    auto* noteLabel = new QLabel(central);
    noteLabel->setWordWrap(true);
    auto* statusLabel = new QLabel(central);
    statusLabel->setWordWrap(true);
    form->addRow(QStringLiteral("说明"), noteLabel);
    form->addRow(QStringLiteral("状态"), statusLabel);
    layout->addLayout(form);
    layout->addStretch(1);

    const auto showSource = [this, sourceBox, noteLabel, statusLabel](int index) {
        const auto provider = providerFromRawValue(sourceBox->itemData(index).toInt());
        if (!provider) return;
        noteLabel->setText(ProviderCatalogue::note(*provider));
        statusLabel->setText(m_providers->providerConfigurationIssue(*provider).value_or(QStringLiteral("可以使用")));
    };
    showSource(sourceBox->currentIndex());
    connect(sourceBox, &QComboBox::currentIndexChanged, this, [this, sourceBox, showSource](int index) {
        if (const auto provider = providerFromRawValue(sourceBox->itemData(index).toInt()))
            m_selection->providerChanged(*provider);
        showSource(index);
    });

    setCentralWidget(central);
}

}  // namespace ovisu
