#include "local/ui/LocalModelManagerWindow.h"

#include "base/SettingsStore.h"
#include "base/ui/WindowPresentation.h"
#include "local/LocalModelCatalogue.h"
#include "local/LocalModelDownloads.h"
#include "local/OllamaRuntime.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace ovisu {
namespace {

// The first entries are GGUF files and Ollama models; the rest are services installed elsewhere.
constexpr int firstOllamaEntry = 3;
constexpr int firstInstallEntry = 5;

const QString downloadDirectoryKey = QStringLiteral("localModelDownloadDirectory");
const QString ollamaDirectoryKey = QStringLiteral("ollamaModelDirectory");

QLabel* greyLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Disabled, QPalette::WindowText));
    label->setPalette(palette);
    return label;
}

}  // namespace

LocalModelManagerWindow::LocalModelManagerWindow(SettingsStore& settings, LocalModelCatalogue& catalogue,
                                                 LocalModelDownloads& downloads, OllamaRuntime& ollama,
                                                 QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_settings(settings),
      m_catalogue(catalogue),
      m_downloads(downloads),
      m_ollama(ollama),
      m_chooseFolder([](QWidget* owner, const QString& current) {
          return QFileDialog::getExistingDirectory(owner, QStringLiteral("选择下载目录"), current);
      }) {
    setWindowTitle(QStringLiteral("本地翻译下载与管理"));
    setFont(withChineseFamily(font()));
    resize(620, 300);

    m_entryList = new QComboBox(this);
    m_entryList->addItems(LocalModelCatalogue::entryTitles());
    m_folderField = new QLineEdit(this);
    m_chooseFolderButton = new QPushButton(QStringLiteral("选择…"), this);
    m_statusLabel = new QLabel(QStringLiteral("准备就绪"), this);
    m_statusLabel->setWordWrap(true);
    m_statusLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_downloadButton = new QPushButton(QStringLiteral("下载 / 更新"), this);
    m_openRuntimeFolderButton = new QPushButton(QStringLiteral("打开外置运行目录"), this);
    m_installOllamaButton = new QPushButton(QStringLiteral("后台安装 Ollama"), this);
    for (QPushButton* button :
         {m_chooseFolderButton, m_downloadButton, m_openRuntimeFolderButton, m_installOllamaButton})
        button->setAutoDefault(false);

    connect(m_entryList, &QComboBox::currentIndexChanged, this, &LocalModelManagerWindow::selectionChanged);
    connect(m_chooseFolderButton, &QPushButton::clicked, this, &LocalModelManagerWindow::chooseFolder);
    connect(m_downloadButton, &QPushButton::clicked, this, &LocalModelManagerWindow::startLocalModelDownload);
    connect(m_openRuntimeFolderButton, &QPushButton::clicked, this, &LocalModelManagerWindow::openRuntimeFolder);
    connect(m_installOllamaButton, &QPushButton::clicked, this, &LocalModelManagerWindow::installOllamaRuntime);
    connect(&m_downloads, &LocalModelDownloads::statusChanged, this, &LocalModelManagerWindow::setStatus);
    connect(&m_ollama, &OllamaRuntime::statusChanged, this, &LocalModelManagerWindow::setStatus);

    auto* form = new QGridLayout;
    form->setHorizontalSpacing(10);
    form->setVerticalSpacing(8);
    form->addWidget(new QLabel(QStringLiteral("本地翻译"), this), 0, 0);
    form->addWidget(m_entryList, 0, 1, 1, 2);
    form->addWidget(new QLabel(QStringLiteral("下载目录"), this), 1, 0);
    form->addWidget(m_folderField, 1, 1);
    form->addWidget(m_chooseFolderButton, 1, 2);
    form->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addWidget(m_downloadButton);
    buttons->addWidget(m_openRuntimeFolderButton);
    buttons->addWidget(m_installOllamaButton);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 14);
    layout->setSpacing(10);
    layout->addWidget(greyLabel(QStringLiteral("选择本地翻译后直接下载；模型可保存到外接磁盘。"), this));
    layout->addLayout(form);
    layout->addWidget(m_statusLabel);
    layout->addLayout(buttons);
    layout->addStretch(1);
    layout->addWidget(greyLabel(QStringLiteral("所有组件均由Ovisu在后台下载并安装；无需打开网页或手动移动应用。"), this));

    selectionChanged();
    // The constructor's selection must not hide the greeting before anything was asked for.
    setStatus(QStringLiteral("准备就绪"));
}

