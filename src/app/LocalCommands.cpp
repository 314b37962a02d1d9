#include "app/LocalCommands.h"

#include "app/CommandSupport.h"
#include "app/LocalServiceCommands.h"
#include "app/LocalServices.h"
#include "app/TextTable.h"
#include "engine/HttpTransport.h"
#include "base/SettingsStore.h"
#include "local/LocalModelCatalogue.h"
#include "local/LocalModelDownloads.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>

#include <functional>

namespace ovisu {
namespace {

const char* const kUsage = "usage: ovisu local download INDEX [--dir FOLDER]";

// Where an entry's GGUF file is read from: the path stored by an earlier download, else where a
// download would put it now.
QString modelFilePath(const LocalModelCatalogue& catalogue, const DirectLocalModelDownload& model) {
    return catalogue.storedLocalModelPath(model.preferenceKey,
                                          QDir(catalogue.localModelDownloadDirectory()).filePath(model.filename));
}

QString fileState(const QString& path, std::uint64_t expectedBytes) {
    const QFileInfo info(path);
    if (!info.isFile()) return QStringLiteral("not downloaded");
    const auto size = std::uint64_t(info.size());
    if (size == expectedBytes) return QStringLiteral("complete");
    return QStringLiteral("%1 %2 / %3 bytes")
        .arg(size < expectedBytes ? QStringLiteral("partial") : QStringLiteral("larger than expected"),
             QString::number(size), QString::number(expectedBytes));
}

int listModels(const LocalModelCatalogue& catalogue, CommandStreams& streams) {
    const QStringList titles = LocalModelCatalogue::entryTitles();
    TextTable table({QStringLiteral("#"), QStringLiteral("entry"), QStringLiteral("state"), QStringLiteral("path")});
    for (int index = 0; index < LocalModelCatalogue::entryCount; ++index) {
        QString state = QStringLiteral("-");
        QString path = QStringLiteral("-");
        const LocalModelDownloadSelection selection = catalogue.selection(index);
        if (const auto* model = std::get_if<DirectLocalModelDownload>(&selection)) {
            path = modelFilePath(catalogue, *model);
            state = fileState(path, model->expectedBytes);
        } else if (const auto* pull = std::get_if<OllamaModelPull>(&selection)) {
            state = QStringLiteral("Ollama model %1").arg(pull->model);
            path = catalogue.ollamaModelDirectory();
        }
        table.addRow({QString::number(index), titles.value(index), state, path});
    }
    streams.out << table.render();
    const auto server = catalogue.layout().llamaServerExecutable();
    streams.out << "\nllama-server: " << (server ? *server : QStringLiteral("not found")) << "\n";
    return 0;
}

// Runs one download in the slot until it ends, with progress on standard error and the
// manager's result text on standard output. `start` begins it and returns the text of a failure
// that happened before anything was fetched.
int runDownload(LocalModelDownloads& downloads, const std::function<std::optional<QString>(QEventLoop&)>& start,
                CommandStreams& streams) {
    // Progress only: the final text goes to standard output once the download has ended.
    QObject::connect(&downloads, &LocalModelDownloads::statusChanged, [&](const QString& status) {
        if (downloads.isRunning()) {
            streams.err << status << "\n";
            streams.err.flush();
        }
    });
    std::optional<LocalModelDownloadCompletion> completion;
    QEventLoop loop;
    QObject::connect(&downloads, &LocalModelDownloads::finished, &loop,
                     [&](const LocalModelDownloadCompletion& ended) {
                         completion = ended;
                         loop.quit();
                     });
    if (const auto failure = start(loop)) {
        streams.err << "ovisu local download: " << *failure << "\n";
        return 1;
    }
    if (!completion) {
        streams.err << "ovisu local download: stopped before the download ended; run it again to resume\n";
        return 1;
    }
    streams.out << completion->message() << "\n";
    return completion->succeeded() ? 0 : 1;
}

int download(LocalModelCatalogue& catalogue, SettingsStore& settings, const QString& indexArgument,
             const std::optional<QString>& folderArgument, CommandStreams& streams) {
    bool isNumber = false;
    const int index = indexArgument.toInt(&isNumber);
    if (!isNumber || index < 0 || index >= LocalModelCatalogue::entryCount) {
        streams.err << "ovisu local download: '" << indexArgument << "' is not an entry's index (0 to "
                    << LocalModelCatalogue::entryCount - 1 << ", as 'ovisu local models' shows them)\n";
        return 2;
    }
    const LocalModelDownloadSelection selection = catalogue.selection(index);
    const auto* model = std::get_if<DirectLocalModelDownload>(&selection);
    const auto* pull = std::get_if<OllamaModelPull>(&selection);
    if (!model && !pull) {
        streams.err << "ovisu local download: " << LocalModelCatalogue::entryHint(index) << "\n";
        return 2;
    }

    QString folder = folderArgument ? folderArgument->trimmed()
                                    : (model ? catalogue.localModelDownloadDirectory() : catalogue.ollamaModelDirectory());
    if (folder.isEmpty()) {
        streams.err << "ovisu local download: --dir needs a folder\n";
        return 2;
    }
    // Stored for the desktop manager and later runs, which do not share this working directory.
    folder = QFileInfo(folder).absoluteFilePath();
    const QString folderKey = model ? QStringLiteral("localModelDownloadDirectory") : QStringLiteral("ollamaModelDirectory");
    if (const auto stored = settings.setString(folderKey, folder); !stored) {
        streams.err << "ovisu local download: " << stored.error() << "\n";
        return 1;
    }
    if (!QDir().mkpath(folder)) {
        streams.err << "ovisu local download: 无法创建下载目录：" << folder << "\n";
        return 1;
    }

    if (model) {
        LocalModelDownloads downloads(settings);
        return runDownload(
            downloads,
            [&](QEventLoop& loop) -> std::optional<QString> {
                if (downloads.startDirectDownload(*model, folder) != LocalModelDownloads::Start::started)
                    return downloads.status();
                loop.exec();
                return std::nullopt;
            },
            streams);
    }
    // The pull goes through the Ollama server, which this command starts (and stops again when
    // it ends) unless one runs already.
    HttpTransport transport;
    LocalServices services(settings, transport);
    QObject::connect(&services.ollama(), &OllamaRuntime::statusChanged, [&](const QString& status) {
        streams.err << status << "\n";
        streams.err.flush();
    });
    return runDownload(
        services.downloads(),
        [&](QEventLoop& loop) -> std::optional<QString> {
            std::optional<QString> failure;
            services.ollama().pullModel(pull->model, [&](const QString& error) {
                failure = error;
                loop.quit();
            });
            if (!failure) loop.exec();
            return failure;
        },
        streams);
}

}  // namespace

int runLocalCommand(const QStringList& arguments, CommandStreams& streams) {
    // Further subcommands join this table.
    const CommandActions actions("local", {{"models", 1, "takes no further arguments"},
                                           {"download", 2, kUsage},
                                           {"start", 2, "usage: ovisu local start PROVIDER"},
                                           {"stop", 2, "usage: ovisu local stop PROVIDER"},
                                           {"status", 2, "usage: ovisu local status PROVIDER"}});
    const QString named = arguments.value(1);
    static const QStringList kNames{"models", "download", "start", "stop", "status"};
    if (!named.isEmpty() && !named.startsWith(QLatin1Char('-')) && !kNames.contains(named)) {
        streams.err << "ovisu local: 未知的 local 子命令 '" << named << "'（可用：" << kNames.join(QStringLiteral("、"))
                    << "）\n";
        return 2;
    }
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "The local translation models. 'models' lists the model manager's entries with their files; "
        "'download INDEX' fetches a GGUF model, resuming a partial file, and checks its size, or pulls an "
        "Ollama model through the Ollama server (installed and started when needed); "
        "'start PROVIDER' runs the llama-server of a GGUF source, or the Ollama server of an Ollama source, "
        "until Ctrl+C; 'stop PROVIDER' ends one started so; 'status PROVIDER' says what serves it."));
    actions.addArgument(parser);
    parser.addPositionalArgument("arguments", QStringLiteral("download INDEX | start|stop|status PROVIDER"));
    const QCommandLineOption folderOption(
        "dir", QStringLiteral("download: the folder to download into (remembered for the next download)."),
        "FOLDER");
    parser.addOption(folderOption);
    const auto chosen = actions.parse(parser, arguments, streams);
    if (!chosen) return chosen.error();
    if (parser.isSet(folderOption) && *chosen != QLatin1String("download")) {
        streams.err << "ovisu local " << *chosen << ": --dir applies to download only\n";
        return 2;
    }

    SettingsStore settings;
    LocalModelCatalogue catalogue(settings, LocalInstallLayout::resolve());
    if (*chosen == QLatin1String("models")) return listModels(catalogue, streams);
    const QString argument = parser.positionalArguments().at(1);
    if (*chosen == QLatin1String("start")) return runLocalServiceStart(argument, settings, catalogue, streams);
    if (*chosen == QLatin1String("stop")) return runLocalServiceStop(argument, catalogue, streams);
    if (*chosen == QLatin1String("status")) return runLocalServiceStatus(argument, settings, catalogue, streams);
    return download(catalogue, settings, parser.positionalArguments().at(1),
                    parser.isSet(folderOption) ? std::optional(parser.value(folderOption)) : std::nullopt, streams);
}

}  // namespace ovisu
