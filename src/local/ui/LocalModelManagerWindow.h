#pragma once

#include "engine/Provider.h"

#include <QString>
#include <QWidget>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ovisu {

class LocalModelCatalogue;
class LocalModelDownloads;
class OllamaRuntime;
class SettingsStore;

// "本地翻译下载与管理": picks one of the catalogue's entries, the folder its model goes to, and
// starts its download (installing the Ollama runtime first when an Ollama model needs it). Built
// once and kept; closing only hides it, so a running download keeps reporting here.
class LocalModelManagerWindow : public QWidget {
    Q_OBJECT
public:
    // Asks for a folder, starting at `current`; empty when the user cancelled. A hook so tests
    // need no modal file dialog.
    using FolderChooser = std::function<QString(QWidget* parent, const QString& current)>;

    LocalModelManagerWindow(SettingsStore& settings, LocalModelCatalogue& catalogue, LocalModelDownloads& downloads,
                            OllamaRuntime& ollama, QWidget* parent = nullptr);

    // Shows the window with the source's entry selected.
    void presentLocalModelManager(Provider provider);

    // The buttons' actions.
    void startLocalModelDownload();
    void chooseFolder();
    void openRuntimeFolder();
    void installOllamaRuntime();

    void setFolderChooser(FolderChooser chooser) { m_chooseFolder = std::move(chooser); }

    QComboBox* entryList() const { return m_entryList; }
    QLineEdit* folderField() const { return m_folderField; }
    QLabel* statusLabel() const { return m_statusLabel; }
    QPushButton* downloadButton() const { return m_downloadButton; }
    QPushButton* chooseFolderButton() const { return m_chooseFolderButton; }
    QPushButton* openRuntimeFolderButton() const { return m_openRuntimeFolderButton; }
    QPushButton* installOllamaButton() const { return m_installOllamaButton; }

private:
    void selectionChanged();
    void setStatus(const QString& status);

    SettingsStore& m_settings;
    LocalModelCatalogue& m_catalogue;
    LocalModelDownloads& m_downloads;
    OllamaRuntime& m_ollama;
    FolderChooser m_chooseFolder;
    QComboBox* m_entryList = nullptr;
    QLineEdit* m_folderField = nullptr;
    QLabel* m_statusLabel = nullptr;
    QPushButton* m_downloadButton = nullptr;
    QPushButton* m_chooseFolderButton = nullptr;
    QPushButton* m_openRuntimeFolderButton = nullptr;
    QPushButton* m_installOllamaButton = nullptr;
    bool m_placed = false;
};

}  // namespace ovisu
