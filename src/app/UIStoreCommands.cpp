#include "app/UIStoreCommands.h"

#include "app/CommandSupport.h"
#include "app/TextTable.h"
#include "interface/UIFixedDictionaryStore.h"
#include "interface/UIStoredTranslations.h"
#include "interface/UITranslationCache.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace ovisu {
namespace {

// The stores as the desktop program has them.
struct UIStoreContext {
    UITranslationCache cache;
    UIFixedDictionaryStore dictionary;
    UIStoredTranslations stored{cache, dictionary};
};

// A store file that cannot be read lists as empty; it stays where it is until something is
// written, and is then moved aside rather than replaced.
void warnAboutUnreadableFile(const char* command, const std::optional<QString>& error, CommandStreams& streams) {
    if (error)
        streams.err << "ovisu " << command << ": warning: " << *error
                    << "\n  The file is left as it is; the next change moves it aside and starts a new one.\n";
}

QString kindsList() {
    QStringList raw;
    for (UIElementKind kind : allUIElementKinds())
        raw << rawValue(kind);
    return raw.join(QStringLiteral(", "));
}

// As --kind takes it, or the pop-up's "全部类型" for an entry of every kind.
QString kindText(std::optional<UIElementKind> kind) {
    return kind ? rawValue(*kind) : UIStoredTranslations::kindTitle(std::nullopt);
}

int listDictionary(UIStoreContext& context, bool json, CommandStreams& streams) {
    warnAboutUnreadableFile("ui-dictionary", context.dictionary.loadError(), streams);
    const QList<UIFixedDictionaryEntry>& entries = context.stored.dictionaryEntries();
    if (json) {
        QJsonArray array;
        for (qsizetype index = 0; index < entries.size(); ++index) {
            const UIFixedDictionaryEntry& entry = entries.at(index);
            array.append(QJsonObject{
                {QStringLiteral("index"), index + 1},
                {QStringLiteral("id"), entry.id.toString(QUuid::WithoutBraces).toUpper()},
                {QStringLiteral("source"), entry.source},
                {QStringLiteral("translation"), entry.translation},
                {QStringLiteral("kind"), entry.kind ? QJsonValue(rawValue(*entry.kind)) : QJsonValue()},
            });
        }
        streams.out << QJsonDocument(array).toJson(QJsonDocument::Indented);
        return 0;
    }
    if (entries.isEmpty()) {
        streams.out << "The fixed dictionary has no entries.\n";
        return 0;
    }
    TextTable table({QStringLiteral("#"), QStringLiteral("source"), QStringLiteral("translation"),
                     QStringLiteral("kind")});
    for (qsizetype index = 0; index < entries.size(); ++index) {
        const UIFixedDictionaryEntry& entry = entries.at(index);
        table.addRow({QString::number(index + 1), entry.source, entry.translation,
                      kindText(entry.kind)});
    }
    streams.out << table.render();
    return 0;
}

// The outcome of an editor operation as an exit status: bad input is 2, a failed write 1.
int reportDictionaryOutcome(const char* action, const UIStoredTranslations::DictionaryOutcome& outcome,
                            CommandStreams& streams) {
    if (outcome.statusLine) {
        streams.err << "ovisu ui-dictionary " << action << ": " << *outcome.statusLine << "\n";
        return 2;
    }
    if (outcome.realtimeError) {
        streams.err << "ovisu ui-dictionary " << action << ": " << *outcome.realtimeError << "\n";
        return 1;
    }
    return 0;
}

// Options that belong to one action only are refused with the others.
std::optional<int> refuseOptionOutside(const QCommandLineParser& parser, const QCommandLineOption& option,
                                       const QString& action, const char* onlyAction, const char* command,
                                       CommandStreams& streams) {
    if (!parser.isSet(option) || action == QLatin1String(onlyAction)) return std::nullopt;
    streams.err << "ovisu " << command << " " << action << ": --" << option.names().constFirst() << " applies to "
                << onlyAction << " only\n";
    return 2;
}

QString entryCountText(qsizetype count, const char* singular, const char* plural) {
    return QStringLiteral("%1 %2").arg(count).arg(QString::fromLatin1(count == 1 ? singular : plural));
}

}  // namespace

