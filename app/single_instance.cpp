// The one window program per user: the socket's folder and its checks, a
// later start's request and the running program's answer. The exchange is
// one line each way: the start writes "show" or "paste", the running
// program answers "ok" and then acts.
#include "single_instance.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "main_window.h"

namespace nerovan {

namespace {

constexpr char kShowLine[] = "show";
constexpr char kPasteLine[] = "paste";
constexpr char kAnswerLine[] = "ok";

QByteArray LineOf(SingleInstance::Request request) {
    return request == SingleInstance::Request::Paste ? kPasteLine : kShowLine;
}

}  // namespace

SingleInstance::Request SingleInstance::RequestFromArguments(const QStringList& arguments) {
    return arguments.contains(QStringLiteral("--paste")) ? Request::Paste : Request::Show;
}

QString SingleInstance::DefaultFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/')) return runtime + QStringLiteral("/nerovan");
    return QStringLiteral("/tmp/nerovan-%1").arg(geteuid());
}

bool SingleInstance::PrepareFolder(const QString& folder, QString* why) {
    const QByteArray path = QFile::encodeName(folder);
    if (mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        *why = QStringLiteral("cannot make %1: %2")
                   .arg(folder, QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    // lstat: a link planted in place of the folder is refused, not followed.
    struct stat st {};
    if (lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        *why = QStringLiteral("%1 is not a folder").arg(folder);
        return false;
    }
    if (st.st_uid != geteuid()) {
        *why = QStringLiteral("%1 belongs to another user").arg(folder);
        return false;
    }
    if ((st.st_mode & 077) != 0) {
        *why = QStringLiteral("%1 is open to other users").arg(folder);
        return false;
    }
    return true;
}

SingleInstance::SingleInstance(const QString& folder, QObject* parent)
    : QObject(parent), folder_(folder) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::SocketPath() const { return folder_ + QStringLiteral("/instance"); }

SingleInstance::Outcome SingleInstance::Start(Request request) {
    error_.clear();
    if (!PrepareFolder(folder_, &error_)) return Outcome::Alone;
    // Two starts at once: the lock lets one of them find no program and
    // listen, and the other then finds it listening.
    QLockFile lock(folder_ + QStringLiteral("/instance.lock"));
    if (!lock.tryLock(kAnswerMs)) {
        error_ = QStringLiteral("another start holds %1").arg(lock.fileName());
        return Outcome::Failed;
    }
    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (socket.waitForConnected(kAnswerMs))
        return Forward(socket, request) ? Outcome::Forwarded : Outcome::Failed;
    // No socket, or one whose program has ended: this program takes its
    // place. Any other error (a program that does not take connections)
    // leaves the socket alone, or there would be two programs.
    const QLocalSocket::LocalSocketError error = socket.error();
    if (error != QLocalSocket::ServerNotFoundError &&
        error != QLocalSocket::ConnectionRefusedError) {
        error_ =
            QStringLiteral("the running program does not answer: %1").arg(socket.errorString());
        return Outcome::Failed;
    }
    return Listen() ? Outcome::Listening : Outcome::Alone;
}

bool SingleInstance::Forward(QLocalSocket& socket, Request request) {
    socket.write(LineOf(request) + '\n');
    const QDeadlineTimer deadline(kAnswerMs);
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || socket.bytesAvailable() > kLineLimit ||
            !socket.waitForReadyRead(int(deadline.remainingTime()))) {
            error_ = QStringLiteral("the running program did not answer");
            return false;
        }
    }
    if (socket.readLine(kLineLimit).trimmed() != kAnswerLine) {
        error_ = QStringLiteral("the running program gave an unknown answer");
        return false;
    }
    return true;
}

bool SingleInstance::Listen() {
    QLocalServer::removeServer(SocketPath());
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(SocketPath())) {
        error_ =
            QStringLiteral("cannot listen on %1: %2").arg(SocketPath(), server_->errorString());
        delete server_;
        server_ = nullptr;
        return false;
    }
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::Accept);
    return true;
}

void SingleInstance::Accept() {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QLocalSocket::readyRead, this, [this, client] { ReadRequest(client); });
        // A client that never sends its line does not stay connected.
        QTimer::singleShot(kAnswerMs, client, [client] {
            client->abort();
            client->deleteLater();
        });
        // The line may have come with the connection.
        if (client->bytesAvailable() > 0) ReadRequest(client);
    }
}

void SingleInstance::ReadRequest(QLocalSocket* client) {
    if (!client->canReadLine()) {
        if (client->bytesAvailable() > kLineLimit) {
            client->abort();
            client->deleteLater();
        }
        return;
    }
    const QByteArray line = client->readLine(kLineLimit + 1).trimmed();
    Request request;
    if (line == kShowLine) {
        request = Request::Show;
    } else if (line == kPasteLine) {
        request = Request::Paste;
    } else {
        client->abort();
        client->deleteLater();
        return;
    }
    client->write(QByteArray(kAnswerLine) + '\n');
    client->disconnectFromServer();
    emit Requested(request);
}

int HandOver(SingleInstance& instance, SingleInstance::Request request) {
    switch (instance.Start(request)) {
        case SingleInstance::Outcome::Forwarded: return 0;
        case SingleInstance::Outcome::Listening: return -1;
        case SingleInstance::Outcome::Failed:
            std::fprintf(stderr, "nerovan: %s\n", qPrintable(instance.Error()));
            return 1;
        case SingleInstance::Outcome::Alone: break;
    }
    std::fprintf(stderr, "nerovan: running without a single instance: %s\n",
                 qPrintable(instance.Error()));
    return -1;
}

void ServeWindow(SingleInstance& instance, TNerovan1& window, SingleInstance::Request own) {
    // Queued: the window acts once the request's answer has gone.
    QObject::connect(
        &instance, &SingleInstance::Requested, &window,
        [&window](SingleInstance::Request request) {
            if (request == SingleInstance::Request::Paste)
                window.OnhotKey();
            else
                window.RestoreFromTray();
        },
        Qt::QueuedConnection);
    if (own == SingleInstance::Request::Paste) QTimer::singleShot(0, &window, &TNerovan1::OnhotKey);
}

}  // namespace nerovan
