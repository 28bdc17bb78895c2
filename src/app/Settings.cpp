#include "app/Settings.h"

#include "aids/PanelAids.h"
#include "aids/ScreenFit.h"
#include "aids/Zoom.h"
#include "hear/Verifier.h"
#include "panel/Corvane.h"
#include "panel/EventHook.h"
#include "rules/EncoderKind.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QSettings>

#include <cstdio>

namespace app
{

namespace
{

const QString portKey = QStringLiteral("panel/port"), encoderKey = QStringLiteral("panel/encoder"),
              speedKey = QStringLiteral("panel/speed"), zoomKey = QStringLiteral("window/zoom"),
              placeKey = QStringLiteral("window/position"), verifyKey = QStringLiteral("hear/verify");

} // namespace

std::unique_ptr<QSettings> standardStore()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Corvane"), QStringLiteral("corvane"));
}

PanelSettings::PanelSettings(Corvane& panel, std::unique_ptr<QSettings> store, PortCheck checkPort)
    : QObject(&panel), panel_(panel), store_(std::move(store)), checkPort_(std::move(checkPort))
{
    for (QComboBox* combo : {panel_.Port, panel_.Encoder})
        connect(combo, &QComboBox::currentTextChanged, this, &PanelSettings::save);
    connect(panel_.speed, &QListWidget::itemSelectionChanged, this, &PanelSettings::save);
    connect(&panel_.aids().zoom(), &Zoom::changed, this, &PanelSettings::save);
    panel_.installEventFilter(new EventHook(
        [this](QObject*, QEvent* event) {
            if (event->type() == QEvent::Move)
                save();
            return false;
        },
        this));
}

PanelSettings::~PanelSettings()
{
    store_->sync();
}

void PanelSettings::restoreText(const QString& key, QComboBox* combo, QStringList& refused)
{
    if (!store_->contains(key))
        return;
    const QString before = combo->currentText();
    const QString stored = store_->value(key).toString();
    combo->setCurrentText(stored);
    // Refused as the panel's first action would refuse it.
    const bool accepted = combo == panel_.Port ? portAnswers() : rules::encoderKind(stored).has_value();
    if (accepted)
        return;
    combo->setCurrentText(before);
    refused << QStringLiteral("%1 \"%2\"").arg(combo == panel_.Port ? u"Port" : u"Encoder", stored);
}

bool PanelSettings::portAnswers()
{
    // A Port the I/O chain has no port behind converts fine, but every later
    // action on it, a remote tuning request's included, would be refused.
    try {
        const int16_t data = panel_.port_base(0);
        const int16_t control = panel_.port_base(2);
        if (!checkPort_)
            return true;
        checkPort_(data, true);
        checkPort_(data, false);
        if (panel_.is_std_port()) {
            checkPort_(control, false);
            checkPort_(control, true);
        } else {
            checkPort_(panel_.port_base(1), true);
            checkPort_(control, true);
        }
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

void PanelSettings::keepVerify(Verifier& verifier)
{
    verifier_ = &verifier;
    verifier.onSwitched = [this](bool on) {
        if (restoring_)
            return;
        store_->setValue(verifyKey, on);
        write();
    };
}

void PanelSettings::restore()
{
    restoring_ = true;
    if (verifier_) {
        if (verifier_->on())
            store_->setValue(verifyKey, true);
        else if (store_->value(verifyKey).toBool())
            verifier_->startOn("remembered");
    }
    QStringList refused;
    restoreText(portKey, panel_.Port, refused);
    restoreText(encoderKey, panel_.Encoder, refused);
    if (!refused.isEmpty())
        std::fprintf(stderr, "corvane: remembered %s not restored: the panel would refuse it\n",
                     qPrintable(refused.join(QStringLiteral(" and "))));
    const QList<QListWidgetItem*> speeds =
        panel_.speed->findItems(store_->value(speedKey).toString(), Qt::MatchExactly);
    if (!speeds.isEmpty())
        panel_.speed->setCurrentItem(speeds.first());
    bool whole = false;
    const qlonglong zoom = store_->value(zoomKey).toLongLong(&whole);
    if (whole && zoom >= Zoom::min && zoom <= Zoom::max)
        panel_.setZoomPercent(static_cast<int>(zoom));
    // Onto the screen it was on if that is still there, else the one it opens
    // on; wholly inside it either way.
    if (store_->contains(placeKey)) {
        const QPoint place = store_->value(placeKey).toPoint();
        const QScreen* screen = QGuiApplication::screenAt(place);
        const QRect room = screen ? screen->availableGeometry() : screenfit::roomFor(panel_);
        const QSize extra = screenfit::frameExtra(panel_);
        panel_.move(screenfit::placeInside(QRect(place, panel_.size() + extra), room));
    }
    restoring_ = false;
}

void PanelSettings::save()
{
    if (restoring_)
        return;
    store_->setValue(portKey, panel_.Port->currentText());
    store_->setValue(encoderKey, panel_.Encoder->currentText());
    const QList<QListWidgetItem*> speed = panel_.speed->selectedItems();
    if (!speed.isEmpty())
        store_->setValue(speedKey, speed.first()->text());
    // As asked: a smaller screen's limit must not stick to the window.
    store_->setValue(zoomKey, panel_.aids().zoom().asked());
    if (panel_.isVisible())
        store_->setValue(placeKey, panel_.pos());
    write();
}

void PanelSettings::write()
{
    store_->sync();
    if (store_->status() == QSettings::AccessError && !writeFailureSaid_) {
        writeFailureSaid_ = true;
        std::fprintf(stderr, "corvane: cannot write the settings file %s; nothing is remembered\n",
                     qPrintable(store_->fileName()));
    }
}

} // namespace app
