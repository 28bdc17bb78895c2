#include "web/Certificate.h"

#include <QDir>
#include <QFile>
#include <QHostInfo>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>

namespace web
{

namespace
{

bool make(const QString& certFile, const QString& keyFile, QString* error)
{
    const QString host = QHostInfo::localHostName();
    QString names = QStringLiteral("subjectAltName=DNS:localhost,IP:127.0.0.1,IP:::1");
    if (!host.isEmpty() && host != u"localhost")
        names += QStringLiteral(",DNS:%1,DNS:%1.local").arg(host);
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(
        QStringLiteral("openssl"),
        {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
         QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
         QStringLiteral("-days"), QStringLiteral("825"), QStringLiteral("-subj"),
         QStringLiteral("/CN=Corvane on %1").arg(host.isEmpty() ? QStringLiteral("localhost") : host),
         QStringLiteral("-addext"), names, QStringLiteral("-keyout"), keyFile, QStringLiteral("-out"),
         certFile});
    if (!openssl.waitForStarted(5000)) {
        *error =
            QStringLiteral("cannot run openssl to make a certificate (install the openssl package, or give "
                           "--web-cert and --web-key)");
        return false;
    }
    openssl.waitForFinished(60000);
    if (openssl.exitStatus() != QProcess::NormalExit || openssl.exitCode() != 0) {
        *error = QStringLiteral("openssl could not make a certificate: %1")
                     .arg(QString::fromLocal8Bit(openssl.readAll()).trimmed());
        return false;
    }
    QFile::setPermissions(keyFile, QFile::ReadOwner | QFile::WriteOwner);
    return true;
}

} // namespace

std::optional<Tls> loadTls(const QString& certFile, const QString& keyFile, const QString& dir,
                           QString* error)
{
    QString cert = certFile, key = keyFile;
    if (cert.isEmpty() != key.isEmpty()) {
        *error = QStringLiteral("--web-cert and --web-key go together");
        return std::nullopt;
    }
    if (cert.isEmpty()) {
        cert = QDir(dir).filePath(QStringLiteral("web-cert.pem"));
        key = QDir(dir).filePath(QStringLiteral("web-key.pem"));
        if (!QFile::exists(cert) || !QFile::exists(key)) {
            QDir().mkpath(dir);
            if (!make(cert, key, error))
                return std::nullopt;
        }
    }
    QFile certIn(cert), keyIn(key);
    if (!certIn.open(QIODevice::ReadOnly) || !keyIn.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1").arg(certIn.isOpen() ? key : cert);
        return std::nullopt;
    }
    const QList<QSslCertificate> chain = QSslCertificate::fromDevice(&certIn, QSsl::Pem);
    const QByteArray keyPem = keyIn.readAll();
    QSslKey privateKey(keyPem, QSsl::Ec, QSsl::Pem);
    if (privateKey.isNull())
        privateKey = QSslKey(keyPem, QSsl::Rsa, QSsl::Pem);
    if (chain.isEmpty() || privateKey.isNull()) {
        *error = QStringLiteral("%1 holds no PEM %2")
                     .arg(chain.isEmpty() ? cert : key,
                          chain.isEmpty() ? QStringLiteral("certificate") : QStringLiteral("private key"));
        return std::nullopt;
    }
    Tls tls;
    tls.configuration = QSslConfiguration::defaultConfiguration();
    tls.configuration.setLocalCertificateChain(chain);
    tls.configuration.setPrivateKey(privateKey);
    tls.configuration.setProtocol(QSsl::TlsV1_2OrLater);
    tls.configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    tls.fingerprint =
        QString::fromLatin1(chain.first().digest(QCryptographicHash::Sha256).toHex(':').toUpper());
    tls.certFile = cert;
    return tls;
}

} // namespace web
