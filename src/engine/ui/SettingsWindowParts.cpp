#include "engine/ui/SettingsWindowParts.h"

#include "engine/TranslationSettingsActions.h"

#include <QLabel>
#include <QUrl>

namespace ovisu {

QLabel* makeHeadingLabel(const QString& text, QWidget* parent, int pointSizeDelta) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    if (pointSizeDelta != 0 && font.pointSizeF() > 0) font.setPointSizeF(font.pointSizeF() + pointSizeDelta);
    label->setFont(font);
    return label;
}

QLabel* makeNoteLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QLabel* makeWarningLabel(const QString& objectName, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setWordWrap(true);
    QPalette warning = label->palette();
    warning.setColor(QPalette::WindowText, QColor(0xc0, 0x39, 0x2b));
    label->setPalette(warning);
    label->hide();
    return label;
}

void showWarning(QLabel& label, const std::optional<QString>& message) {
    if (message) label.setText(*message);
    label.setVisible(message.has_value());
}

QString notStoredOnDiskMessage(const QString& error) {
    return QStringLiteral("设置已生效，但未能保存到磁盘：") + error;
}

std::optional<QString> acquisitionTitle(Provider provider) {
    switch (ProviderCatalogue::acquisitionButton(provider)) {
    case AcquisitionButton::hidden:
        return std::nullopt;
    case AcquisitionButton::download:
        return QStringLiteral("下载");
    case AcquisitionButton::officialSite:
        return QStringLiteral("前往官网");
    }
    return std::nullopt;
}

void openAcquisition(Provider provider, TranslationSettingsActions& actions) {
    switch (ProviderCatalogue::acquisitionButton(provider)) {
    case AcquisitionButton::hidden:
        break;
    case AcquisitionButton::download:
        actions.openLocalModelDownload(provider);
        break;
    case AcquisitionButton::officialSite:
        actions.openExternalURL(QUrl(ProviderCatalogue::officialPurchaseURL(provider)));
        break;
    }
}

}  // namespace ovisu
