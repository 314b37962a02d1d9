#pragma once

#include "app/CommandStreams.h"

#include <QStringList>

namespace ovisu {

// "ovisu local models | download INDEX [--dir FOLDER]": the local model manager's entries and
// their files, and a GGUF model fetched (or resumed) as the manager does it.
int runLocalCommand(const QStringList& arguments, CommandStreams& streams);

}  // namespace ovisu
