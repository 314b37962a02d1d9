#include "local/LocalModelDownloads.h"

#include "base/SettingsStore.h"

#include <QDir>
#include <QTimer>
#include <QFileInfo>
#include <QRegularExpression>

#include <utility>

namespace ovisu {

namespace {

// Terminal control sequences as a progress display writes them. Ollama redraws its lines by
// moving the cursor (to column 1, up a line) rather than with carriage returns, and hides the
// cursor and clears lines around the text; none of that belongs in a status line.
QString withoutTerminalControls(const QString& output) {
    if (!output.contains(QChar(0x1b))) return output;
    static const QRegularExpression cursorMoves(QStringLiteral("\\x1b\\[[0-9;?]*[ABEFGHf]"));
    static const QRegularExpression otherControls(
        QStringLiteral("\\x1b\\[[0-9;?]*[ -/]*[@-~]|\\x1b\\][^\\x07\\x1b]*(?:\\x07|\\x1b\\\\)?|\\x1b[@-_]?"));
    QString text = output;
    text.replace(cursorMoves, QStringLiteral("\n"));
    text.remove(otherControls);
    return text;
}

std::optional<QString> lastPiece(const QString& output, bool trimmed) {
    static const QRegularExpression lineBreaks(QStringLiteral("[\\r\\n]"));
    const QStringList pieces = withoutTerminalControls(output).split(lineBreaks, Qt::SkipEmptyParts);
    for (auto piece = pieces.crbegin(); piece != pieces.crend(); ++piece) {
        if (!trimmed) return *piece;
        if (const QString text = piece->trimmed(); !text.isEmpty()) return text;
    }
    return std::nullopt;
}

// curl's --progress-bar draws a row of '#' as wide as the terminal before the percentage; in a
// status line only the percentage says anything. A piece of bar alone (the output can break in
// the middle of a redraw, and curl animates "#=O-" before it knows the size) says nothing: empty.
// Other pieces (an error) stay as they are.
QString curlProgressText(const QString& piece) {
    static const QRegularExpression barWithPercentage(QStringLiteral("^\\s*#+\\s+(\\d+(?:\\.\\d+)?%)\\s*$"));
    static const QRegularExpression barAlone(QStringLiteral("^[\\s#=O-]*$"));
    if (const QRegularExpressionMatch match = barWithPercentage.match(piece); match.hasMatch()) return match.captured(1);
    return barAlone.match(piece).hasMatch() ? QString() : piece;
}

std::uint64_t fileSize(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() ? std::uint64_t(info.size()) : 0;
}

// Longer than the gap between the writes of one line, shorter than a progress display's redraw.
constexpr int kUnfinishedOutputWaitMs = 100;

QString launchFailure(const QString& description) { return QStringLiteral("启动下载失败：") + description; }

}  // namespace

bool LocalModelDownloadCompletion::succeeded() const {
    if (std::holds_alternative<Complete>(outcome)) return true;
    if (const auto* pulled = std::get_if<Pulled>(&outcome)) return pulled->exitCode == 0;
    return false;
}

QString LocalModelDownloadCompletion::message() const {
    if (const auto* complete = std::get_if<Complete>(&outcome))
        return complete->name + QStringLiteral(" 下载完成并通过文件大小校验。");
    if (const auto* interrupted = std::get_if<Interrupted>(&outcome))
        return QStringLiteral("下载中断（退出码 %1），再次点击可断点续传。").arg(interrupted->exitCode);
    if (const auto* incomplete = std::get_if<Incomplete>(&outcome))
        return QStringLiteral("文件大小不完整（%1 / %2 字节），请再次点击继续下载。")
            .arg(QString::number(incomplete->size), QString::number(incomplete->expected));
    const Pulled& pulled = std::get<Pulled>(outcome);
    if (pulled.exitCode == 0) return pulled.model + QStringLiteral(" 下载完成，可在主页选择 Ollama 本地翻译。");
    return QStringLiteral("下载失败（退出码 %1），请检查网络或 Ollama 服务。").arg(pulled.exitCode);
}

LocalModelDownloadCompletion directDownloadCompletion(const QString& name, int exitCode, std::uint64_t fileSize,
                                                      std::uint64_t expectedBytes) {
    // Only the exact size is complete: a larger file is as wrong as a short one, and curl cannot
    // tell a finished file from one the host cut short without announcing a length.
    if (exitCode != 0) return {LocalModelDownloadCompletion::Interrupted{exitCode}};
    if (fileSize == expectedBytes) return {LocalModelDownloadCompletion::Complete{name}};
    return {LocalModelDownloadCompletion::Incomplete{fileSize, expectedBytes}};
}

std::optional<QString> lastProgressPiece(const QString& output) { return lastPiece(output, false); }

std::optional<QString> lastTrimmedProgressPiece(const QString& output) { return lastPiece(output, true); }

ProgressOutputCut cutAtLastLineBreak(const QString& output) {
    static const QRegularExpression lineBreak(QStringLiteral("[\\r\\n]|\\x1b\\[[0-9;?]*[ABEFGHf]"));
    qsizetype end = 0;
    for (auto breaks = lineBreak.globalMatch(output); breaks.hasNext();) end = breaks.next().capturedEnd();
    return {output.left(end), output.mid(end)};
}

LocalModelDownloads::LocalModelDownloads(SettingsStore& settings, QObject* parent)
    : QObject(parent), m_settings(settings), m_unfinishedOutputTimer(new QTimer(this)) {
    m_unfinishedOutputTimer->setSingleShot(true);
    m_unfinishedOutputTimer->setInterval(kUnfinishedOutputWaitMs);
    connect(m_unfinishedOutputTimer, &QTimer::timeout, this, [this] {
        if (m_process) showProgress(m_unfinishedOutput);
    });
}

LocalModelDownloads::~LocalModelDownloads() { stopChild(); }

LocalModelDownloads::Start LocalModelDownloads::startDirectDownload(const DirectLocalModelDownload& model,
                                                                    const QString& directory) {
    if (isRunning()) return Start::alreadyRunning;
    const auto curl = LocalInstallLayout::systemExecutable(QStringLiteral("curl"));
    if (!curl) {
        setStatus(launchFailure(QStringLiteral("找不到 curl，请先安装 curl。")));
        return Start::failed;
    }
    if (!QDir().mkpath(directory)) {
        setStatus(launchFailure(QStringLiteral("无法创建文件夹 %1").arg(directory)));
        return Start::failed;
    }
    const QString destination = QDir(directory).filePath(model.filename);
    if (const auto stored = m_settings.setString(model.preferenceKey, destination); !stored) {
        // Without the stored path a partial file would not be found again.
        setStatus(launchFailure(stored.error()));
        return Start::failed;
    }
    // A file already at (or past) its size has nothing left to fetch: the server would refuse the
    // range and curl report an HTTP error for a file that is in fact complete.
    if (const std::uint64_t size = fileSize(destination); size >= model.expectedBytes) {
        QTimer::singleShot(0, this, [this, name = model.name, size, expected = model.expectedBytes] {
            const LocalModelDownloadCompletion completion = directDownloadCompletion(name, 0, size, expected);
            setStatus(completion.message());
            emit finished(completion);
        });
        return Start::started;
    }
    return launch(*curl, LocalModelCatalogue::curlResumeArguments(model.sourceURL, destination),
                  QProcessEnvironment::systemEnvironment(),
                  Job{true, model.name, destination, model.expectedBytes, {}, {}}, QStringLiteral("正在连接官方下载地址…"));
}

LocalModelDownloads::Start LocalModelDownloads::startOllamaPull(const QString& ollamaExecutable, const QString& model,
                                                                const QString& store, const QUrl& server) {
    if (isRunning()) return Start::alreadyRunning;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("OLLAMA_MODELS"), store);
    environment.insert(QStringLiteral("OLLAMA_HOST"), server.host() + QLatin1Char(':') + QString::number(server.port(11434)));
    return launch(ollamaExecutable, {QStringLiteral("pull"), model}, environment, Job{false, model, {}, 0, {}, {}},
                  QStringLiteral("正在下载 %1…").arg(model));
}

