#pragma once
// --rigctld: answers Hamlib clients (WSJT-X, fldigi, loggers, rigctl -m 2) as
// rigctld would, on the loopback addresses only.
//
// No thread of its own: the sockets live on the window's event loop. A request
// is answered as soon as the loop serves its socket, during a run too (the run
// serves it between steps and inside its long waits); a tuning request is
// checked and answered then, and its move carried out in its turn
// (Rig::tune), whether its client stays or not.
// Each reply goes out in one write, handed to the system at once, so a client
// that closes its sending side after its requests still gets every reply.
//
// A connection is closed after the reply to "q" ("RPRT 0", as rigctld answers
// it), on a request line longer than LineBuffer::maxLine bytes, and after
// idleLimit without a complete request line (partial bytes do not count). A client whose unsent
// replies pass pauseAt bytes is read no further until they drain, so one that
// sends without reading holds a bounded amount of memory and is dropped once
// idle. A peer that is not loopback and a client beyond maxClients are closed
// on arrival; a slot is free as soon as its client has closed.

#include "rigctl/Interpreter.h"

#include <QObject>
#include <QString>
#include <QTcpServer>

#include <chrono>
#include <unordered_map>

class QHostAddress;
class QTcpSocket;
class QTimer;

namespace rigctl {

// Hamlib's own rigctld port.
constexpr quint16 defaultPort = 4532;

// Whether a connection from this address may be served: loopback only, IPv4,
// IPv6 or IPv4 mapped into IPv6.
bool isLoopbackPeer(const QHostAddress& peer);

class RigctlServer : public QObject {
    Q_OBJECT

public:
    static constexpr int maxClients = 8;
    static constexpr qint64 pauseAt = 32 * 1024;        // unsent reply bytes
    static constexpr qint64 readBufferSize = 16 * 1024; // request bytes held unread
    // Clients poll every second or so; a silent minute is no client at all.
    static constexpr std::chrono::milliseconds defaultIdleLimit{60000};

    // The rig must outlive the server.
    explicit RigctlServer(Rig& rig, QObject* parent = nullptr);
    ~RigctlServer() override;

    // Listens on 127.0.0.1 and ::1 at port; 0 picks a free port, the same on
    // both. A machine without IPv6 loopback is served on IPv4 alone. On failure
    // (port in use, say) returns false with a one-line reason in *error.
    bool listen(quint16 port, QString* error);
    quint16 port() const; // 0 until listening
    int clientCount() const { return static_cast<int>(clients_.size()); }
    // For connections accepted from now on.
    void setIdleLimit(std::chrono::milliseconds limit) { idleLimit_ = limit; }

private:
    struct Client {
        LineBuffer lines;
        QTimer* idle; // owned by the socket
    };

    void accept(QTcpServer& server);
    void serve(QTcpSocket* socket);
    void freeClosedSlots();
    // Frees the slot; the socket is closed by the caller. A move the client
    // was answered for stays.
    void release(QTcpSocket* socket);

    Rig& rig_;
    Interpreter interpreter_;
    QTcpServer v4_{this};
    QTcpServer v6_{this};
    std::unordered_map<QTcpSocket*, Client> clients_;
    std::chrono::milliseconds idleLimit_ = defaultIdleLimit;
};

} // namespace rigctl
