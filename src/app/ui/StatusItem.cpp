#include "app/ui/StatusItem.h"

#include "app/ShellActions.h"

#include <QAction>
#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace ovisu {
namespace {

// No symbol set ships with every desktop: draw the "译" mark ourselves so the icon never shows empty.
QIcon trayIcon() {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x33, 0x14, 0x29));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(2, 2, 60, 60), 14, 14);
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(40);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0xff, 0xeb, 0xf2));
    painter.drawText(QRectF(0, 0, 64, 64), Qt::AlignCenter, StatusMenuPresentation::fallbackIconText());
    return QIcon(pixmap);
}

void dispatch(ShellActions& actions, StatusMenuAction action) {
    switch (action) {
    case StatusMenuAction::none: return;
    case StatusMenuAction::statusMenuToggleTranslation: actions.toggleTranslation(); return;
    case StatusMenuAction::toggleOverlayVisibility: actions.toggleOverlayVisibility(); return;
    case StatusMenuAction::toggleOverlayClickThrough: actions.toggleOverlayClickThrough(); return;
    case StatusMenuAction::performManualOCR: actions.performManualOCR(); return;
    case StatusMenuAction::toggleClipboardMonitoring: actions.toggleClipboardMonitoring(); return;
    case StatusMenuAction::toggleAutomaticSpeech: actions.toggleAutomaticSpeech(); return;
    case StatusMenuAction::statusMenuSelectRegion: actions.statusMenuSelectRegion(); return;
    case StatusMenuAction::copyLatestTranslation: actions.copyLatestTranslation(); return;
    case StatusMenuAction::speakLatestTranslation: actions.speakLatestTranslation(); return;
    case StatusMenuAction::showMainWindow: actions.showMainWindow(); return;
    case StatusMenuAction::openSettingsCenter: actions.openSettingsCenter(); return;
    case StatusMenuAction::openInterfaceTranslationCenter: actions.openInterfaceTranslationCenter(); return;
    case StatusMenuAction::openSettingsHelp: actions.openSettingsHelp(); return;
    case StatusMenuAction::quitApplication: actions.quitApplication(); return;
    }
}

}  // namespace

StatusItem::StatusItem(ShellActions& actions, QObject* parent) : QObject(parent), m_actions(actions) {}

StatusItem::~StatusItem() = default;

bool StatusItem::systemTrayAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }

void StatusItem::configure(bool enabled, bool rebuild) {
    if (!enabled || rebuild) {
        m_items.clear();
        m_stateItem = nullptr;
        m_providerMenu = nullptr;
        m_profileMenu = nullptr;
        m_tray.reset();
        m_menu.reset();
    }
    if (enabled && !m_tray) build();
}

void StatusItem::build() {
    m_menu = std::make_unique<QMenu>();
    for (const StatusMenuEntry& entry : StatusMenuPresentation::entries()) {
        switch (entry.kind) {
        case StatusMenuEntry::Kind::separator: m_menu->addSeparator(); break;
        case StatusMenuEntry::Kind::stateLine:
            m_stateItem = m_menu->addAction(entry.title);
            m_stateItem->setEnabled(false);
            break;
        case StatusMenuEntry::Kind::providerSubmenu: m_providerMenu = m_menu->addMenu(entry.title); break;
        case StatusMenuEntry::Kind::profileSubmenu: m_profileMenu = m_menu->addMenu(entry.title); break;
        case StatusMenuEntry::Kind::item: {
            QAction* item = m_menu->addAction(entry.title);
            // The shortcut is shown as a reminder; the global hot keys do the work.
            if (!entry.shortcut.isEmpty()) item->setText(entry.title + QStringLiteral("\t") + entry.shortcut);
            item->setEnabled(entry.enabled);
            const StatusMenuAction action = entry.action;
            connect(item, &QAction::triggered, this, [this, action] { dispatch(m_actions, action); });
            m_items.insert(static_cast<int>(action), item);
            break;
        }
        }
    }
    m_tray = std::make_unique<QSystemTrayIcon>(trayIcon());
    m_tray->setToolTip(StatusMenuPresentation::initialToolTip());
    m_tray->setContextMenu(m_menu.get());
    connect(m_tray.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) m_actions.showMainWindow();
    });
    m_tray->show();
}

void StatusItem::refresh(const StatusMenuPresentation& presentation, const QList<StatusMenuProviderItem>& providers,
                         const QStringList& profileNames) {
    if (!m_tray) return;
    const auto retitle = [this](StatusMenuAction action, const QString& title, std::optional<bool> checked = {}) {
        QAction* item = itemFor(action);
        if (!item) return;
        const QString text = item->text();
        const qsizetype tab = text.indexOf(QLatin1Char('\t'));
        item->setText(title + (tab >= 0 ? text.mid(tab) : QString()));
        if (checked) {
            item->setCheckable(true);
            item->setChecked(*checked);
        }
    };
    if (m_stateItem) m_stateItem->setText(presentation.stateLine);
    retitle(StatusMenuAction::statusMenuToggleTranslation, presentation.toggleTitle);
    retitle(StatusMenuAction::toggleOverlayVisibility, presentation.overlayTitle);
    retitle(StatusMenuAction::toggleOverlayClickThrough, presentation.clickThroughTitle);
    retitle(StatusMenuAction::toggleClipboardMonitoring, presentation.clipboardTitle, presentation.clipboardChecked);
    retitle(StatusMenuAction::toggleAutomaticSpeech, presentation.speechTitle, presentation.speechChecked);
    m_tray->setToolTip(presentation.toolTip);

    if (m_providerMenu) {
        m_providerMenu->clear();
        for (const StatusMenuProviderItem& entry : providers) {
            QAction* item = m_providerMenu->addAction(entry.title);
            item->setCheckable(true);
            item->setChecked(entry.checked);
            const Provider provider = entry.provider;
            connect(item, &QAction::triggered, this, [this, provider] { m_actions.selectProvider(provider); });
        }
    }
    if (m_profileMenu) {
        m_profileMenu->clear();
        if (profileNames.isEmpty()) m_profileMenu->addAction(QStringLiteral("尚未保存配置"))->setEnabled(false);
        for (const QString& name : profileNames)
            connect(m_profileMenu->addAction(name), &QAction::triggered, this, [this, name] { m_actions.statusMenuApplyProfile(name); });
    }
}

}  // namespace ovisu
