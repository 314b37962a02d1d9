#include "history/platform/QtSpeechOutput.h"

#include "base/AppLogger.h"

#include <QCoreApplication>
#include <QTextToSpeech>

#include <utility>

namespace ovisu {

namespace {

QString engineProblemText(const QString& detail) {
    if (detail.trimmed().isEmpty())
        return QStringLiteral("语音服务不可用（无法连接 speech-dispatcher）");
    return QStringLiteral("语音服务不可用：%1").arg(detail.trimmed());
}

}  // namespace

QtSpeechOutput::QtSpeechOutput(QString engine) : m_engineName(std::move(engine)) {}

QtSpeechOutput::~QtSpeechOutput() = default;

void QtSpeechOutput::setUnavailableHandler(UnavailableHandler handler) {
    m_unavailableHandler = std::move(handler);
}

void QtSpeechOutput::startEngineIfNeeded() const {
    if (m_started)
        return;
    m_started = true;
    if (!QCoreApplication::instance()) {
        m_startProblem = engineProblemText(QStringLiteral("程序尚未初始化"));
        return;
    }
    const QStringList engines = QTextToSpeech::availableEngines();
    if (engines.isEmpty() || (!m_engineName.isEmpty() && !engines.contains(m_engineName))) {
        m_startProblem = QStringLiteral("没有可用的语音合成引擎（需要 speech-dispatcher）");
        return;
    }
    m_speech = m_engineName.isEmpty() ? std::make_unique<QTextToSpeech>()
                                      : std::make_unique<QTextToSpeech>(m_engineName);
    if (m_speech->state() == QTextToSpeech::Error) {
        m_startProblem = engineProblemText(m_speech->errorString());
        m_speech.reset();
        return;
    }
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    const QList<QLocale> locales = m_speech->availableLocales();
    for (const QLocale& locale : locales) {
        if (locale.language() == chinese.language() && locale.territory() == chinese.territory()) {
            m_speech->setLocale(locale);
            break;
        }
    }
    // Errors can also arrive later (the service goes away while speaking). The engine object
    // is owned here and dies with this object, so it is a safe context for the connection.
    auto* self = const_cast<QtSpeechOutput*>(this);
    QObject::connect(m_speech.get(), &QTextToSpeech::errorOccurred, m_speech.get(),
                     [self](QTextToSpeech::ErrorReason, const QString& message) {
                         self->m_asyncProblem = engineProblemText(message);
                         self->reportUnavailable(self->m_asyncProblem);
                     });
}

QString QtSpeechOutput::currentProblem() const {
    startEngineIfNeeded();
    if (!m_startProblem.isEmpty())
        return m_startProblem;
    if (m_speech && m_speech->state() == QTextToSpeech::Error)
        return m_asyncProblem.isEmpty() ? engineProblemText(m_speech->errorString()) : m_asyncProblem;
    return {};
}

void QtSpeechOutput::reportUnavailable(const QString& reason) {
    if (m_reported)
        return;
    m_reported = true;
    AppLogger::shared().warning(QStringLiteral("speech"), reason);
    if (m_unavailableHandler)
        m_unavailableHandler(reason);
}

std::expected<void, QString> QtSpeechOutput::speak(const QString& text) {
    const QString problem = currentProblem();
    if (!problem.isEmpty()) {
        reportUnavailable(problem);
        return std::unexpected(problem);
    }
    m_speech->stop();
    if (!text.trimmed().isEmpty())
        m_speech->say(text);
    return {};
}

void QtSpeechOutput::stop() {
    // Stopping never starts the engine: nothing can be speaking before the first `speak`.
    if (m_speech && m_speech->state() != QTextToSpeech::Error)
        m_speech->stop();
}

bool QtSpeechOutput::isAvailable() const {
    return currentProblem().isEmpty();
}

QString QtSpeechOutput::unavailableReason() const {
    return currentProblem();
}

}  // namespace ovisu
