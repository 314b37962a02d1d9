#include "app/ProfileCommands.h"

#include "app/CommandSupport.h"
#include "app/TextTable.h"
#include "base/SettingsStore.h"
#include "engine/ProviderSelection.h"
#include "engine/ProviderSettings.h"
#include "engine/TranslationProfiles.h"

namespace ovisu {
namespace {

// The settings and the components the profile logic works on, as the desktop program has them.
struct ProfileContext {
    SettingsStore settings;
    ProviderSelection selection{settings};
    ProviderSettings providerSettings{settings};
    TranslationProfiles profiles{settings, selection, providerSettings};
};

QString sourceLabel(int raw) {
    if (const auto provider = providerFromRawValue(raw))
        return QStringLiteral("%1 %2").arg(raw).arg(ProviderCatalogue::title(*provider));
    return QStringLiteral("%1 (unknown source)").arg(raw);
}

// A stored list that could not be read shows as empty; say so, since the next save sets it aside.
void warnAboutUnreadableList(const std::optional<QString>& error, const char* what, CommandStreams& streams) {
    if (error)
        streams.err << "warning: the stored " << what << " cannot be read (" << *error
                    << "); the next change keeps a copy of them beside settings.json and starts a new list\n";
}

}  // namespace

int runProfilesCommand(const QStringList& arguments, CommandStreams& streams) {
    const char* const nameOne = "name one profile (quote a name with spaces)";
    const CommandActions actions("profiles", {{"list", 1, "takes no further arguments"},
                                              {"save", 2, nameOne},
                                              {"apply", 2, nameOne},
                                              {"delete", 2, nameOne}});
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Manage translation profiles: named snapshots of the current source and its settings (never its secret)."));
    actions.addArgument(parser);
    parser.addPositionalArgument("name", QStringLiteral("The profile's name (save, apply, delete)."));
    const auto chosen = actions.parse(parser, arguments, streams);
    if (!chosen) return chosen.error();
    const QString& action = *chosen;
    const QStringList positional = parser.positionalArguments();

    ProfileContext context;
    TranslationProfiles& profiles = context.profiles;
    if (action == QLatin1String("list")) {
        warnAboutUnreadableList(profiles.profilesLoadError(), "profiles", streams);
        if (profiles.profiles().isEmpty()) {
            streams.out << TranslationProfiles::noProfilesTitle() << "\n";
            return 0;
        }
        TextTable table({"name", "source", "model"});
        for (const TranslationProfile& profile : profiles.profiles())
            table.addRow({profile.name, sourceLabel(profile.providerRawValue),
                          profile.model.isEmpty() ? QStringLiteral("-") : profile.model});
        streams.out << table.render();
        return 0;
    }

    const QString name = positional.at(1);
    if (action == QLatin1String("save")) {
        const auto saved = profiles.saveCurrentTranslationProfile(name);
        if (!saved) {
            streams.err << "ovisu profiles save: " << saved.error() << "\n";
            return saved.error() == QLatin1String("name required") ? 2 : 1;
        }
        streams.out << "Saved the profile " << saved->name << " (" << sourceLabel(saved->providerRawValue) << ").\n";
        return 0;
    }

    const auto profile = profiles.profileNamed(name);
    if (!profile) {
        streams.err << "ovisu profiles " << action << ": no profile is named “" << name << "”\n";
        return 1;
    }
    if (action == QLatin1String("apply")) {
        const auto status = profiles.applyTranslationProfile(*profile);
        if (!status) {
            streams.err << "ovisu profiles apply: " << status.error() << "\n";
            return 1;
        }
        streams.out << *status << "\n";
        return 0;
    }
    if (const auto deleted = profiles.deleteTranslationProfile(profile->name); !deleted) {
        streams.err << "ovisu profiles delete: " << deleted.error() << "\n";
        return 1;
    }
    streams.out << "Deleted the profile " << profile->name << ".\n";
    return 0;
}

int runPresetsCommand(const QStringList& arguments, CommandStreams& streams) {
    const CommandActions actions("presets", {{"list", 1, "usage: ovisu presets list"},
                                             {"import", 2, "usage: ovisu presets import FILE"},
                                             {"export", 3, "usage: ovisu presets export ID FILE"}});
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Manage prompt presets. 'import' reads an Ovisu Prompt JSON file or a UTF-8 text/Markdown file; "
        "'export' writes one preset, built-in or your own, as JSON."));
    actions.addArgument(parser);
    parser.addPositionalArgument("arguments", QStringLiteral("import FILE | export ID FILE"));
    const auto chosen = actions.parse(parser, arguments, streams);
    if (!chosen) return chosen.error();
    const QString& action = *chosen;
    const QStringList positional = parser.positionalArguments();

    ProfileContext context;
    TranslationProfiles& profiles = context.profiles;
    if (action == QLatin1String("list")) {
        warnAboutUnreadableList(profiles.presetsLoadError(), "prompt presets", streams);
        TextTable table({"id", "name"});
        for (const TranslationPromptPreset& preset : profiles.allPresets()) table.addRow({preset.id, preset.name});
        streams.out << table.render();
        return 0;
    }
    if (action == QLatin1String("import")) {
        const auto imported = profiles.importPromptPreset(positional.at(1));
        if (!imported) {
            streams.err << "ovisu presets import: " << imported.error().title << "：" << imported.error().text << "\n";
            return 1;
        }
        streams.out << "Imported " << imported->id << " (" << imported->name << ").\n";
        return 0;
    }
    const QString id = positional.at(1);
    const QString path = positional.at(2);
    if (const auto exported = profiles.exportPromptPreset(id, path); !exported) {
        streams.err << "ovisu presets export: " << exported.error() << "\n";
        return 1;
    }
    streams.out << "Exported " << id << " to " << path << ".\n";
    return 0;
}

}  // namespace ovisu
