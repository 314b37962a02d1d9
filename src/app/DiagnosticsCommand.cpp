#include "app/DiagnosticsCommand.h"

#include "app/CommandSupport.h"
#include "app/DiagnosticExport.h"
#include "base/SettingsStore.h"
#include "capture/WindowCapture.h"
#include "engine/ProviderSelection.h"
#include "engine/ProviderSettings.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace ovisu {

int runDiagnosticsCommand(const QStringList& arguments, CommandStreams& streams) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Write the complete diagnostic package (summary, state, sources, recent errors, log) to a "
                       "zip file. Stored keys appear masked."));
    const QCommandLineOption outputOption({"o", "output"}, QStringLiteral("The zip file to write."), "FILE.zip");
    parser.addOption(outputOption);
    if (const auto exit = parseCommandArguments(parser, arguments, streams)) return *exit;
    if (!parser.positionalArguments().isEmpty()) {
        streams.err << "ovisu diagnostics: unexpected argument '" << parser.positionalArguments().constFirst() << "'\n";
        return 2;
    }
    const QString destination = parser.value(outputOption);
    if (destination.isEmpty()) {
        streams.err << "ovisu diagnostics: -o FILE.zip is required\n";
        return 2;
    }

    SettingsStore settings;
    const ProviderSelection selection(settings);
    ProviderSettings providerSettings(settings);
    const auto capture = makeWindowCapture();
    const DiagnosticSnapshot snapshot = idleDiagnosticSnapshot(settings, selection, *capture);
    if (const auto built = exportDiagnosticPackage(snapshot, providerSettings, destination); !built) {
        streams.err << "ovisu diagnostics: " << built.error() << "\n";
        return 1;
    }
    streams.out << QFileInfo(destination).absoluteFilePath() << "\n";
    return 0;
}

}  // namespace ovisu
