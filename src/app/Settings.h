#pragma once
// What the operator set up last time, remembered between runs: the Port and
// Encoder texts, the step speed, the zoom, the window's place on the screen
// and verify by ear.
// Never the model or the frequency: the rig may have been switched off or
// retuned by hand since, and a record it does not have would be a lie.
//
// The program keeps them with QSettings in the platform's standard place for
// settings (on Linux ~/.config/Corvane/corvane.conf). A file that cannot be
// written costs the remembering only: standard error says so once.

#include <QObject>
#include <QSettings>

#include <cstdint>
#include <functional>
#include <memory>

class Corvane;
class QComboBox;
class Verifier;

namespace app
{

class PanelSettings : public QObject
{
public:
    // Throws (PortRefused, say) when an access to the address, a write or a
    // read, would be refused; touches nothing. Empty: every port answers.
    using PortCheck = std::function<void(int16_t address, bool write)>;

    // Keeps `store` and, from now on, writes every change of a remembered
    // setting to it as it happens. Becomes a child of `panel`. checkPort
    // answers for the ports behind the panel's I/O once start-up is over.
    PanelSettings(Corvane& panel, std::unique_ptr<QSettings> store, PortCheck checkPort = {});
    ~PanelSettings() override;

    // Puts the stored settings on the panel: texts, the step speed (through its
    // selection, which writes nothing to the port), the zoom and the place.
    // Call once start-up is over, so that its port traffic is the same whatever
    // was stored. Values that are missing or out of range are left alone. A
    // text is restored only where the panel's actions would take it: a Port
    // text that converts to its registers and whose registers the port check
    // answers (the data register read and written; on a standard port the
    // control register at base+2 read and written, on any other the key and
    // RIT registers at base+1 and base+2 written), an Encoder text that names
    // an encoder kind. Standard error names those not restored, once. The
    // zoom and place are fitted to today's screen: no more zoom than it
    // holds, the window wholly on it.
    void restore();
    // Remembers verify by ear too: restore() turns it on when it was on
    // (never off, so that --verify stands; a panel that does not listen leaves
    // it off, standard error says so, and the stored choice stays), and each
    // switch of it is written. Call before restore(); `verifier` must outlive
    // this.
    void keepVerify(Verifier& verifier);

private:
    void save();
    void restoreText(const QString& key, QComboBox* combo, QStringList& refused);
    bool portAnswers();
    void write(); // sync, and say once when the file cannot be written

    Corvane& panel_;
    std::unique_ptr<QSettings> store_;
    PortCheck checkPort_;
    Verifier* verifier_ = nullptr;
    bool restoring_ = false;
    bool writeFailureSaid_ = false; // a settings file that cannot be written is said once
};

// The program's own store, in the platform's standard place.
std::unique_ptr<QSettings> standardStore();

} // namespace app
