#include "app/HistoryCommand.h"

#include "app/CommandSupport.h"
#include "base/AtomicFile.h"
#include "history/TranslationHistoryStore.h"
#include "history/TranslationHistoryText.h"

#include <QCommandLineParser>

namespace ovisu {

int runHistoryCommand(const QStringList& arguments, CommandStreams& streams) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Show the saved translation history, newest first."));
    const QCommandLineOption exportOption("export", QStringLiteral("Write the history to FILE as UTF-8 text."),
                                          "FILE");
    parser.addOption(exportOption);
    if (const auto exit = parseCommandArguments(parser, arguments, streams)) return *exit;
    if (!parser.positionalArguments().isEmpty()) {
        streams.err << "ovisu history: unexpected argument '" << parser.positionalArguments().constFirst() << "'\n";
        return 2;
    }

    const TranslationHistoryStore store;
    const TranslationHistoryStore::LoadResult loaded = store.loadWithStatus();
    // The file is kept as it is; the next saved translation moves it aside.
    if (loaded.unreadable)
        streams.err << "ovisu history: the history file cannot be read and is left untouched: " << loaded.error
                    << "\n";

    if (!parser.isSet(exportOption)) {
        streams.out << (loaded.records.isEmpty() ? emptyHistoryText() : historyPlainText(loaded.records)) << "\n";
        return 0;
    }

    const QString destination = parser.value(exportOption);
    if (destination.isEmpty()) {
        streams.err << "ovisu history: --export needs a file name\n";
        return 2;
    }
    if (loaded.records.isEmpty()) {
        streams.err << "ovisu history: " << emptyHistoryText() << " Nothing was exported.\n";
        return 1;
    }
    if (const auto written = writeFileAtomically(destination, historyPlainText(loaded.records).toUtf8());
        !written) {
        streams.err << "ovisu history: " << written.error() << "\n";
        return 1;
    }
    streams.out << "Exported " << loaded.records.size() << (loaded.records.size() == 1 ? " record" : " records")
                << " to " << destination << "\n";
    return 0;
}

}  // namespace ovisu
