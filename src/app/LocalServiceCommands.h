#pragma once

#include "app/CommandStreams.h"

#include <QString>

namespace ovisu {

class LocalModelCatalogue;
class SettingsStore;

// "ovisu local start|stop|status PROVIDER": the llama-server of a GGUF source, as the desktop
// program's service row runs it, or the Ollama server of an Ollama source. start keeps the server
// in the foreground until Ctrl+C (or until "ovisu local stop" from another terminal, which finds
// it through the pid file beside its log); it exits 1 only when the server ended by itself.
int runLocalServiceStart(const QString& providerArgument, SettingsStore& settings, const LocalModelCatalogue& catalogue,
                         CommandStreams& streams);
int runLocalServiceStop(const QString& providerArgument, const LocalModelCatalogue& catalogue, CommandStreams& streams);
int runLocalServiceStatus(const QString& providerArgument, SettingsStore& settings,
                          const LocalModelCatalogue& catalogue, CommandStreams& streams);

}  // namespace ovisu
