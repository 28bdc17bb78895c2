#pragma once
// The remote panel's HTTP side: the built-in page, and the door to the
// WebSocket for the browsers it lets in.
//
// Served: GET (and HEAD) of "/", "/panel.css" and "/panel.js" only; any other
// method is 405, any other path 404. Refused with 403, a WebSocket before its
// handshake (and, should one get through, closed at once as a policy
// violation without reaching the hub):
//   - an Origin other than the page's own (scheme, Host header); a WebSocket
//     must carry one, as every browser does;
//   - Sec-Fetch-Site other than same-origin or none;
//   - in loopback mode, a Host other than localhost, 127.0.0.1 or [::1] at
//     the port served (a name made to point at 127.0.0.1 is not let in).
// Every answer says: no caching, no framing, no sniffing, no referrer, and
// scripts, styles and connections from the page's own origin only.

#include <QAbstractHttpServer>
#include <QByteArray>

class QHttpServerRequest;
class QTcpSocket;

namespace web
{

class WebHub;

class WebServer : public QAbstractHttpServer
{
public:
    struct Mode {
        bool tls = false;         // the page's scheme is https (wss)
        bool loopbackOnly = true; // the Host header must name this machine's loopback
    };
    WebServer(WebHub& hub, Mode mode, QObject* parent = nullptr);

    // Why a request with these headers is refused, or empty. `port`: the
    // port it came in on. Pure; the WebSocket handshake is checked the same.
    static QByteArray refusal(Mode mode, quint16 port, const QByteArray& host, const QByteArray& origin,
                              const QByteArray& fetchSite, bool webSocket);

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    void accept();

    WebHub& hub_;
    Mode mode_;
};

} // namespace web
