#include "web/WebServer.h"

#include "web/WebHub.h"

#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QNetworkRequest>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>

#include <chrono>
#include <memory>

namespace web
{

namespace
{

struct Page {
    const char* path;
    const char* resource;
    const char* type;
};
constexpr Page pages[] = {
    {"/", ":/web/index.html", "text/html; charset=utf-8"},
    {"/panel.css", ":/web/panel.css", "text/css; charset=utf-8"},
    {"/panel.js", ":/web/panel.js", "text/javascript; charset=utf-8"},
};

// The last header of that name, as a browser sends each once.
QByteArray header(const QHttpServerRequest& request, const QByteArray& name)
{
    QByteArray value;
    for (const auto& [key, v] : request.headers())
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            value = v;
    return value.trimmed();
}

void answer(QHttpServerResponder&& responder, const QHttpServerRequest& request,
            QHttpServerResponder::StatusCode status, const QByteArray& type, const QByteArray& body)
{
    responder.writeStatusLine(status);
    responder.writeHeader("Content-Type", type);
    responder.writeHeader("Content-Length", QByteArray::number(body.size()));
    responder.writeHeader("Cache-Control", "no-store");
    responder.writeHeader("X-Content-Type-Options", "nosniff");
    responder.writeHeader("X-Frame-Options", "DENY");
    responder.writeHeader("Referrer-Policy", "no-referrer");
    responder.writeHeader("Content-Security-Policy",
                          "default-src 'none'; script-src 'self'; style-src 'self'; connect-src 'self'; "
                          "img-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'");
    if (status == QHttpServerResponder::StatusCode::MethodNotAllowed)
        responder.writeHeader("Allow", "GET, HEAD");
    if (request.method() != QHttpServerRequest::Method::Head)
        responder.writeBody(body);
}

bool loopbackHost(const QByteArray& host, quint16 port)
{
    const QByteArray suffix = ':' + QByteArray::number(port);
    for (const char* name : {"localhost", "127.0.0.1", "[::1]"})
        if (host == name + suffix)
            return true;
    return false;
}

} // namespace

WebServer::WebServer(WebHub& hub, Mode mode, QObject* parent)
    : QAbstractHttpServer(parent), hub_(hub), mode_(mode)
{
    connect(this, &QAbstractHttpServer::newWebSocketConnection, this, &WebServer::accept);
}

QByteArray WebServer::refusal(Mode mode, quint16 port, const QByteArray& host, const QByteArray& origin,
                              const QByteArray& fetchSite, bool webSocket)
{
    if (host.isEmpty())
        return "no Host";
    if (mode.loopbackOnly && !loopbackHost(host, port))
        return "Host is not this machine's loopback";
    if (webSocket && origin.isEmpty())
        return "no Origin";
    if (!origin.isEmpty() && origin != (mode.tls ? "https://" : "http://") + host)
        return "foreign Origin";
    if (!fetchSite.isEmpty() && fetchSite != "same-origin" && fetchSite != "none")
        return "cross-site request";
    return {};
}

bool WebServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    using Status = QHttpServerResponder::StatusCode;
    const bool upgrade = header(request, "Upgrade").compare("websocket", Qt::CaseInsensitive) == 0;
    const QByteArray why = refusal(mode_, socket->localPort(), header(request, "Host"),
                                   header(request, "Origin"), header(request, "Sec-Fetch-Site"), upgrade);
    // An upgrade taken here goes on to the WebSocket handshake; one declined
    // is answered by missingHandler, before any handshake.
    if (upgrade)
        return why.isEmpty();
    if (!why.isEmpty()) {
        answer(makeResponder(request, socket), request, Status::Forbidden, "text/plain; charset=utf-8",
               why + '\n');
        return true;
    }
    const QHttpServerRequest::Method method = request.method();
    if (method != QHttpServerRequest::Method::Get && method != QHttpServerRequest::Method::Head) {
        answer(makeResponder(request, socket), request, Status::MethodNotAllowed, "text/plain; charset=utf-8",
               "GET only\n");
        return true;
    }
    const QString path = request.url().path();
    for (const Page& page : pages) {
        if (path != QLatin1String(page.path))
            continue;
        QFile file(QString::fromLatin1(page.resource));
        if (!file.open(QIODevice::ReadOnly))
            break;
        answer(makeResponder(request, socket), request, Status::Ok, page.type, file.readAll());
        return true;
    }
    answer(makeResponder(request, socket), request, Status::NotFound, "text/plain; charset=utf-8",
           "not found\n");
    return true;
}

void WebServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket)
{
    const QByteArray why = refusal(mode_, socket->localPort(), header(request, "Host"),
                                   header(request, "Origin"), header(request, "Sec-Fetch-Site"), true);
    answer(makeResponder(request, socket), request,
           why.isEmpty() ? QHttpServerResponder::StatusCode::NotFound
                         : QHttpServerResponder::StatusCode::Forbidden,
           "text/plain; charset=utf-8", why.isEmpty() ? QByteArray("not found\n") : why + '\n');
}

void WebServer::accept()
{
    while (hasPendingWebSocketConnections()) {
        std::unique_ptr<QWebSocket> socket = nextPendingWebSocketConnection();
        if (!socket)
            continue;
        const QNetworkRequest request = socket->request();
        const QByteArray why =
            refusal(mode_, socket->localPort(), request.rawHeader("Host").trimmed(),
                    socket->origin().toUtf8(), request.rawHeader("Sec-Fetch-Site").trimmed(), true);
        if (!why.isEmpty()) {
            // Kept until the close frame has gone out, or briefly.
            QWebSocket* refused = socket.release();
            connect(refused, &QWebSocket::disconnected, refused, &QObject::deleteLater);
            QTimer::singleShot(std::chrono::seconds(5), refused, &QObject::deleteLater);
            refused->close(QWebSocketProtocol::CloseCodePolicyViolated, QString::fromLatin1(why));
            continue;
        }
        hub_.welcome(std::move(socket));
    }
}

} // namespace web
