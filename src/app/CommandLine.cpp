#include "app/CommandLine.h"

#include "app/CredentialsCommand.h"
#include "app/DiagnosticsCommand.h"
#include "app/HistoryCommand.h"
#include "app/LocalCommands.h"
#include "app/OcrCommand.h"
#include "app/ProfileCommands.h"
#include "app/ProviderCommands.h"
#include "app/TranslateCommand.h"
#include "app/UIStoreCommands.h"
#include "app/WatchCommand.h"
#include "app/InterfaceCommand.h"
#include "app/WindowCommands.h"
#include "base/ApplicationVersion.h"

#include <QCommandLineParser>

namespace ovisu {
namespace {

struct Command {
    const char* name;
    const char* summary;
    int (*run)(const QStringList& arguments, CommandStreams& streams);
};

const Command kCommands[] = {
    {"providers", "List the 26 translation sources and whether each is ready", runProvidersCommand},
    {"request", "Show the HTTP request a source would send for a text (secrets masked)", runRequestCommand},
    {"parse", "Show what a source makes of a response or error body", runParseCommand},
    {"credentials", "Set, delete or list stored secrets", runCredentialsCommand},
    {"translate", "Translate a text through the whole pipeline", runTranslateCommand},
    {"history", "Show or export the saved translation history", runHistoryCommand},
    {"profiles", "List, save, apply or delete translation profiles", runProfilesCommand},
    {"presets", "List, import or export prompt presets", runPresetsCommand},
    {"windows", "List the windows that can be translated", runWindowsCommand},
    {"capture", "Capture a window (or its subtitle region) to a PNG file", runCaptureCommand},
    {"ocr", "Recognise the Japanese text of an image as the realtime loop would", runOcrCommand},
    {"watch", "Translate each new line of dialogue in a game window as it appears", runWatchCommand},
    {"interface", "Translate the menus, buttons and status texts of a game window", runInterfaceCommand},
    {"ui-dictionary", "List, add or remove fixed interface terms", runUIDictionaryCommand},
    {"ui-cache", "List or clear interface translations and manual corrections", runUICacheCommand},
    {"local", "List the local translation models or download one", runLocalCommand},
    {"diagnostics", "Write the complete diagnostic package to a zip file (keys masked)", runDiagnosticsCommand},
};

QString usage() {
    QString text = QStringLiteral("Usage: ovisu [command] [options]\n\n"
                                  "Without a command, starts the desktop program.\n\nCommands:\n");
    for (const Command& command : kCommands)
        text += QStringLiteral("  %1  %2\n").arg(QString::fromLatin1(command.name), -13).arg(QString::fromLatin1(command.summary));
    text += QStringLiteral("\nRun 'ovisu <command> --help' for a command's options.\n");
    return text;
}

}  // namespace

bool namesCommand(const QStringList& arguments) {
    return arguments.size() > 1 && !arguments.at(1).startsWith(QLatin1Char('-'));
}

std::optional<int> runCommandLine(const QStringList& arguments, CommandStreams& streams) {
    if (!namesCommand(arguments)) {
        QCommandLineParser parser;
        parser.setApplicationDescription(QStringLiteral("Ovisu: live translation of game text"));
        const QCommandLineOption help({"h", "help"}, QStringLiteral("Show this help."));
        const QCommandLineOption version({"v", "version"}, QStringLiteral("Show the version."));
        parser.addOption(help);
        parser.addOption(version);
        if (!parser.parse(arguments)) {
            streams.err << "ovisu: " << parser.errorText() << "\n" << usage();
            return 2;
        }
        if (parser.isSet(help)) {
            streams.out << usage();
            return 0;
        }
        if (parser.isSet(version)) {
            streams.out << "Ovisu " << applicationVersionText() << "\n";
            return 0;
        }
        return std::nullopt;
    }

    const QString name = arguments.at(1);
    for (const Command& command : kCommands)
        if (name == QLatin1String(command.name)) return command.run(arguments.mid(1), streams);
    streams.err << "ovisu: unknown command '" << name << "'\n\n" << usage();
    return 2;
}

}  // namespace ovisu
