#pragma once
// The remote panel's passphrase: kept only as a PBKDF2-HMAC-SHA256 key of a
// random salt, never in the clear, in its own settings file (web.conf beside
// corvane.conf, readable by its owner only), so that --no-settings neither
// hides nor forgets it.

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <memory>
#include <optional>

class QSettings;

namespace web
{

struct PassHash {
    QByteArray salt; // 16 random bytes
    QByteArray key;  // 32 bytes
    int iterations = 0;
};

// Slow on purpose: about a quarter of a second on a Raspberry Pi 4; hashes
// run off the event loop (see LoginGuard), one at a time.
inline constexpr int defaultIterations = 100'000;
inline constexpr int minPassphraseChars = 8;

PassHash hashPassphrase(const QString& passphrase, int iterations = defaultIterations);
// Compares in time independent of where the keys differ.
bool matches(const PassHash& hash, const QString& passphrase);

std::unique_ptr<QSettings> passphraseStore();
// Nothing when none is set or what is stored is damaged.
std::optional<PassHash> loadPassphrase(QSettings& store);
void storePassphrase(QSettings& store, const PassHash& hash);

// --set-web-passphrase: reads the passphrase twice from `in` (echo off when
// it is a terminal), stores its hash. Returns the exit code; says why on err.
int setPassphraseFromInput(QSettings& store, std::FILE* in, std::FILE* out, std::FILE* err);

} // namespace web
