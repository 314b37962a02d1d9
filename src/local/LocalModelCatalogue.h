#pragma once

#include "engine/Provider.h"
#include "local/LocalInstallLayout.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <cstdint>
#include <optional>
#include <variant>

namespace ovisu {

class SettingsStore;

// A GGUF model served by llama-server: what the program starts, probes and names.
struct LocalModelSpec {
    QString name;       // short display name of every status message
    QString alias;      // the model name the server announces and requests name
    QString modelPath;  // the GGUF file (the path setting, else the default file under the root)
    std::uint64_t expectedBytes = 0;  // the complete file's exact size
    int port = 0;       // loopback port of this model's server
    QString logName;    // file name under logs/
    friend bool operator==(const LocalModelSpec&, const LocalModelSpec&) = default;
};

// A model file the manager downloads itself, resuming a partial file.
struct DirectLocalModelDownload {
    int selectionIndex = 0;
    QString name;
    QUrl sourceURL;
    QString filename;
    std::uint64_t expectedBytes = 0;
    QString preferenceKey;  // the path setting written once the download starts
    friend bool operator==(const DirectLocalModelDownload&, const DirectLocalModelDownload&) = default;
};

// What a manager entry does.
struct OllamaModelPull {
    QString model;
    friend bool operator==(const OllamaModelPull&, const OllamaModelPull&) = default;
};
struct LibreTranslateEntry {
    friend bool operator==(const LibreTranslateEntry&, const LibreTranslateEntry&) = default;
};
struct SystemTranslationEntry {
    friend bool operator==(const SystemTranslationEntry&, const SystemTranslationEntry&) = default;
};
struct UnsupportedEntry {
    friend bool operator==(const UnsupportedEntry&, const UnsupportedEntry&) = default;
};
using LocalModelDownloadSelection =
    std::variant<DirectLocalModelDownload, OllamaModelPull, LibreTranslateEntry, SystemTranslationEntry, UnsupportedEntry>;

// The local translation sources' models: the llama-server specs, the manager's seven entries
// and the rules that map them to files and actions. Pure lookups over the settings and the disk.
class LocalModelCatalogue {
public:
    LocalModelCatalogue(const SettingsStore& settings, LocalInstallLayout layout);

    const LocalInstallLayout& layout() const { return m_layout; }

    // sakura, qwenLocal and hyMTLocal; none for every other source.
    std::optional<LocalModelSpec> localModelSpec(Provider provider) const;
    // The trimmed path setting, else the fallback.
    QString storedLocalModelPath(const QString& key, const QString& fallback) const;
    // A server to run and a model file at least the expected size (a larger one counts too;
    // a download is only complete at the exact size).
    bool localProviderIsInstalled(Provider provider) const;
    // The trimmed "ollamaModelDirectory" setting, else root/models/ollama.
    QString ollamaModelDirectory() const;
    // The trimmed "localModelDownloadDirectory" setting, else root/models.
    QString localModelDownloadDirectory() const;

    // The three GGUF downloads, their sources on the model hub ("localModelHubURL", by default
    // the public hub) with the repository and file path appended.
    QList<DirectLocalModelDownload> directModels() const;
    LocalModelDownloadSelection selection(int index) const;

    static constexpr int entryCount = 7;
    static QStringList entryTitles();
    static QString entryHint(int index);
    // The entry the manager selects when it is opened for a source.
    static int entryIndex(Provider provider);

    // curl resumes a partial file (--continue-at -) and fails on an HTTP error (--fail).
    static QStringList curlResumeArguments(const QUrl& sourceURL, const QString& destinationPath);

    static QString hubURLKey();       // "localModelHubURL"
    static QString defaultHubURL();   // https://huggingface.co

private:
    const SettingsStore& m_settings;
    LocalInstallLayout m_layout;
};

}  // namespace ovisu
