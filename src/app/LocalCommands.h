#pragma once

#include "app/CommandStreams.h"

#include <QStringList>

namespace ovisu {

// "ovisu local models | download INDEX [--dir FOLDER] | start|stop|status PROVIDER": the local
// model manager's entries and their files, a GGUF model fetched (or resumed) as the manager does
// it, and the llama-server of a GGUF source.
int runLocalCommand(const QStringList& arguments, CommandStreams& streams);

}  // namespace ovisu