void LocalModelManagerWindow::presentLocalModelManager(Provider provider) {
    // setCurrentIndex is silent when the entry is already current, yet the folder may have changed since.
    m_entryList->setCurrentIndex(LocalModelCatalogue::entryIndex(provider));
    selectionChanged();
    if (!m_placed) {
        m_placed = true;
        centreOnScreen(*this);
    }
    bringToFront(*this);
}

void LocalModelManagerWindow::selectionChanged() {
    const int index = m_entryList->currentIndex();
    const bool downloadable = index < firstInstallEntry;
    m_downloadButton->setText(downloadable ? QStringLiteral("下载 / 更新") : QStringLiteral("打开安装入口"));
    m_folderField->setEnabled(downloadable);
    m_chooseFolderButton->setEnabled(downloadable);
    if (index >= firstOllamaEntry && index < firstInstallEntry)
        m_folderField->setText(m_catalogue.ollamaModelDirectory());
    else if (index < firstOllamaEntry)
        m_folderField->setText(m_catalogue.localModelDownloadDirectory());
    setStatus(LocalModelCatalogue::entryHint(index));
}

void LocalModelManagerWindow::chooseFolder() {
    if (!m_chooseFolder)
        return;
    const QString folder = m_chooseFolder(this, m_folderField->text().trimmed());
    if (folder.isEmpty())
        return;
    m_folderField->setText(folder);
    const QString key = m_entryList->currentIndex() < firstOllamaEntry ? downloadDirectoryKey : ollamaDirectoryKey;
    if (const auto stored = m_settings.setString(key, folder); !stored)
        setStatus(stored.error());
}

void LocalModelManagerWindow::startLocalModelDownload() {
    // One child at a time: a second press must not touch the settings of the download underway.
    if (m_downloads.isRunning())
        return;
    const LocalModelDownloadSelection selection = m_catalogue.selection(m_entryList->currentIndex());
    if (std::holds_alternative<LibreTranslateEntry>(selection))
        return setStatus(QStringLiteral("LibreTranslate 自动安装组件尚未包含在此构建，请先使用其他本地翻译。"));
    if (std::holds_alternative<SystemTranslationEntry>(selection))
        return setStatus(QStringLiteral("本系统没有内置翻译，请选择上面的本地模型。"));
    if (std::holds_alternative<UnsupportedEntry>(selection))
        return;

    const QString folder = m_folderField->text().trimmed();
    if (!QDir().mkpath(folder))
        return setStatus(QStringLiteral("无法创建下载目录：") + folder);

    if (const auto* direct = std::get_if<DirectLocalModelDownload>(&selection)) {
        m_settings.setString(downloadDirectoryKey, folder);
        m_downloads.startDirectDownload(*direct, folder);
        return;
    }

    m_settings.setString(ollamaDirectoryKey, folder);
    // The runtime outlives this window in the program, but not necessarily in a test.
    QPointer<LocalModelManagerWindow> window(this);
    m_ollama.pullModel(std::get<OllamaModelPull>(selection).model, [window](const QString& error) {
        if (window) window->setStatus(error);
    });
}

void LocalModelManagerWindow::openRuntimeFolder() {
    const QString folder = m_catalogue.layout().runtimeFolder();
    QDir().mkpath(folder);
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

void LocalModelManagerWindow::installOllamaRuntime() {
    QPointer<LocalModelManagerWindow> window(this);
    m_ollama.installOllamaRuntimeIfNeeded(true, [window](std::optional<QString> error) {
        if (!window)
            return;
        // The selection is refreshed first so that its hint does not replace the outcome.
        window->selectionChanged();
        window->setStatus(error ? *error : QStringLiteral("Ollama 运行组件安装完成。"));
    });
}

void LocalModelManagerWindow::setStatus(const QString& status) { m_statusLabel->setText(status); }

}  // namespace ovisu