LocalModelDownloads::Start LocalModelDownloads::runInstallerProcess(const QString& program, const QStringList& arguments,
                                                                    InstallerProgress progress, InstallerDone done) {
    if (isRunning()) return Start::alreadyRunning;
    Job job;
    job.installerProgress = progress ? std::move(progress) : [](const QString&) {};
    job.installerDone = done ? std::move(done) : [](int) {};
    return launch(program, arguments, QProcessEnvironment::systemEnvironment(), std::move(job), {});
}

LocalModelDownloads::Start LocalModelDownloads::launch(const QString& program, const QStringList& arguments,
                                                       const QProcessEnvironment& environment, Job job,
                                                       const QString& startedStatus) {
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setProcessEnvironment(environment);
    process->setProgram(program);
    process->setArguments(arguments);
    process->start(QIODevice::ReadOnly);
    if (!process->waitForStarted()) {
        if (job.installerDone)
            job.installerDone(-1);
        else
            setStatus(launchFailure(process->errorString()));
        return Start::failed;
    }
    m_job = std::move(job);
    m_decoder.resetState();
    m_unfinishedOutput.clear();
    m_process = std::move(process);
    connect(m_process.get(), &QProcess::readyRead, this, &LocalModelDownloads::readOutput);
    connect(m_process.get(), &QProcess::finished, this, &LocalModelDownloads::processEnded);
    if (!m_job.installerDone) setStatus(startedStatus);
    return Start::started;
}

