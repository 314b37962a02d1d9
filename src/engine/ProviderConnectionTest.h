#pragma once

#include "engine/HttpTransport.h"
#include "engine/Provider.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace ovisu {

class LocalServerStartup;
class ProviderSettings;
class SystemTranslator;

// What a connection test sends through besides the source's settings.
struct ConnectionTestServices {
    HttpTransport& transport;
    SystemTranslator* systemTranslator = nullptr;
    LocalServerStartup* localServers = nullptr;
};

// Where a connection test stands after a status text.
enum class ConnectionTestState { running, succeeded, failed };

// The settings window's connection test: one short, real translation through a source with the
// settings as they are stored now. Results are reported as the status texts the window shows.
// A newer test (or cancel) makes every late result of an older one be dropped. No status text
// ever holds the source's secret, even when a service echoes it back.
class ProviderConnectionTest : public QObject {
    Q_OBJECT
public:
    using StatusHandler = std::function<void(const QString& text, ConnectionTestState state)>;

    static QString sampleText() { return QStringLiteral("こんにちは"); }
    static QString systemSampleText() { return QStringLiteral("おはようございます。"); }

    ProviderConnectionTest(ProviderSettings& providerSettings, ConnectionTestServices services,
                           QObject* parent = nullptr);
    ~ProviderConnectionTest() override;

    // Starts a test of the source; `onStatus` receives every status text of this test, the last
    // one with a final state. Status texts may arrive before this returns.
    void testProviderConnection(Provider provider, StatusHandler onStatus);
    // Drops the test in flight: none of its later results is reported.
    void cancel();
    bool isRunning() const { return m_running; }

private:
    void run(Provider provider, int generation);
    void testSystemTranslation(int generation);
    void sendSample(Provider provider, int generation);
    void handleResponse(Provider provider, int generation, const HttpResponse& response, const QString& secret);
    void report(int generation, const QString& text, ConnectionTestState state, const QString& secret = {});
    QString friendlyError(Provider provider, std::optional<QString> detail, std::optional<int> status,
                          const QString& secret) const;

    ProviderSettings& m_providerSettings;
    HttpTransport& m_transport;
    SystemTranslator* m_systemTranslator;
    LocalServerStartup* m_localServers;

    int m_generation = 0;
    bool m_running = false;
    StatusHandler m_onStatus;
    std::shared_ptr<HttpCall> m_activeCall;
};

}  // namespace ovisu
