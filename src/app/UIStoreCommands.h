#pragma once

#include "app/CommandStreams.h"

#include <QStringList>

namespace ovisu {

// "ovisu ui-dictionary list [--json] | add SOURCE TRANSLATION [--kind KIND] | remove INDEX":
// the fixed interface dictionary, with the editor's validation.
int runUIDictionaryCommand(const QStringList& arguments, CommandStreams& streams);
// "ovisu ui-cache list [--json] | clear [--all]": the interface translation cache and the
// permanent manual corrections. Without --all, clear keeps the manual corrections.
int runUICacheCommand(const QStringList& arguments, CommandStreams& streams);

}  // namespace ovisu
