// One window program per user: the first `nerovan` listens on a local
// socket in a folder of the user's own ("$XDG_RUNTIME_DIR/nerovan", or
// "/tmp/nerovan-<uid>" without a runtime folder), and a later start hands
// its request ("show" or "paste") to it instead of opening a second window.
// Two users have two folders, so their programs never meet.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

namespace nerovan {

class TNerovan1;

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // What a start asks of the running program: bring the window forward,
    // or do what the global hot key does (paste, paint and restore).
    enum class Request { Show, Paste };
    Q_ENUM(Request)
    // How a start went: its request reached the running program
    // (Forwarded); this program is the running one now (Listening); a
    // program runs but did not answer (Failed); or the folder or the socket
    // could not be used, and this program runs on its own (Alone).
    enum class Outcome { Forwarded, Listening, Failed, Alone };

    // How long a start waits for the running program, and how long the
    // running program waits for a request's line.
    static constexpr int kAnswerMs = 3000;
    // The longest request line read; a longer one ends the connection.
    static constexpr int kLineLimit = 64;

    // "--paste" asks for Paste; "--show", or neither, for Show.
    static Request RequestFromArguments(const QStringList& arguments);
    // "$XDG_RUNTIME_DIR/nerovan" when XDG_RUNTIME_DIR names an absolute
    // folder, else "/tmp/nerovan-<uid>".
    static QString DefaultFolder();
    // Makes the folder (mode 0700) when it is missing; true when it is a
    // folder (not a link) owned by this user and closed to everyone else.
    // Otherwise false, with the reason in *why.
    static bool PrepareFolder(const QString& folder, QString* why);

    explicit SingleInstance(const QString& folder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Hands the request to the program listening in the folder, waiting at
    // most kAnswerMs for its acknowledgement; when none listens (no socket,
    // or one a program left behind) this program starts listening instead.
    Outcome Start(Request request);
    // Why the last Start gave Failed or Alone.
    const QString& Error() const { return error_; }
    QString SocketPath() const;

signals:
    // A later start's request, emitted once its acknowledgement is sent.
    void Requested(nerovan::SingleInstance::Request request);

private:
    // Writes the request and waits for the acknowledgement.
    bool Forward(QLocalSocket& socket, Request request);
    bool Listen();
    void Accept();
    // Reads the line a client sent once it is complete; answers and emits
    // a known request, ignores an unknown one and drops a line too long.
    void ReadRequest(QLocalSocket* client);

    QString folder_;
    QString error_;
    QLocalServer* server_ = nullptr;
};

// Starts the instance for the request: -1 when this program goes on to open
// its window (also when it runs on its own, the reason on stderr); else the
// code it ends with: 0 when the request reached the running program, 1 when
// that program did not answer.
int HandOver(SingleInstance& instance, SingleInstance::Request request);

// The window serves the requests of later starts ("show": RestoreFromTray;
// "paste": OnhotKey) and this start's own: a paste once the window is up.
void ServeWindow(SingleInstance& instance, TNerovan1& window, SingleInstance::Request own);

}  // namespace nerovan
