#include "app/ui/SettingsCenterWindow.h"

#include "app/ui/SettingsPageClipboard.h"
#include "app/ui/SettingsPageHotKeys.h"
#include "app/ui/SettingsPageOverlayBehavior.h"
#include "app/ui/SettingsPageRecognition.h"
#include "app/ui/SettingsPageSpeech.h"
#include "engine/ui/SettingsWindowParts.h"
#include "base/ui/WindowPresentation.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace ovisu {

SettingsCenterWindow::SettingsCenterWindow(SettingsStore& settings, SettingsCenterActions& shell,
                                           OverlaySettingsActions& overlay, RecognitionSettingsActions& recognition,
                                           QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_pageList(new QListWidget(this)),
      m_pages(new QStackedWidget(this)),
      m_storeError(makeWarningLabel(QStringLiteral("storeError"), this)) {
    setWindowTitle(QStringLiteral("设置"));
    setObjectName(QStringLiteral("settingsCenter"));

    setFont(withChineseFamily(font()));

    m_pageList->setObjectName(QStringLiteral("settingsPageList"));
    m_pageList->setFixedWidth(168);
    m_pageList->setSpacing(2);
    m_pageList->setFrameShape(QFrame::NoFrame);
    m_pageList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pageList->setStyleSheet(
        QStringLiteral("QListWidget { background: palette(window); outline: 0; }"
                       "QListWidget::item { padding: 6px 10px; border-radius: 5px; color: palette(text); }"
                       "QListWidget::item:selected { background: palette(highlight); color: palette(highlighted-text); }"));

    m_storeError->setContentsMargins(20, 4, 20, 8);

    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::VLine);
    separator->setFrameShadow(QFrame::Plain);
    separator->setForegroundRole(QPalette::Mid);

    auto* right = new QVBoxLayout;
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    right->addWidget(m_pages, 1);
    right->addWidget(m_storeError);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pageList);
    layout->addSpacing(8);
    layout->addWidget(separator);
    layout->addLayout(right, 1);

    m_stylePage = new SettingsPageOverlayStyle(settings, overlay);
    addSettingsPage(QStringLiteral("悬浮窗行为"), new SettingsPageOverlayBehavior(settings, overlay));
    addSettingsPage(QStringLiteral("悬浮窗样式"), m_stylePage);
    addSettingsPage(QStringLiteral("识别与轮询"), new SettingsPageRecognition(settings, recognition));
    addSettingsPage(QStringLiteral("剪贴板"), new SettingsPageClipboard(settings, shell));
    addSettingsPage(QStringLiteral("朗读"), new SettingsPageSpeech(settings, shell));
    addSettingsPage(QStringLiteral("快捷键与系统托盘"), new SettingsPageHotKeys(settings, shell));

    connect(m_pageList, &QListWidget::currentRowChanged, m_pages, &QStackedWidget::setCurrentIndex);
    m_pageList->setCurrentRow(0);
    resize(720, 560);
}

SettingsCenterWindow::~SettingsCenterWindow() = default;

void SettingsCenterWindow::addSettingsPage(const QString& title, SettingsPage* page) {
    m_settingsPages.append(page);
    connect(page, &SettingsPage::storeFailed, this, &SettingsCenterWindow::showStoreFailure);
    connect(page, &SettingsPage::stored, m_storeError, &QLabel::hide);
    connect(page, &SettingsPage::renderRequested, this, &SettingsCenterWindow::renderSettingsPage);
    addPage(title, page);
}

int SettingsCenterWindow::addPage(const QString& title, QWidget* page) {
    auto* scroll = new QScrollArea(m_pages);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(page);
    m_pageList->addItem(title);
    return m_pages->addWidget(scroll);
}

bool SettingsCenterWindow::showPage(const QString& title) {
    const QStringList titles = pageTitles();
    const int index = titles.indexOf(title);
    if (index < 0) return false;
    m_pageList->setCurrentRow(index);
    return true;
}

QString SettingsCenterWindow::currentPageTitle() const {
    const QListWidgetItem* item = m_pageList->currentItem();
    return item ? item->text() : QString();
}

QStringList SettingsCenterWindow::pageTitles() const {
    QStringList titles;
    for (int row = 0; row < m_pageList->count(); ++row) titles.append(m_pageList->item(row)->text());
    return titles;
}

void SettingsCenterWindow::renderSettingsPage() {
    for (SettingsPage* page : m_settingsPages) page->render();
}

void SettingsCenterWindow::present() {
    renderSettingsPage();
    if (!m_placed) {
        m_placed = true;
        centreOnScreen(*this);
    }
    bringToFront(*this);
}

void SettingsCenterWindow::setColorPicker(SettingsPageOverlayStyle::ColorPicker picker) {
    m_stylePage->setColorPicker(std::move(picker));
}

void SettingsCenterWindow::showStoreFailure(const QString& message) {
    showWarning(*m_storeError, notStoredOnDiskMessage(message));
}

}  // namespace ovisu
