// The window's controls: kinds, captions, items, places and tab order.
#include "panel/CaptionButton.h"
#include "panel/Corvane.h"
#include "panel/Twips.h"
#include "rules/Models.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

namespace {

template <typename W> W* place(W* w, const char* name, int left, int top, int width, int height)
{
    w->setObjectName(QLatin1String(name));
    w->setGeometry(twips::toPixels(QRect(left, top, width, height)));
    return w;
}

QListWidget* listBox(QWidget* parent, const QStringList& items)
{
    auto* list = new QListWidget(parent);
    list->addItems(items);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return list;
}

QStringList modelNames()
{
    QStringList names;
    for (const rules::Model& m : rules::models)
        names << QString::fromLatin1(m.name.data(), static_cast<qsizetype>(m.name.size()));
    return names;
}

QComboBox* comboBox(QWidget* parent, const QStringList& items)
{
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert); // typing runs nothing, not even a list change
    combo->addItems(items);
    combo->setCurrentIndex(-1);
    // The drop-down arrow takes half the narrow box: a pixel smaller keeps
    // "4264" whole beside it.
    QFont small = combo->font();
    small.setPixelSize(Corvane::panelFontPixels - 1);
    combo->setFont(small);
    return combo;
}

QLabel* label(QWidget* parent, const QString& caption)
{
    auto* l = new QLabel(caption, parent);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

} // namespace

void Corvane::createControls()
{
    // Built in the order the window holds them; places and sizes in twips.
    auto button = [this](const char* caption) { return new CaptionButton(QLatin1String(caption), this); };
    auto text = [this] { return new QLineEdit(this); };

    speed = place(listBox(this, {"High", "Low"}), "speed", 1200, 1680, 495, 450);
    Command31 = place(button("W1AW"), "Command31", 3000, 1560, 255, 855);
    Command30 = place(button("QRP"), "Command30", 2280, 2520, 615, 255);
    Command29 = place(button("WWV"), "Command29", 2280, 2160, 615, 255);
    Command28 = place(button("CHU"), "Command28", 2280, 1800, 615, 255);
    Text5 = place(text(), "Text5", 3480, 720, 855, 255);
    Command27 = place(button("C"), "Command27", 3000, 2520, 255, 255);
    Command26 = place(button("E"), "Command26", 4080, 2520, 255, 255);
    Command25 = place(button("."), "Command25", 3720, 2520, 255, 255);
    Command24 = place(button("0"), "Command24", 3360, 2520, 255, 255);
    Command23 = place(button("3"), "Command23", 4080, 2160, 255, 255);
    Command22 = place(button("2"), "Command22", 3720, 2160, 255, 255);
    Command21 = place(button("1"), "Command21", 3360, 2160, 255, 255);
    Command20 = place(button("6"), "Command20", 4080, 1800, 255, 255);
    Command19 = place(button("5"), "Command19", 3720, 1800, 255, 255);
    Command18 = place(button("4"), "Command18", 3360, 1800, 255, 255);
    Command17 = place(button("9"), "Command17", 4080, 1440, 255, 255);
    Command16 = place(button("8"), "Command16", 3720, 1440, 255, 255);
    Command15 = place(button("7"), "Command15", 3360, 1440, 255, 255);
    Text4 = place(text(), "Text4", 1800, 3480, 375, 285);
    KRV = place(listBox(this, modelNames()), "KRV", 120, 1320, 735, 840);
    RIT_OFF = place(new QRadioButton(QStringLiteral("RIT OFF"), this), "RIT_OFF", 2040, 1560, 975, 255);
    RIT_ON = place(new QRadioButton(QStringLiteral("RIT ON"), this), "RIT_ON", 2040, 1320, 975, 255);
    Text3 = place(text(), "Text3", 2160, 720, 855, 285);
    Text2 = place(text(), "Text2", 120, 3480, 1455, 285);
    Command1 = place(button("annun-ciate"), "Command1", 120, 720, 615, 495);
    Command2 = place(button("Step size"), "Command2", 120, 2280, 615, 495);
    Command3 = place(button("up 1 step"), "Command3", 120, 120, 615, 495);
    Command4 = place(button("dn 1 step"), "Command4", 120, 2880, 615, 495);
    Command5 = place(button("up 5 steps"), "Command5", 840, 120, 615, 495);
    Command6 = place(button("dn 5 steps"), "Command6", 840, 2880, 615, 495);
    Command7 = place(button("up 25 steps"), "Command7", 1560, 120, 615, 495);
    Command8 = place(button("dn 25 steps"), "Command8", 1560, 2880, 615, 495);
    Command9 = place(button("up 125 steps"), "Command9", 2280, 120, 615, 495);
    Command10 = place(button("dn 125 steps"), "Command10", 2280, 2880, 615, 495);
    Command11 = place(button("up 500 steps"), "Command11", 3000, 120, 615, 495);
    Command12 = place(button("dn 500 steps  "), "Command12", 3000, 2880, 615, 495);
    Command13 = place(button("up 5k steps"), "Command13", 3720, 120, 615, 495);
    Command14 = place(button("dn 5k steps"), "Command14", 3720, 2880, 615, 495);
    Text1 = place(text(), "Text1", 1080, 720, 855, 285);
    Port = place(comboBox(this, {"264", "632", "888", "956", "4264"}), "Port", 3600, 3480, 735, 315);
    Encoder = place(comboBox(this, {"1", "2"}), "Encoder", 2520, 3480, 735, 315);
    Label4 = place(label(this, QStringLiteral("Step speed")), "Label4", 1200, 2280, 495, 495);
    Label3 = place(label(this, QStringLiteral("Freq entry")), "Label3", 3480, 1080, 735, 255);
    Label2 = place(label(this, QStringLiteral("Rcv freq")), "Label2", 2280, 1080, 735, 255);
    Label1 = place(label(this, QStringLiteral("Xmit freq")), "Label1", 1200, 1080, 735, 255);
    HeardLine = place(label(this, QString()), "HeardLine", 120, 3840, 3480, 450);
    TakeRig = place(new QPushButton(QStringLiteral("Take"), this), "TakeRig", 3720, 3840, 615, 405);
    TakeRig->setEnabled(false);

    ritGroup_ = new QButtonGroup(this);
    ritGroup_->setExclusive(true);
    ritGroup_->addButton(RIT_ON);
    ritGroup_->addButton(RIT_OFF);
}

void Corvane::setTabOrder()
{
    // The keyboard order of the panel; labels hold places 19, 20, 39 and 45
    // but never take the focus.
    QWidget* const order[] = {
        Encoder,   Port,      Text1,     Command14, Command13, Command12, Command11, Command10,
        Command9,  Command8,  Command7,  Command6,  Command5,  Command4,  Command3,  Command2,
        Command1,  Text2,     Text3,     RIT_ON,    RIT_OFF,   KRV,       Text4,     Command15,
        Command16, Command17, Command18, Command19, Command20, Command21, Command22, Command23,
        Command24, Command25, Command26, Command27, Text5,     Command28, Command29, Command30,
        Command31, speed,
    };
    for (size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}