int runUIDictionaryCommand(const QStringList& arguments, CommandStreams& streams) {
    const CommandActions actions(
        "ui-dictionary",
        {{"list", 1, "usage: ovisu ui-dictionary list [--json]"},
         {"add", 3, "usage: ovisu ui-dictionary add SOURCE TRANSLATION [--kind KIND] (quote texts with spaces)"},
         {"remove", 2, "usage: ovisu ui-dictionary remove INDEX"}});
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Manage the fixed interface dictionary: terms that interface mode always translates the same way. "
        "The first matching entry wins; a manual correction still takes precedence."));
    actions.addArgument(parser);
    parser.addPositionalArgument("arguments", QStringLiteral("add SOURCE TRANSLATION | remove INDEX"));
    const QCommandLineOption jsonOption("json", QStringLiteral("list: print the entries as JSON."));
    const QCommandLineOption kindOption(
        "kind", QStringLiteral("add: apply the entry to one kind of interface text only (%1).").arg(kindsList()),
        "KIND");
    parser.addOption(jsonOption);
    parser.addOption(kindOption);
    const auto chosen = actions.parse(parser, arguments, streams);
    if (!chosen) return chosen.error();
    const QString& action = *chosen;
    const QStringList positional = parser.positionalArguments();
    if (const auto exit = refuseOptionOutside(parser, jsonOption, action, "list", "ui-dictionary", streams)) return *exit;
    if (const auto exit = refuseOptionOutside(parser, kindOption, action, "add", "ui-dictionary", streams)) return *exit;

    UIStoreContext context;
    if (action == QLatin1String("list"))
        return listDictionary(context, parser.isSet(jsonOption), streams);

    if (action == QLatin1String("add")) {
        std::optional<UIElementKind> kind;
        if (parser.isSet(kindOption)) {
            kind = uiElementKindFromRawValue(parser.value(kindOption));
            if (!kind) {
                streams.err << "ovisu ui-dictionary add: unknown kind '" << parser.value(kindOption) << "' (use "
                            << kindsList() << ")\n";
                return 2;
            }
        }
        const auto outcome = context.stored.addDictionaryEntry(positional.at(1), positional.at(2), kind);
        if (const int status = reportDictionaryOutcome("add", outcome, streams); status != 0) return status;
        const UIFixedDictionaryEntry& added = context.stored.dictionaryEntries().constLast();
        streams.out << "Added entry " << context.stored.dictionaryEntries().size() << ": " << added.source << " → "
                    << added.translation << " (" << kindText(added.kind) << ").\n";
        return 0;
    }

    bool isNumber = false;
    const int index = positional.at(1).toInt(&isNumber);
    const qsizetype count = context.stored.dictionaryEntries().size();
    if (!isNumber || index < 1 || index > count) {
        streams.err << "ovisu ui-dictionary remove: '" << positional.at(1) << "' is not an entry's index (";
        if (count == 0)
            streams.err << "the dictionary is empty)\n";
        else
            streams.err << "1 to " << count << ", as 'ovisu ui-dictionary list' shows them)\n";
        return 2;
    }
    const UIFixedDictionaryEntry removed = context.stored.dictionaryEntries().at(index - 1);
    const auto outcome = context.stored.removeDictionaryEntry(index - 1);
    if (const int status = reportDictionaryOutcome("remove", outcome, streams); status != 0) return status;
    streams.out << "Removed entry " << index << ": " << removed.source << " → " << removed.translation << ".\n";
    return 0;
}

int runUICacheCommand(const QStringList& arguments, CommandStreams& streams) {
    const CommandActions actions("ui-cache",
                                 {{"list", 1, "takes no further arguments"}, {"clear", 1, "takes no further arguments"}});
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Show or clear the interface translation cache. 'clear' removes the automatic translations and keeps "
        "the permanent manual corrections; 'clear --all' removes both and cannot be undone."));
    actions.addArgument(parser);
    const QCommandLineOption jsonOption("json", QStringLiteral("list: print the entries as JSON."));
    const QCommandLineOption allOption(
        "all", QStringLiteral("clear: remove the manual corrections too (this is the confirmation)."));
    parser.addOption(jsonOption);
    parser.addOption(allOption);
    const auto chosen = actions.parse(parser, arguments, streams);
    if (!chosen) return chosen.error();
    const QString& action = *chosen;
    if (const auto exit = refuseOptionOutside(parser, jsonOption, action, "list", "ui-cache", streams)) return *exit;
    if (const auto exit = refuseOptionOutside(parser, allOption, action, "clear", "ui-cache", streams)) return *exit;
    const bool listing = action == QLatin1String("list");

    UIStoreContext context;
    warnAboutUnreadableFile("ui-cache", context.cache.loadError(), streams);
    if (listing) {
        if (parser.isSet(jsonOption)) {
            QJsonArray array;
            for (const UITranslationEntry& entry : context.cache.sortedEntries())
                array.append(QJsonObject{
                    {QStringLiteral("source"), entry.source},
                    {QStringLiteral("translation"), entry.translation},
                    {QStringLiteral("manuallyCorrected"), entry.manuallyCorrected},
                    {QStringLiteral("updatedAt"), entry.updatedAt.toUTC().toString(Qt::ISODateWithMs)},
                });
            streams.out << QJsonDocument(array).toJson(QJsonDocument::Indented);
            return 0;
        }
        streams.out << context.stored.cacheManagerText() << "\n\n" << context.stored.summaryLine() << "\n";
        return 0;
    }

    const int manual = context.cache.manualCorrectionCount();
    const int automatic = context.cache.entryCount() - manual;
    if (parser.isSet(allOption)) {
        if (const auto cleared = context.stored.clearEverything(); !cleared) {
            streams.err << "ovisu ui-cache clear: " << cleared.error() << "\n";
            return 1;
        }
        streams.out << "Cleared " << entryCountText(automatic, "automatic translation", "automatic translations")
                    << " and " << entryCountText(manual, "manual correction", "manual corrections") << ".\n";
        return 0;
    }
    if (const auto cleared = context.stored.clearAutomatic(); !cleared) {
        streams.err << "ovisu ui-cache clear: " << cleared.error() << "\n";
        return 1;
    }
    streams.out << "Cleared " << entryCountText(automatic, "automatic translation", "automatic translations")
                << "; kept " << entryCountText(manual, "manual correction", "manual corrections")
                << " (use --all to remove them too).\n";
    return 0;
}

}  // namespace ovisu
