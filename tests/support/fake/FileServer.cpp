#include "support/fake/FileServer.h"

#include "support/fake/Httplib.h"
#include "support/fake/ServerThread.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <variant>

#include <sys/socket.h>

namespace ovisu::fake {
namespace {

constexpr const char* loopback = "127.0.0.1";

// Bytes held in memory, or (without them) `size` zeros made as they are sent.
struct Served {
    std::shared_ptr<const std::string> bytes;
    size_t size = 0;
};
struct Status {
    int code;
};
struct Redirect {
    std::string target;
};
using Answer = std::variant<Served, Status, Redirect>;

// The first and one-past-last byte a single "bytes=N-" or "bytes=N-M" range asks for; none for
// anything else, which is then answered whole as a host that ignores the header would.
std::optional<std::pair<size_t, size_t>> requestedRange(const std::string& header, size_t size) {
    const std::string prefix = "bytes=";
    if (header.rfind(prefix, 0) != 0) return std::nullopt;
    const std::string range = header.substr(prefix.size());
    const size_t dash = range.find('-');
    if (dash == std::string::npos || dash == 0 || range.find(',') != std::string::npos) return std::nullopt;
    try {
        const size_t first = std::stoull(range.substr(0, dash));
        size_t end = size;
        if (dash + 1 < range.size()) end = std::min<size_t>(size, std::stoull(range.substr(dash + 1)) + 1);
        return std::pair{first, std::max(first, end)};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace

struct FileServer::Impl {
    httplib::Server server;
    std::thread listener;
    int port = 0;

    mutable std::mutex mutex;
    std::map<std::string, Answer> answers;
    std::optional<size_t> cutAfter;
    quint64 bytesPerSecond = 0;
    QList<Request> recorded;

    void record(const httplib::Request& request, int status) {
        std::lock_guard lock(mutex);
        recorded.append({QString::fromStdString(request.path), QByteArray::fromStdString(request.get_header_value("Range")),
                         status});
    }

    void handle(const httplib::Request& request, httplib::Response& response) {
        // httplib would cut every body to the requested range by itself, error pages included;
        // this server decides what a range means.
        const_cast<httplib::Request&>(request).ranges.clear();

        std::optional<Answer> answer;
        std::optional<size_t> cut;
        quint64 pace = 0;
        {
            std::lock_guard lock(mutex);
            pace = bytesPerSecond;
            if (const auto found = answers.find(request.path); found != answers.end()) answer = found->second;
            if (answer && std::holds_alternative<Served>(*answer)) cut = std::exchange(cutAfter, std::nullopt);
        }
        if (!answer) answer = Status{404};

        if (const auto* status = std::get_if<Status>(&*answer)) {
            response.status = status->code;
            response.set_content("status " + std::to_string(status->code) + "\n", "text/plain");
            record(request, response.status);
            return;
        }
        if (const auto* redirect = std::get_if<Redirect>(&*answer)) {
            response.status = 302;
            response.set_header("Location", "http://127.0.0.1:" + std::to_string(port) + redirect->target);
            record(request, response.status);
            return;
        }

        const auto bytes = std::get<Served>(*answer).bytes;
        const size_t size = std::get<Served>(*answer).size;
        size_t first = 0;
        size_t end = size;
        response.status = 200;
        if (request.has_header("Range")) {
            if (const auto range = requestedRange(request.get_header_value("Range"), size)) {
                if (range->first >= size) {
                    response.status = 416;
                    response.set_header("Content-Range", "bytes */" + std::to_string(size));
                    response.set_content("", "application/octet-stream");
                    record(request, response.status);
                    return;
                }
                std::tie(first, end) = *range;
                response.status = 206;
                response.set_header("Content-Range", "bytes " + std::to_string(first) + "-" + std::to_string(end - 1) +
                                                         "/" + std::to_string(size));
            }
        }
        response.set_header("Accept-Ranges", "bytes");
        record(request, response.status);
        const size_t length = end - first;
        const size_t limit = cut ? std::min(*cut, length) : length;
        response.set_content_provider(
            length, "application/octet-stream",
            [bytes, first, limit, pace, cutShort = cut.has_value()](size_t offset, size_t wanted,
                                                                    httplib::DataSink& sink) {
                if (offset < limit) {
                    size_t count = std::min(wanted, limit - offset);
                    if (pace > 0) {
                        count = std::min<size_t>(count, 64 * 1024);
                        std::this_thread::sleep_for(std::chrono::microseconds(count * 1000000 / pace));
                    }
                    if (bytes) {
                        if (!sink.write(bytes->data() + first + offset, count)) return false;
                    } else {
                        static const std::string zeros(64 * 1024, '\0');
                        count = std::min(count, zeros.size());
                        if (!sink.write(zeros.data(), count)) return false;
                    }
                    if (offset + count < limit || !cutShort) return true;
                }
                // Refusing the rest makes httplib close the socket short of the announced length.
                return false;
            });
    }
};

FileServer::FileServer() : m_impl(std::make_unique<Impl>()) {
    ignoreBrokenPipes();
    Impl& impl = *m_impl;
    // One request per connection, so an idle client never holds the destructor up.
    impl.server.set_keep_alive_max_count(1);
    impl.server.set_keep_alive_timeout(1);
    impl.server.set_socket_options([](socket_t socket) {
        const int on = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    });
    const auto handler = [&impl](const httplib::Request& request, httplib::Response& response) {
        impl.handle(request, response);
    };
    impl.server.Get(".*", handler);
    impl.port = impl.server.bind_to_any_port(loopback);
    if (impl.port <= 0) {
        impl.port = 0;
        return;
    }
    impl.listener = serveInBackground(impl.server);
}

FileServer::~FileServer() {
    stopServing(m_impl->server, m_impl->listener);
}

bool FileServer::isListening() const { return m_impl->port > 0 && m_impl->server.is_running(); }

int FileServer::port() const { return m_impl->port; }

QString FileServer::baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_impl->port); }

QUrl FileServer::url(const QString& path) const { return QUrl(baseUrl() + path); }

void FileServer::serve(const QString& path, QByteArray bytes) {
    std::lock_guard lock(m_impl->mutex);
    auto held = std::make_shared<const std::string>(bytes.toStdString());
    const size_t size = held->size();
    m_impl->answers[path.toStdString()] = Served{std::move(held), size};
}

void FileServer::serveZeros(const QString& path, quint64 size) {
    std::lock_guard lock(m_impl->mutex);
    m_impl->answers[path.toStdString()] = Served{nullptr, size_t(size)};
}

void FileServer::answerStatus(const QString& path, int status) {
    std::lock_guard lock(m_impl->mutex);
    m_impl->answers[path.toStdString()] = Status{status};
}

void FileServer::redirect(const QString& path, const QString& target) {
    std::lock_guard lock(m_impl->mutex);
    m_impl->answers[path.toStdString()] = Redirect{target.toStdString()};
}

void FileServer::setBytesPerSecond(quint64 rate) {
    std::lock_guard lock(m_impl->mutex);
    m_impl->bytesPerSecond = rate;
}

void FileServer::cutNextResponseAfter(qsizetype bytes) {
    std::lock_guard lock(m_impl->mutex);
    m_impl->cutAfter = size_t(std::max<qsizetype>(0, bytes));
}

QList<FileServer::Request> FileServer::requests() const {
    std::lock_guard lock(m_impl->mutex);
    return m_impl->recorded;
}

}  // namespace ovisu::fake
