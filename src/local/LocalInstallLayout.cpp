#include "local/LocalInstallLayout.h"

#include "base/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace ovisu {

LocalInstallLayout::LocalInstallLayout(QString root) : m_root(QDir::cleanPath(std::move(root))) {}

QStringList LocalInstallLayout::defaultExternalDiskFolders() {
    const QString user = qEnvironmentVariable("USER");
    if (user.isEmpty()) return {};
    return {QStringLiteral("/media/%1/Drevio/Ovisu-Sakura").arg(user),
            QStringLiteral("/run/media/%1/Drevio/Ovisu-Sakura").arg(user)};
}

LocalInstallLayout LocalInstallLayout::resolve(const QStringList& externalDiskFolders) {
    // Existence alone decides, as a mount point that is not a folder yet still means the disk.
    for (const QString& folder : externalDiskFolders)
        if (QFileInfo::exists(folder)) return LocalInstallLayout(folder);
    return LocalInstallLayout(paths::ovisuFolder() + QStringLiteral("/LocalTranslation"));
}

QString LocalInstallLayout::modelsFolder() const { return m_root + QStringLiteral("/models"); }
QString LocalInstallLayout::ollamaModelsFolder() const { return m_root + QStringLiteral("/models/ollama"); }
QString LocalInstallLayout::runtimeFolder() const { return m_root + QStringLiteral("/runtime"); }
QString LocalInstallLayout::logsFolder() const { return m_root + QStringLiteral("/logs"); }

QString LocalInstallLayout::llamaRelease() { return QStringLiteral("b10408"); }

QString LocalInstallLayout::llamaRuntimeFolder() const {
    return runtimeFolder() + QStringLiteral("/llama-") + llamaRelease();
}

QString LocalInstallLayout::bundledLlamaServer() const {
    return llamaRuntimeFolder() + QStringLiteral("/llama-") + llamaRelease() + QStringLiteral("/llama-server");
}

std::optional<QString> LocalInstallLayout::llamaServerExecutable() const {
    if (isExecutableFile(bundledLlamaServer())) return bundledLlamaServer();
    return systemExecutable(QStringLiteral("llama-server"));
}

QString LocalInstallLayout::bundledOllama() const { return runtimeFolder() + QStringLiteral("/bin/ollama"); }

std::optional<QString> LocalInstallLayout::ollamaExecutable() const {
    if (isExecutableFile(bundledOllama())) return bundledOllama();
    return systemExecutable(QStringLiteral("ollama"));
}

std::optional<QString> LocalInstallLayout::systemExecutable(const QString& program) {
    const QString onPath = QStandardPaths::findExecutable(program);
    if (!onPath.isEmpty()) return onPath;
    for (const QString& folder : {QStringLiteral("/usr/local/bin"), QStringLiteral("/usr/bin")})
        if (const QString path = folder + QLatin1Char('/') + program; isExecutableFile(path)) return path;
    return std::nullopt;
}

bool LocalInstallLayout::isExecutableFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

}  // namespace ovisu
