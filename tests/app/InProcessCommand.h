#pragma once

#include "app/CommandStreams.h"

#include <QBuffer>
#include <QStringList>
#include <QTextStream>

namespace ovisu::test {

struct CommandRun {
    int status = -1;
    QString out;
    QString err;
};

// Runs one command in this process with empty standard input and returns what it printed.
template <typename Command>
CommandRun runInProcess(Command command, const QStringList& arguments) {
    CommandRun result;
    QTextStream out(&result.out);
    QTextStream err(&result.err);
    QBuffer in;
    in.open(QIODevice::ReadOnly);
    CommandStreams streams{out, err, in};
    result.status = command(arguments, streams);
    out.flush();
    err.flush();
    return result;
}

}  // namespace ovisu::test
