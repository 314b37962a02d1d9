#include "app/CredentialsCommand.h"

#include "app/CommandSupport.h"
#include "engine/LocalCredentialStore.h"
#include "engine/ProviderFields.h"

#include <termios.h>
#include <unistd.h>

namespace ovisu {
namespace {

// Turns terminal echo off while a secret is typed, and back on however the read ends.
class EchoOff {
public:
    explicit EchoOff(bool active) : m_active(active && tcgetattr(STDIN_FILENO, &m_saved) == 0) {
        if (!m_active) return;
        termios quiet = m_saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    ~EchoOff() {
        if (m_active) tcsetattr(STDIN_FILENO, TCSANOW, &m_saved);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    termios m_saved{};
    bool m_active;
};

QString readSecret(CommandStreams& streams, const QString& account) {
    if (streams.inIsTerminal) {
        streams.err << "Secret for " << account << ": ";
        streams.err.flush();
    }
    QByteArray line;
    {
        EchoOff echoOff(streams.inIsTerminal);
        line = streams.in.readLine();
    }
    if (streams.inIsTerminal) streams.err << "\n";
    return normalizedProviderSecret(QString::fromUtf8(line));
}

QString providerLabel(const QString& account) {
    for (Provider provider : allProviders())
        if (ProviderCatalogue::credentialAccount(provider) == account)
            return QStringLiteral("%1 (%2)").arg(rawValue(provider)).arg(caseName(provider));
    return QStringLiteral("-");
}

}  // namespace

int runCredentialsCommand(const QStringList& arguments, CommandStreams& streams) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Manage stored secrets. 'set' reads the secret from standard input; 'list' never shows values."));
    parser.addPositionalArgument("action", QStringLiteral("set, delete or list"));
    parser.addPositionalArgument("provider", QStringLiteral("Source: raw value or name (set, delete)."));
    if (const auto exit = parseCommandArguments(parser, arguments, streams)) return *exit;

    const QStringList positional = parser.positionalArguments();
    const QString action = positional.value(0);
    if (action == QLatin1String("list")) {
        const auto credentials = LocalCredentialStore::readAll();
        if (credentials.isEmpty()) {
            streams.out << "No secrets stored.\n";
            return 0;
        }
        for (auto it = credentials.cbegin(); it != credentials.cend(); ++it)
            if (!it.value().isEmpty()) streams.out << it.key() << "  [source " << providerLabel(it.key()) << "]\n";
        return 0;
    }
    if (action != QLatin1String("set") && action != QLatin1String("delete")) {
        streams.err << "ovisu credentials: the action must be set, delete or list\n";
        return 2;
    }
    if (positional.size() != 2) {
        streams.err << "ovisu credentials " << action << ": name one source (a secret is read from standard input)\n";
        return 2;
    }
    const auto provider = requireProvider(positional.at(1), streams);
    if (!provider) return 2;
    const QString account = ProviderCatalogue::credentialAccount(*provider);

    QString secret;
    if (action == QLatin1String("set")) {
        secret = readSecret(streams, account);
        if (secret.isEmpty()) {
            streams.err << "ovisu credentials set: no secret on standard input (use 'delete' to remove one)\n";
            return 2;
        }
    }
    if (const auto saved = LocalCredentialStore::save(secret, account); !saved) {
        streams.err << "ovisu credentials: " << saved.error() << "\n";
        return 1;
    }
    streams.out << (secret.isEmpty() ? "Deleted the secret of " : "Saved the secret of ") << account << ".\n";
    return 0;
}

}  // namespace ovisu
