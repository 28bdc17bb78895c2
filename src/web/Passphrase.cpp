#include "web/Passphrase.h"

#include <QFile>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QSettings>

#include <termios.h>
#include <unistd.h>

#include <array>

namespace web
{

namespace
{

constexpr int keyBytes = 32;
constexpr int saltBytes = 16;
const QString saltKey = QStringLiteral("passphrase/salt"), keyKey = QStringLiteral("passphrase/key"),
              iterationsKey = QStringLiteral("passphrase/iterations");

QByteArray derive(const QString& passphrase, const QByteArray& salt, int iterations)
{
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, passphrase.toUtf8(), salt,
                                              iterations, keyBytes);
}

// One line without its newline; nothing at end of input.
std::optional<QString> readLine(std::FILE* in)
{
    std::array<char, 1024> buffer{};
    if (!std::fgets(buffer.data(), static_cast<int>(buffer.size()), in))
        return std::nullopt;
    QString line = QString::fromUtf8(buffer.data());
    while (line.endsWith(u'\n') || line.endsWith(u'\r'))
        line.chop(1);
    return line;
}

// Terminal echo off for as long as it lives, when `in` is a terminal.
class NoEcho
{
public:
    explicit NoEcho(std::FILE* in) : fd_(fileno(in))
    {
        if (isatty(fd_) && tcgetattr(fd_, &saved_) == 0) {
            termios quiet = saved_;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            active_ = tcsetattr(fd_, TCSAFLUSH, &quiet) == 0;
        }
    }
    ~NoEcho()
    {
        if (active_)
            tcsetattr(fd_, TCSAFLUSH, &saved_);
    }
    NoEcho(const NoEcho&) = delete;
    NoEcho& operator=(const NoEcho&) = delete;
    bool active() const { return active_; }

private:
    int fd_;
    termios saved_{};
    bool active_ = false;
};

} // namespace

PassHash hashPassphrase(const QString& passphrase, int iterations)
{
    QByteArray salt(saltBytes, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()), saltBytes / 4);
    return {salt, derive(passphrase, salt, iterations), iterations};
}

bool matches(const PassHash& hash, const QString& passphrase)
{
    const QByteArray key = derive(passphrase, hash.salt, hash.iterations);
    if (key.size() != hash.key.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < key.size(); ++i)
        difference |= static_cast<unsigned char>(key[i] ^ hash.key[i]);
    return difference == 0;
}

std::unique_ptr<QSettings> passphraseStore()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Corvane"), QStringLiteral("web"));
}

std::optional<PassHash> loadPassphrase(QSettings& store)
{
    PassHash hash;
    hash.salt = QByteArray::fromBase64(store.value(saltKey).toByteArray());
    hash.key = QByteArray::fromBase64(store.value(keyKey).toByteArray());
    hash.iterations = store.value(iterationsKey).toInt();
    if (hash.salt.size() != saltBytes || hash.key.size() != keyBytes || hash.iterations < 1)
        return std::nullopt;
    return hash;
}

void storePassphrase(QSettings& store, const PassHash& hash)
{
    store.setValue(saltKey, hash.salt.toBase64());
    store.setValue(keyKey, hash.key.toBase64());
    store.setValue(iterationsKey, hash.iterations);
    store.sync();
    QFile::setPermissions(store.fileName(), QFile::ReadOwner | QFile::WriteOwner);
}

int setPassphraseFromInput(QSettings& store, std::FILE* in, std::FILE* out, std::FILE* err)
{
    std::optional<QString> first, second;
    {
        const NoEcho quiet(in);
        std::fputs("New passphrase for the remote panel: ", out);
        std::fflush(out);
        first = readLine(in);
        if (quiet.active())
            std::fputs("\n", out);
        std::fputs("Again: ", out);
        std::fflush(out);
        second = readLine(in);
        if (quiet.active())
            std::fputs("\n", out);
    }
    if (!first || !second) {
        std::fputs("corvane: --set-web-passphrase: no passphrase read; nothing changed\n", err);
        return 1;
    }
    if (*first != *second) {
        std::fputs("corvane: --set-web-passphrase: the two differ; nothing changed\n", err);
        return 1;
    }
    if (first->size() < minPassphraseChars || first->size() > 256) {
        std::fprintf(err, "corvane: --set-web-passphrase: use %d to 256 characters; nothing changed\n",
                     minPassphraseChars);
        return 1;
    }
    storePassphrase(store, hashPassphrase(*first));
    if (store.status() != QSettings::NoError) {
        std::fprintf(err, "corvane: --set-web-passphrase: cannot write %s\n", qPrintable(store.fileName()));
        return 1;
    }
    std::fprintf(out, "Passphrase stored (hashed) in %s\n", qPrintable(store.fileName()));
    return 0;
}

} // namespace web
