#pragma once

#include <QIODevice>
#include <QTextStream>

namespace ovisu {

// Where a command writes and reads; the real program passes the process's streams, tests pass buffers.
struct CommandStreams {
    QTextStream& out;
    QTextStream& err;
    QIODevice& in;
    bool inIsTerminal = false;
    bool errIsTerminal = false;
};

}  // namespace ovisu