void LocalModelDownloads::readOutput() {
    if (!m_process) return;
    ProgressOutputCut cut = cutAtLastLineBreak(m_unfinishedOutput + m_decoder(m_process->readAll()));
    m_unfinishedOutput = std::move(cut.rest);
    showProgress(cut.complete);
    if (!m_unfinishedOutput.isEmpty()) m_unfinishedOutputTimer->start();
}

void LocalModelDownloads::showProgress(const QString& output) {
    if (m_job.installerProgress) {
        if (const auto piece = lastProgressPiece(output)) m_job.installerProgress(*piece);
    } else if (m_job.direct) {
        const QString progress = curlProgressText(lastProgressPiece(output).value_or(QString()));
        if (!progress.isEmpty()) setStatus(QStringLiteral("正在下载 ") + m_job.name + QStringLiteral(" · ") + progress);
    } else if (const auto piece = lastTrimmedProgressPiece(output)) {
        setStatus(*piece);
    }
}

void LocalModelDownloads::processEnded(int exitCode, QProcess::ExitStatus exitStatus) {
    readOutput();
    m_unfinishedOutputTimer->stop();
    showProgress(std::exchange(m_unfinishedOutput, QString()));  // no rest is coming
    // A child killed by a signal has no exit code of its own; it still did not finish its work.
    const int code = exitStatus == QProcess::NormalExit ? exitCode : -1;
    // The slot is free before anyone hears of the end, so a listener may start the next download.
    std::unique_ptr<QProcess> ended = std::move(m_process);
    ended->disconnect(this);
    ended.release()->deleteLater();
    if (m_job.installerDone) {
        const InstallerDone done = std::exchange(m_job.installerDone, {});
        m_job.installerProgress = {};
        done(code);
        return;
    }
    const LocalModelDownloadCompletion completion =
        m_job.direct ? directDownloadCompletion(m_job.name, code, fileSize(m_job.destination), m_job.expectedBytes)
                     : LocalModelDownloadCompletion{LocalModelDownloadCompletion::Pulled{m_job.name, code}};
    setStatus(completion.message());
    emit finished(completion);
}

void LocalModelDownloads::setStatus(const QString& status) {
    m_status = status;
    emit statusChanged(status);
}

void LocalModelDownloads::stopChild() {
    if (!m_process) return;
    m_unfinishedOutputTimer->stop();
    m_process->disconnect(this);
    m_process->kill();
    m_process->waitForFinished(3000);
    m_process.reset();
}

}  // namespace ovisu
