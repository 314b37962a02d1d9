// The settings file as the program reads it at start: the store itself, its typed getters and
// every reader that turns stored values into settings the program uses. The input is the file.
#include "FuzzSupport.h"

#include "app/FirstRunGuide.h"
#include "base/SettingsStore.h"
#include "capture/TranslationMode.h"
#include "capture/WindowListing.h"
#include "dialogue/SubtitleChangeDetector.h"
#include "engine/CustomPromptPresetStore.h"
#include "engine/ProviderSelection.h"
#include "engine/ProviderSettings.h"
#include "engine/TranslationParameters.h"
#include "engine/TranslationProfileStore.h"
#include "interface/UIElementKind.h"
#include "interface/UIOverlayAppearance.h"
#include "interface/UIOverlayStyle.h"
#include "overlay/OverlayAppearance.h"
#include "overlay/StoredColor.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonObject>

using namespace ovisu;

namespace {

void checkTypedGetters(const SettingsStore& settings, const QString& key, const QJsonValue& stored) {
    FUZZ_CHECK(settings.value(key) == stored, "the store holds another value than the file");
    // Two different defaults tell a stored integer from a value that reads as the default.
    const int first = settings.intValue(key, 7);
    const int second = settings.intValue(key, -9);
    if (first == second)
        FUZZ_CHECK(stored.isDouble() && stored.toDouble() == first, "an integer was read from a value that is not one");
    else
        FUZZ_CHECK(first == 7 && second == -9, "an unusable integer did not read as the default");
    FUZZ_CHECK(settings.boolValue(key, false) == settings.boolValue(key, true) || !stored.isBool(),
               "a stored boolean read as the default");
    if (const auto bytes = settings.dataValue(key))
        FUZZ_CHECK(stored.isString(), "data was read from a value that is not a string");
}

void checkDerivedSettings(SettingsStore& settings) {
    const TranslationParameters parameters = TranslationParameters::read(settings);
    FUZZ_CHECK(parameters.temperature == TranslationParameters::clampedTemperature(parameters.temperature) &&
                   parameters.maxTokens == TranslationParameters::clampedMaxTokens(parameters.maxTokens) &&
                   parameters.topP == TranslationParameters::clampedTopP(parameters.topP) &&
                   parameters.contextCount == TranslationParameters::clampedContextCount(parameters.contextCount),
               "translation parameters were read outside the range a request may carry");

    OverlayAppearance::read(settings);
    restoreColors(settings);
    SubtitleChangeDetector::fromSettings(settings);
    storedTranslationMode(settings);
    storedEnabledUIElementKinds(settings);
    storedUIOverlayStyle(settings);
    WindowListing::rememberedTarget(settings);
    firstRunGuidePending(settings);
    TranslationProfileStore(settings).load();
    CustomPromptPresetStore(settings).load();

    ProviderSelection selection(settings);
    selection.visibleProviders();
    // The stored source and the custom one (whose protocol follows its endpoint); all 26 would
    // read the credential file 52 times an input.
    ProviderSettings providers(settings);
    for (const Provider provider : {selection.currentProvider(), Provider::custom}) {
        providers.providerConfiguration(provider, true);
        providers.localServer(provider);
    }

    // The interface labels' appearance is written back whole by its settings page: what it reads
    // must read the same once every field is stored as it was read (in memory here: writing the
    // file eight times an input would slow the run a hundredfold).
    const UIOverlayAppearance appearance = UIOverlayAppearance::read(settings);
    FUZZ_CHECK(UIOverlayAppearance::read(settings) == appearance, "the interface appearance reads differently twice");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::privateHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray file = fuzz::bytes(data, size);
    const QString folder = fuzz::privateHome() + QStringLiteral("/settings-under-test");
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    const QString path = folder + QStringLiteral("/settings.json");
    // The input as the file on disk; the harness needs no atomic write (and its fsync) for that.
    QFile input(path);
    FUZZ_CHECK(input.open(QIODevice::WriteOnly) && input.write(file) == file.size(), "the settings file could not be written");
    input.close();

    SettingsStore settings(path);
    const auto document = fuzz::jsonDocument(file);
    if (!document || !document->isObject()) {
        // An unreadable file is set aside, never left where the next write would replace it.
        FUZZ_CHECK(!QFileInfo::exists(path), "an unreadable settings file was not set aside");
        return 0;
    }
    const QJsonObject object = document->object();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) checkTypedGetters(settings, it.key(), it.value());
    checkDerivedSettings(settings);
    return 0;
}
