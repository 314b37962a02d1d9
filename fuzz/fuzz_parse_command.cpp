// "ovisu parse --provider N [--error] -" with the body on standard input, through the command's
// own argument handling. The first byte says whether --error is given; the text up to the first
// line break names the source; the rest is the body. What the command prints must be exactly what
// the source's adapter reads, and it must fail exactly when the adapter reads nothing.
#include "FuzzSupport.h"

#include "app/CommandSupport.h"
#include "app/ProviderCommands.h"
#include "engine/ProviderAdapterFactory.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QTextStream>

using namespace ovisu;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::privateHome();
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const bool asError = data[0] & 1;
    const QByteArray rest = fuzz::bytes(data + 1, size - 1);
    const qsizetype lineEnd = rest.indexOf('\n');
    const QString providerArgument = QString::fromUtf8(lineEnd < 0 ? rest : rest.left(lineEnd));
    QByteArray body = lineEnd < 0 ? QByteArray() : rest.mid(lineEnd + 1);

    QStringList arguments{QStringLiteral("parse"), QStringLiteral("--provider"), providerArgument};
    if (asError) arguments << QStringLiteral("--error");
    arguments << QStringLiteral("-");

    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    QBuffer in(&body);
    in.open(QIODevice::ReadOnly);
    CommandStreams streams{outStream, errStream, in};
    const int status = runParseCommand(arguments, streams);
    outStream.flush();
    errStream.flush();

    FUZZ_CHECK(status == 0 || !err.isEmpty(), "the parse command failed without saying why");
    const auto provider = providerFromArgument(providerArgument);
    if (!provider) {
        FUZZ_CHECK(status != 0, "the parse command accepted a source that does not exist");
        return 0;
    }
    // No settings are stored, so the custom source has its default endpoint.
    const auto adapter = providerAdapter(*provider, ProviderCatalogue::defaultEndpoint(*provider));
    if (!adapter) {
        FUZZ_CHECK(status == 1, "the parse command read a body for a source without an adapter");
        return 0;
    }
    const auto expected = asError ? adapter->parseError(body) : adapter->parseResponse(body);
    if (expected)
        FUZZ_CHECK(status == 0 && out == *expected + QLatin1Char('\n'), "the parse command printed another text");
    else
        FUZZ_CHECK(status == 1 && out.isEmpty(), "the parse command succeeded where the adapter reads nothing");
    return 0;
}
