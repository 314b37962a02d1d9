#include "local/LocalInstaller.h"

#include "base/SettingsStore.h"
#include "local/LocalModelCatalogue.h"
#include "local/LocalModelDownloads.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

#include <memory>

namespace ovisu {

namespace {

std::uint64_t fileSize(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() ? std::uint64_t(info.size()) : 0;
}

QString unsupportedModel() { return QStringLiteral("不支持的本地翻译模型。"); }

std::optional<QString> makeFolder(const QString& folder) {
    if (QDir().mkpath(folder)) return std::nullopt;
    return QStringLiteral("无法创建本地翻译目录：") + folder;
}

}  // namespace

LocalInstaller::LocalInstaller(SettingsStore& settings, const LocalModelCatalogue& catalogue,
                               LocalModelDownloads& downloads, LlamaServerService& service, QObject* parent)
    : QObject(parent), m_settings(settings), m_catalogue(catalogue), m_downloads(downloads), m_service(service) {}

QString LocalInstaller::runtimeURLKey() { return QStringLiteral("llamaRuntimeURL"); }

QUrl LocalInstaller::defaultRuntimeURL() {
    const QString release = LocalInstallLayout::llamaRelease();
    return QUrl(
        QStringLiteral("https://github.com/ggml-org/llama.cpp/releases/download/%1/llama-%1-bin-ubuntu-x64.tar.gz")
            .arg(release));
}

QUrl LocalInstaller::runtimeURL() const {
    const QString stored = m_settings.stringValue(runtimeURLKey()).trimmed();
    return stored.isEmpty() ? defaultRuntimeURL() : QUrl(stored);
}

std::optional<DirectLocalModelDownload> LocalInstaller::directDownload(Provider provider) const {
    const int index = LocalModelCatalogue::entryIndex(provider);
    for (const DirectLocalModelDownload& model : m_catalogue.directModels())
        if (model.selectionIndex == index) return model;
    return std::nullopt;
}

std::optional<QString> LocalInstaller::runStep(Provider provider, const QString& status, const QString& program,
                                              const QStringList& arguments, std::function<void(int exitCode)> done) {
    const auto executable = LocalInstallLayout::systemExecutable(program);
    if (!executable) return QStringLiteral("找不到 %1，请先安装 %1。").arg(program);
    // A launch that fails answers -1 inside runInstallerProcess; that answer is this call's
    // return value instead, so no step goes on after it.
    auto launched = std::make_shared<bool>(false);
    QPointer<LocalInstaller> self(this);
    const LocalModelDownloads::Start start = m_downloads.runInstallerProcess(
        *executable, arguments,
        [self, provider](const QString& piece) {
            if (self) self->setStatus(provider, QStringLiteral("后台安装中 · ") + piece);
        },
        [self, launched, done = std::move(done)](int exitCode) {
            if (self && *launched) done(exitCode);
        });
    switch (start) {
    case LocalModelDownloads::Start::started:
        *launched = true;
        setStatus(provider, status);
        return std::nullopt;
    case LocalModelDownloads::Start::alreadyRunning: return QStringLiteral("另一个下载正在进行，请等它结束后再次点击启动。");
    case LocalModelDownloads::Start::failed: break;
    }
    return QStringLiteral("无法启动 %1，请再次点击启动重试。").arg(program);
}

void LocalInstaller::installLocalRuntimeIfNeeded(Provider provider, StepDone done) {
    const LocalInstallLayout& layout = m_catalogue.layout();
    if (layout.llamaServerExecutable()) {
        done(std::nullopt);
        return;
    }
    if (const auto error = makeFolder(layout.runtimeFolder())) {
        done(error);
        return;
    }
    const QUrl source = runtimeURL();
    QString archiveName = source.fileName();
    if (archiveName.isEmpty()) archiveName = defaultRuntimeURL().fileName();
    const QString archive = layout.runtimeFolder() + QLatin1Char('/') + archiveName;

    QPointer<LocalInstaller> self(this);
    const auto fetched = [self, provider, archive, done](int exitCode) {
        if (!self) return;
        if (exitCode != 0) {
            done(QStringLiteral("运行组件下载失败（退出码 %1），请检查网络后再次点击启动。").arg(exitCode));
            return;
        }
        self->unpackRuntime(provider, archive, done);
    };
    const auto refused = runStep(provider, QStringLiteral("正在后台下载本地运行组件…"), QStringLiteral("curl"),
                                 LocalModelCatalogue::curlResumeArguments(source, archive), fetched);
    if (refused) done(refused);
}

void LocalInstaller::unpackRuntime(Provider provider, const QString& archive, StepDone done) {
    const LocalInstallLayout& layout = m_catalogue.layout();
    const QString installFailed = QStringLiteral("运行组件安装失败，请再次点击启动重试。");
    if (const auto error = makeFolder(layout.llamaRuntimeFolder())) {
        done(error);
        return;
    }
    const auto unpacked = [archive, installFailed, server = layout.bundledLlamaServer(), done](int exitCode) {
        if (exitCode != 0) {
            // curl only ends well once it holds the length the host announced, so an archive tar
            // cannot read is damaged, not short: resuming it would fail the same way on every
            // press. The next press fetches it anew.
            QFile::remove(archive);
            done(installFailed);
            return;
        }
        if (!LocalInstallLayout::isExecutableFile(server)) {
            done(installFailed);
            return;
        }
        done(std::nullopt);
    };
    const auto refused =
        runStep(provider, QStringLiteral("正在安装本地运行组件…"), QStringLiteral("tar"),
                {QStringLiteral("-xzf"), archive, QStringLiteral("-C"), layout.llamaRuntimeFolder()}, unpacked);
    if (refused) done(refused);
}

void LocalInstaller::installLocalModelIfNeeded(Provider provider, StepDone done) {
    const auto modelSpec = m_catalogue.localModelSpec(provider);
    const auto download = directDownload(provider);
    if (!modelSpec || !download) {
        done(unsupportedModel());
        return;
    }
    if (fileSize(modelSpec->modelPath) >= modelSpec->expectedBytes) {
        done(std::nullopt);
        return;
    }
    if (const auto error = makeFolder(QFileInfo(modelSpec->modelPath).path())) {
        done(error);
        return;
    }
    const auto fetched = [path = modelSpec->modelPath, name = modelSpec->name, expected = modelSpec->expectedBytes,
                          done](int exitCode) {
        if (exitCode == 0 && fileSize(path) >= expected) {
            done(std::nullopt);
            return;
        }
        done(QStringLiteral("%1 下载未完成，可再次点击启动继续下载。").arg(name));
    };
    // Into the model file itself: the server reads it there, and a later press resumes it.
    const auto refused =
        runStep(provider, QStringLiteral("正在后台下载 %1 模型…").arg(modelSpec->name), QStringLiteral("curl"),
                LocalModelCatalogue::curlResumeArguments(download->sourceURL, modelSpec->modelPath), fetched);
    if (refused) done(refused);
}

bool LocalInstaller::installAndStartLocalProvider(Provider provider) {
    if (m_installing || m_downloads.isRunning()) return false;
    const auto modelSpec = m_catalogue.localModelSpec(provider);
    if (!modelSpec) return false;

    m_installing = provider;
    m_failures.erase(provider);
    setStatus(provider, QStringLiteral("后台安装中…"));
    for (const QString& folder : {m_catalogue.layout().runtimeFolder(), QFileInfo(modelSpec->modelPath).path()}) {
        if (const auto error = makeFolder(folder)) {
            finishAutomaticLocalInstall(provider, error);
            return true;
        }
    }
    QPointer<LocalInstaller> self(this);
    installLocalRuntimeIfNeeded(provider, [self, provider](std::optional<QString> error) {
        if (!self) return;
        if (error) {
            self->finishAutomaticLocalInstall(provider, error);
            return;
        }
        self->installLocalModelIfNeeded(provider, [self, provider](std::optional<QString> error) {
            if (self) self->finishAutomaticLocalInstall(provider, error);
        });
    });
    return true;
}

void LocalInstaller::finishAutomaticLocalInstall(Provider provider, const std::optional<QString>& error) {
    m_installing.reset();
    m_lastStatus.erase(provider);
    if (error) {
        m_failures[provider] = *error;
        setStatus(provider, *error);
        return;
    }
    // The service says how the launch goes, and why when it cannot happen.
    (void)m_service.start(provider);
}

QString LocalInstaller::retryTitle(Provider provider) const {
    if (!m_failures.contains(provider)) return {};
    const auto modelSpec = m_catalogue.localModelSpec(provider);
    return modelSpec ? QStringLiteral("重试安装并启动 %1").arg(modelSpec->name) : QString();
}

LocalServiceRow LocalInstaller::serviceRow(Provider provider) const {
    LocalServiceRow row = m_service.serviceRow(provider);
    if (!row.visible) return row;
    if (m_installing == provider) {
        const auto status = m_lastStatus.find(provider);
        row.status = status != m_lastStatus.end() ? status->second : QStringLiteral("后台安装中…");
        row.buttonTitle = QStringLiteral("后台安装中…");
        row.buttonEnabled = false;
        return row;
    }
    if (const auto failure = m_failures.find(provider); failure != m_failures.end() && !m_service.isRunning(provider)) {
        row.status = failure->second;
        row.buttonTitle = retryTitle(provider);
        row.buttonEnabled = true;
    }
    return row;
}

void LocalInstaller::setStatus(Provider provider, const QString& status) {
    if (m_installing == provider) m_lastStatus[provider] = status;
    emit statusChanged(provider, status);
}

}  // namespace ovisu
