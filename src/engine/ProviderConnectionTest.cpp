#include "engine/ProviderConnectionTest.h"

#include "base/SecretMasking.h"
#include "engine/LocalServerStartup.h"
#include "engine/ProviderSettings.h"
#include "engine/ServiceReplyJson.h"
#include "engine/SystemTranslator.h"
#include "engine/TranslationErrorGuide.h"
#include "engine/TranslationProviderAdapter.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QTimer>

namespace ovisu {
namespace {

const QString kInvalidEndpoint = QStringLiteral("接口地址无效。");

}  // namespace

ProviderConnectionTest::ProviderConnectionTest(ProviderSettings& providerSettings, ConnectionTestServices services,
                                               QObject* parent)
    : QObject(parent),
      m_providerSettings(providerSettings),
      m_transport(services.transport),
      m_systemTranslator(services.systemTranslator),
      m_localServers(services.localServers) {}

ProviderConnectionTest::~ProviderConnectionTest() {
    if (m_activeCall) m_activeCall->cancel();
}

void ProviderConnectionTest::testProviderConnection(Provider provider, StatusHandler onStatus) {
    cancel();
    m_onStatus = std::move(onStatus);
    m_running = true;
    run(provider, m_generation);
}

void ProviderConnectionTest::cancel() {
    ++m_generation;
    m_running = false;
    if (m_activeCall) {
        m_activeCall->cancel();
        // The call may be the one whose callback is running; release it from the event loop.
        QTimer::singleShot(0, this, [call = std::exchange(m_activeCall, nullptr)] {});
    }
}

void ProviderConnectionTest::run(Provider provider, int generation) {
    if (provider == Provider::systemTranslation) {
        testSystemTranslation(generation);
        return;
    }
    if (const auto issue = m_providerSettings.providerConfigurationIssue(provider)) {
        report(generation, *issue, ConnectionTestState::failed);
        return;
    }
    // The server of the source under test, which need not be the one the selected source uses.
    const QUrl localServer = m_providerSettings.localServer(provider);
    if (m_localServers && m_providerSettings.startsLocalServer(provider) && !m_localServers->isReady(localServer)) {
        report(generation, ProviderCatalogue::localServerStartingText(provider), ConnectionTestState::running);
        QPointer<ProviderConnectionTest> self(this);
        m_localServers->whenReady(localServer, [self, provider, generation](std::optional<QString> error) {
            if (!self || generation != self->m_generation) return;
            // A failed start ends the test: testing again would only start the probe once more.
            if (error) {
                self->report(generation, ProviderCatalogue::title(provider) + QStringLiteral("：") + *error,
                             ConnectionTestState::failed);
                return;
            }
            // The settings may have changed while the service started: check them again, but
            // do not wait for the service a second time.
            if (const auto issue = self->m_providerSettings.providerConfigurationIssue(provider)) {
                self->report(generation, *issue, ConnectionTestState::failed);
                return;
            }
            self->sendSample(provider, generation);
        });
        return;
    }
    sendSample(provider, generation);
}

void ProviderConnectionTest::testSystemTranslation(int generation) {
    if (!m_systemTranslator) {
        report(generation, QStringLiteral("不可用：") + SystemTranslator::unavailableDescription(),
               ConnectionTestState::failed);
        return;
    }
    report(generation, QStringLiteral("正在实际翻译测试…首次使用可能会弹出语言模型下载提示。"), ConnectionTestState::running);
    QPointer<ProviderConnectionTest> self(this);
    m_systemTranslator->translate(systemSampleText(), [self, generation](std::expected<QString, QString> result) {
        if (!self) return;
        if (result)
            self->report(generation, QStringLiteral("可用：日语 → 简体中文测译成功（") + *result + QStringLiteral("）"),
                         ConnectionTestState::succeeded);
        else
            self->report(generation, QStringLiteral("不可用：") + result.error(), ConnectionTestState::failed);
    });
}

void ProviderConnectionTest::sendSample(Provider provider, int generation) {
    const auto adapter = m_providerSettings.providerAdapter(provider);
    const auto configuration = m_providerSettings.providerConfiguration(provider, false);
    if (!adapter || !configuration) {
        report(generation, kInvalidEndpoint, ConnectionTestState::failed);
        return;
    }
    const QString secret = configuration->apiKey;
    const RequestResult request = adapter->makeRequest(sampleText(), *configuration);
    if (!request) {
        const TranslationProviderBuildError& error = request.error();
        report(generation,
               error.kind == TranslationProviderBuildError::Kind::invalidEndpoint
                   ? kInvalidEndpoint
                   : friendlyError(provider, error.localizedDescription(), std::nullopt, secret),
               ConnectionTestState::failed, secret);
        return;
    }

    report(generation, QStringLiteral("正在测试连接…"), ConnectionTestState::running);
    QPointer<ProviderConnectionTest> self(this);
    m_activeCall = m_transport.send(*request, [self, provider, generation, adapter, secret](HttpResponse response) {
        if (!self || generation != self->m_generation) return;
        QTimer::singleShot(0, self, [call = std::exchange(self->m_activeCall, nullptr)] {});

        if (response.error) {
            self->report(generation, self->friendlyError(provider, response.error->description, response.statusCode, secret),
                         ConnectionTestState::failed, secret);
            return;
        }
        const bool success = !response.statusCode || (*response.statusCode >= 200 && *response.statusCode <= 299);
        if (success) {
            const auto translation =
                response.body.isEmpty() ? std::nullopt : adapter->parseResponse(response.body);
            if (translation && !translation->trimmed().isEmpty()) {
                self->report(generation, QStringLiteral("连接成功：") + translation->trimmed(),
                             ConnectionTestState::succeeded, secret);
                return;
            }
            // Some services (Baidu, Youdao) answer a wrong key or signature with 200 and an error
            // body: that is the service's word, not a protocol mismatch.
            if (const auto error = response.body.isEmpty() ? std::nullopt : adapter->parseError(response.body)) {
                self->report(generation, self->friendlyError(provider, error, response.statusCode, secret),
                             ConnectionTestState::failed, secret);
                return;
            }
            self->report(generation,
                         ProviderCatalogue::title(provider) +
                             QStringLiteral("：已连接，但响应格式无法识别。请核对接口协议和完整路径。"),
                         ConnectionTestState::failed, secret);
            return;
        }
        std::optional<QString> detail = response.body.isEmpty() ? std::nullopt : adapter->parseError(response.body);
        if (!detail) detail = QStringLiteral("HTTP ") + QString::number(*response.statusCode);
        if (const auto message = reply::errorObjectMessage(response.body)) detail = message;
        self->report(generation, self->friendlyError(provider, detail, response.statusCode, secret),
                     ConnectionTestState::failed, secret);
    });
}

QString ProviderConnectionTest::friendlyError(Provider provider, std::optional<QString> detail,
                                              std::optional<int> status, const QString& secret) const {
    // Masked before the guide cuts a long detail, so a cut cannot leave part of the key standing.
    if (detail) detail = maskStoredSecretIn(*detail, secret);
    return TranslationErrorGuide::message(detail, status, ProviderCatalogue::title(provider),
                                          ProviderCatalogue::isManagedLocalEngine(provider),
                                          ProviderCatalogue::localPort(provider));
}

void ProviderConnectionTest::report(int generation, const QString& text, ConnectionTestState state,
                                    const QString& secret) {
    if (generation != m_generation) return;
    if (state != ConnectionTestState::running) m_running = false;
    // The handler may start the next test, which replaces the stored one.
    const StatusHandler handler = m_onStatus;
    // A hostile or careless service can echo the key it was sent; the status line is on screen
    // and in screenshots.
    if (handler) handler(secret.isEmpty() ? text : maskStoredSecretIn(text, secret), state);
}

}  // namespace ovisu
