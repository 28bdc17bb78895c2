#pragma once
// --rigctld: answers Hamlib clients (WSJT-X, fldigi, loggers, rigctl -m 2) as
// rigctld would, on the loopback addresses only.
//
// No thread of its own: the sockets live on the window's event loop, so a
// request is served between clicks, and one that arrives during a run of steps
// waits until the run has ended, like a click. Each reply goes out in one write.
// A connection is closed after the reply to "q" ("RPRT 0", as rigctld answers
// it), and on a request line longer than LineBuffer::maxLine bytes; a peer that
// is not loopback and a client beyond maxClients are closed on arrival.

#include "rigctl/Interpreter.h"

#include <QObject>
#include <QString>
#include <QTcpServer>

#include <unordered_map>

class QHostAddress;
class QTcpSocket;

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

    // The rig must outlive the server.
    explicit RigctlServer(Rig& rig, QObject* parent = nullptr);
    ~RigctlServer() override;

    // Listens on 127.0.0.1 and ::1 at port; 0 picks a free port, the same on
    // both. A machine without IPv6 loopback is served on IPv4 alone. On failure
    // (port in use, say) returns false with a one-line reason in *error.
    bool listen(quint16 port, QString* error);
    quint16 port() const; // 0 until listening
    int clientCount() const { return static_cast<int>(clients_.size()); }

private:
    void accept(QTcpServer& server);
    void serve(QTcpSocket* socket);

    Interpreter interpreter_;
    QTcpServer v4_;
    QTcpServer v6_;
    std::unordered_map<QTcpSocket*, LineBuffer> clients_;
};

} // namespace rigctl
