#pragma once

#include "app/CommandStreams.h"

#include <QStringList>

namespace ovisu {

// "ovisu profiles list|save NAME|apply NAME|delete NAME": saved translation profiles.
int runProfilesCommand(const QStringList& arguments, CommandStreams& streams);
// "ovisu presets list|import FILE|export ID FILE": prompt presets, built-in and the user's.
int runPresetsCommand(const QStringList& arguments, CommandStreams& streams);

}  // namespace ovisu
