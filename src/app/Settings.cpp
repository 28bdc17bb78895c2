#include "app/Settings.h"

#include "panel/Corvane.h"
#include "panel/EventHook.h"
#include "panel/PanelAids.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QSettings>

namespace app {

namespace {

const QString portKey = QStringLiteral("panel/port"), encoderKey = QStringLiteral("panel/encoder"),
              speedKey = QStringLiteral("panel/speed"), zoomKey = QStringLiteral("window/zoom"),
              placeKey = QStringLiteral("window/position");

} // namespace

std::unique_ptr<QSettings> standardStore()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Corvane"), QStringLiteral("corvane"));
}

PanelSettings::PanelSettings(Corvane& panel, std::unique_ptr<QSettings> store)
    : QObject(&panel), panel_(panel), store_(std::move(store))
{
    for (QComboBox* combo : {panel_.Port, panel_.Encoder})
        connect(combo, &QComboBox::currentTextChanged, this, &PanelSettings::save);
    connect(panel_.speed, &QListWidget::itemSelectionChanged, this, &PanelSettings::save);
    connect(&panel_.aids(), &PanelAids::zoomChanged, this, &PanelSettings::save);
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

void PanelSettings::restore()
{
    restoring_ = true;
    if (store_->contains(portKey))
        panel_.Port->setCurrentText(store_->value(portKey).toString());
    if (store_->contains(encoderKey))
        panel_.Encoder->setCurrentText(store_->value(encoderKey).toString());
    const QList<QListWidgetItem*> speeds =
        panel_.speed->findItems(store_->value(speedKey).toString(), Qt::MatchExactly);
    if (!speeds.isEmpty())
        panel_.speed->setCurrentItem(speeds.first());
    if (store_->contains(zoomKey))
        panel_.setZoomPercent(store_->value(zoomKey).toInt());
    // Only onto a screen that is there now: the last one may have gone.
    const QPoint place = store_->value(placeKey).toPoint();
    if (store_->contains(placeKey) && QGuiApplication::screenAt(place))
        panel_.move(place);
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
    store_->setValue(zoomKey, panel_.zoomPercent());
    if (panel_.isVisible())
        store_->setValue(placeKey, panel_.pos());
}

} // namespace app
