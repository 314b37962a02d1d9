#include "local/LocalModelCatalogue.h"

#include "base/SettingsStore.h"

#include <QFileInfo>

namespace ovisu {

namespace {

struct ServedModelRow {
    Provider provider;
    const char* name;
    const char* alias;
    const char* defaultFile;  // under the root
    const char* pathKey;
    std::uint64_t expectedBytes;
    int port;
    const char* logName;
};

constexpr ServedModelRow kServedModels[] = {
    {Provider::sakura, "Sakura", "Sakura-1.5B-Qwen2.5-v1.0", "models/sakura-1.5b-qwen2.5-v1.0-fp16.gguf",
     "sakuraModelPath", 3560416256ULL, 8080, "llama-server.log"},
    {Provider::qwenLocal, "Qwen3", "Qwen3-1.7B-Q8_0", "models/qwen3-1.7b-q8_0.gguf", "qwenModelPath", 1834426016ULL,
     8081, "qwen3-server.log"},
    {Provider::hyMTLocal, "Hy-MT2", "Hy-MT2-1.8B-Q4_K_M", "models/Hy-MT2-1.8B-Q4_K_M.gguf", "hyMTModelPath",
     1133080448ULL, 8082, "hy-mt2-server.log"},
};

struct DownloadRow {
    const char* name;
    const char* repository;
    const char* filePath;
    const char* filename;
    std::uint64_t expectedBytes;
    const char* preferenceKey;
};

constexpr DownloadRow kDownloads[] = {
    {"Sakura 1.5B", "SakuraLLM/Sakura-1.5B-Qwen2.5-v1.0-GGUF", "resolve/main/sakura-1.5b-qwen2.5-v1.0-fp16.gguf",
     "sakura-1.5b-qwen2.5-v1.0-fp16.gguf", 3560416256ULL, "sakuraModelPath"},
    {"Qwen3 1.7B Q8_0", "Qwen/Qwen3-1.7B-GGUF", "resolve/main/Qwen3-1.7B-Q8_0.gguf", "Qwen3-1.7B-Q8_0.gguf",
     1834426016ULL, "qwenModelPath"},
    {"Hy-MT2 1.8B Q4_K_M", "tencent/Hy-MT2-1.8B-GGUF", "resolve/main/Hy-MT2-1.8B-Q4_K_M.gguf",
     "Hy-MT2-1.8B-Q4_K_M.gguf", 1133080448ULL, "hyMTModelPath"},
};

std::uint64_t fileSize(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() ? std::uint64_t(info.size()) : 0;
}

}  // namespace

LocalModelCatalogue::LocalModelCatalogue(const SettingsStore& settings, LocalInstallLayout layout)
    : m_settings(settings), m_layout(std::move(layout)) {}

std::optional<LocalModelSpec> LocalModelCatalogue::localModelSpec(Provider provider) const {
    for (const ServedModelRow& row : kServedModels) {
        if (row.provider != provider) continue;
        return LocalModelSpec{QString::fromUtf8(row.name), QString::fromUtf8(row.alias),
                              storedLocalModelPath(QString::fromUtf8(row.pathKey),
                                                   m_layout.root() + QLatin1Char('/') + QString::fromUtf8(row.defaultFile)),
                              row.expectedBytes, row.port, QString::fromUtf8(row.logName)};
    }
    return std::nullopt;
}

QString LocalModelCatalogue::storedLocalModelPath(const QString& key, const QString& fallback) const {
    const QString stored = m_settings.stringValue(key).trimmed();
    return stored.isEmpty() ? fallback : stored;
}

bool LocalModelCatalogue::localProviderIsInstalled(Provider provider) const {
    const auto modelSpec = localModelSpec(provider);
    return modelSpec && m_layout.llamaServerExecutable() && fileSize(modelSpec->modelPath) >= modelSpec->expectedBytes;
}

QString LocalModelCatalogue::ollamaModelDirectory() const {
    return storedLocalModelPath(QStringLiteral("ollamaModelDirectory"), m_layout.ollamaModelsFolder());
}

QString LocalModelCatalogue::localModelDownloadDirectory() const {
    return storedLocalModelPath(QStringLiteral("localModelDownloadDirectory"), m_layout.modelsFolder());
}

QString LocalModelCatalogue::hubURLKey() { return QStringLiteral("localModelHubURL"); }
QString LocalModelCatalogue::defaultHubURL() { return QStringLiteral("https://huggingface.co"); }

QList<DirectLocalModelDownload> LocalModelCatalogue::directModels() const {
    QString hub = m_settings.stringValue(hubURLKey()).trimmed();
    if (hub.isEmpty()) hub = defaultHubURL();
    while (hub.endsWith(QLatin1Char('/'))) hub.chop(1);
    QList<DirectLocalModelDownload> models;
    for (int index = 0; index < int(std::size(kDownloads)); ++index) {
        const DownloadRow& row = kDownloads[index];
        models.append({index, QString::fromUtf8(row.name),
                       QUrl(hub + QLatin1Char('/') + QString::fromUtf8(row.repository) + QLatin1Char('/') +
                            QString::fromUtf8(row.filePath)),
                       QString::fromUtf8(row.filename), row.expectedBytes, QString::fromUtf8(row.preferenceKey)});
    }
    return models;
}

LocalModelDownloadSelection LocalModelCatalogue::selection(int index) const {
    for (const DirectLocalModelDownload& model : directModels())
        if (model.selectionIndex == index) return model;
    switch (index) {
    case 3: return OllamaModelPull{QStringLiteral("qwen3:4b-instruct")};
    case 4: return OllamaModelPull{QStringLiteral("translategemma:4b")};
    case 5: return LibreTranslateEntry{};
    case 6: return SystemTranslationEntry{};
    default: return UnsupportedEntry{};
    }
}

QStringList LocalModelCatalogue::entryTitles() {
    return {QStringLiteral("Sakura 1.5B · GGUF（约 3.56 GB）"), QStringLiteral("Qwen3 1.7B Q8_0 · GGUF（约 1.83 GB）"),
            QStringLiteral("Hy-MT2 1.8B Q4_K_M · GGUF（约 1.13 GB）"), QStringLiteral("Ollama · Qwen3 4B Instruct"),
            QStringLiteral("Ollama · TranslateGemma 4B"), QStringLiteral("LibreTranslate / Argos 本地服务"),
            QStringLiteral("系统翻译（本系统不提供）")};
}

QString LocalModelCatalogue::entryHint(int index) {
    switch (index) {
    case 0: return QStringLiteral("支持断点续传；下载完成后会校验文件大小。");
    case 1: return QStringLiteral("来自 Qwen 官方仓库；支持断点续传和文件大小校验。");
    case 2: return QStringLiteral("来自腾讯 Hy-MT2 官方仓库；支持断点续传和文件大小校验。");
    case 3:
    case 4: return QStringLiteral("Ovisu会先在后台安装 Ollama，再自动下载模型。");
    case 5: return QStringLiteral("LibreTranslate 自动安装组件正在准备；当前可优先使用其他本地翻译。");
    case 6: return QStringLiteral("本系统没有内置翻译；请选择上面的本地模型。");
    default: return {};
    }
}

int LocalModelCatalogue::entryIndex(Provider provider) {
    switch (provider) {
    case Provider::sakura: return 0;
    case Provider::qwenLocal: return 1;
    case Provider::hyMTLocal: return 2;
    case Provider::translateGemmaLocal: return 4;
    case Provider::libreTranslate: return 5;
    case Provider::systemTranslation: return 6;
    default: return 3;
    }
}

QStringList LocalModelCatalogue::curlResumeArguments(const QUrl& sourceURL, const QString& destinationPath) {
    return {QStringLiteral("--location"), QStringLiteral("--fail"),        QStringLiteral("--continue-at"),
            QStringLiteral("-"),          QStringLiteral("--progress-bar"), QStringLiteral("--output"),
            destinationPath,              sourceURL.toString(QUrl::FullyEncoded)};
}

}  // namespace ovisu
