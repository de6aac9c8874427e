#include "GalleryWindow.h"

#include "GallerySpritePad.h"
#include "controls/CPositionPad.h"
#include "controls/CRoundSliderCtrl.h"
#include "controls/CSkinButton.h"
#include "controls/CSkinLabel.h"
#include "controls/CSkinSlider.h"
#include "controls/ControlResources.h"
#include "controls/SkinColours.h"

#include <QIcon>

namespace {

CSkinLabel* Caption(QWidget* parent, const QString& text, QRect geometry, int height = 11) {
    auto* label = new CSkinLabel(text, parent);
    label->SetFaceName(QStringLiteral("Tahoma"));
    label->SetHeight(height);
    label->SetBold(true);
    label->setGeometry(geometry);
    return label;
}

} // namespace

GalleryWindow::GalleryWindow(QWidget* parent) : QWidget(parent) {
    InitControlResources();
    setWindowTitle(QStringLiteral("Orbis control gallery"));
    setWindowIcon(QIcon(BitmapPath(BitmapId::AppIcon)));
    setFixedSize(1000, 560);
    setAutoFillBackground(true);
    AddKnobs(10);
    AddButtons(120);
    AddSliders(10, 300);
    AddPads(420, 10);
}

void GalleryWindow::AddKnobs(int top) {
    Caption(this, QStringLiteral("Knobs: 0, 64, 127, focus, inverted 30, disabled 64, 1-8"),
            {10, top, 400, 16});
    struct KnobState {
        int minimum;
        int maximum;
        int value;
        bool focus;
        bool inverted;
        bool enabled;
    };
    const KnobState states[] = {
        {0, 127, 0, false, false, true},   {0, 127, 64, false, false, true},
        {0, 127, 127, false, false, true}, {0, 127, 100, true, false, true},
        {0, 127, 30, false, true, true},   {0, 127, 64, false, false, false},
        {1, 8, 5, false, false, true}};
    int left = 10;
    for (const KnobState& state : states) {
        auto* knob = new CRoundSliderCtrl(this);
        knob->setGeometry(left, top + 24, 42, 42);
        knob->setRange(state.minimum, state.maximum);
        knob->SetZeroAngle(225);
        knob->SetInverted(state.inverted);
        knob->setValue(state.value);
        knob->setEnabled(state.enabled);
        if (state.focus) {
            knob->setFocus();
        }
        auto* readout = new CSkinLabel(QString::number(state.value), this);
        readout->setAlignment(Qt::AlignHCenter);
        readout->setGeometry(left, top + 70, 42, 14);
        connect(knob, &CRoundSliderCtrl::scrolled, readout, [readout](ScrollCode, int position) {
            readout->SetText(QString::number(position));
        });
        left += 56;
    }
}

void GalleryWindow::AddButtons(int top) {
    Caption(this, QStringLiteral("Buttons"), {10, top, 300, 16});
    const int row = top + 22;
    auto* normal = new CSkinButton(SkinButtonKind::PushButton, QStringLiteral("Send &All"), this);
    normal->SetBold(true);
    normal->setGeometry(10, row, 90, 26);
    auto* pressed = new CSkinButton(SkinButtonKind::PushButton, QStringLiteral("Pressed"), this);
    pressed->setGeometry(110, row, 90, 26);
    pressed->setDown(true);
    auto* disabled = new CSkinButton(SkinButtonKind::PushButton, QStringLiteral("Disabled"), this);
    disabled->setGeometry(210, row, 90, 26);
    disabled->setEnabled(false);
    auto* plain = new CSkinButton(SkinButtonKind::PushButton, QStringLiteral("Send Ch."), this);
    plain->setGeometry(310, row, 90, 26);

    auto* toggleOff =
        new CSkinButton(SkinButtonKind::CheckBox, QStringLiteral("The Kestrel"), this);
    toggleOff->SetPushLike(true);
    toggleOff->SetBold(true);
    toggleOff->setGeometry(10, row + 36, 90, 26);
    auto* toggleOn = new CSkinButton(SkinButtonKind::CheckBox, QStringLiteral("The Kestrel"), this);
    toggleOn->SetPushLike(true);
    toggleOn->SetBold(true);
    toggleOn->SetCheck(1);
    toggleOn->setGeometry(110, row + 36, 90, 26);

    auto* boxOn = new CSkinButton(SkinButtonKind::CheckBox, QStringLiteral("Check on"), this);
    boxOn->SetCheck(1);
    boxOn->setGeometry(210, row + 36, 90, 18);
    auto* boxOff = new CSkinButton(SkinButtonKind::CheckBox, QStringLiteral("Check off"), this);
    boxOff->setGeometry(210, row + 56, 90, 18);
    auto* boxDisabled = new CSkinButton(SkinButtonKind::CheckBox, QStringLiteral("Disabled"), this);
    boxDisabled->SetCheck(1);
    boxDisabled->setEnabled(false);
    boxDisabled->setGeometry(210, row + 76, 90, 18);

    const char* pairs[] = {"1-2", "3-4", "5-6", "7-8"};
    auto* group = new QWidget(this);
    group->setGeometry(310, row + 36, 90, 84);
    for (int i = 0; i < 4; ++i) {
        auto* radio =
            new CSkinButton(SkinButtonKind::RadioButton, QString::fromLatin1(pairs[i]), group);
        radio->setGeometry(0, 20 * i, 90, 18);
        radio->SetCheck(i == 1 ? 1 : 0);
    }

    auto* link = new CSkinLabel(QStringLiteral("www.example.com"), this);
    link->SetTextColour(QColor(0, 0, 255));
    link->SetUnderline(true);
    link->SetLink(true);
    link->setGeometry(10, row + 110, 200, 16);
    auto* big = Caption(this, QStringLiteral("ORBIS CONTROLLER"), {10, row + 130, 300, 26}, 22);
    big->SetTextColour(QColor(0, 0, 128));
}

void GalleryWindow::AddSliders(int left, int top) {
    Caption(this, QStringLiteral("Sliders: 127, 64, 0, selection, disabled; horizontal 127"),
            {left, top, 400, 16});
    const int values[] = {127, 64, 0, 90, 40};
    for (int i = 0; i < 5; ++i) {
        auto* slider = new CSkinSlider(Qt::Vertical, this);
        slider->setRange(0, 127);
        slider->setTickInterval(i % 2 == 0 ? 3 : 4);
        slider->setTickPosition(QSlider::TicksBothSides);
        slider->SetThumbColour(SkinColours::FromColorRef(0x00FF0000));
        slider->SetSelectionColour(SkinColours::FromColorRef(0x00FF4040));
        slider->SetChannelColour(SkinColours::FromColorRef(0x00FFC4C4));
        slider->SetValue(values[i]);
        if (i == 3) {
            slider->SetSelection(60, 110);
        }
        slider->setEnabled(i != 4);
        slider->setGeometry(left + 50 * i, top + 24, 36, 200);
    }
    auto* horizontal = new CSkinSlider(Qt::Horizontal, this);
    horizontal->setRange(0, 127);
    horizontal->SetThumbColour(SkinColours::FromColorRef(0x00FF0000));
    horizontal->SetSelectionColour(SkinColours::FromColorRef(0x00FF4040));
    horizontal->SetChannelColour(SkinColours::FromColorRef(0x00FFC4C4));
    horizontal->SetValue(127);
    horizontal->setGeometry(left + 250, top + 24, 140, 30);
}

void GalleryWindow::AddPads(int left, int top) {
    Caption(this, QStringLiteral("Source pad (64, 64)"), {left, top, 202, 16});
    auto* pad = new CPositionPad(this);
    pad->setGeometry(left, top + 24, 202, 202);
    pad->SetFromValues(64, 64);
    Caption(this, QStringLiteral("Source pad (0, 127)"), {left, top + 240, 202, 16});
    auto* corner = new CPositionPad(this);
    corner->setGeometry(left, top + 264, 202, 202);
    corner->SetFromValues(0, 127);

    Caption(this, QStringLiteral("Room picture with every sprite"), {left + 220, top, 279, 16});
    auto* sprites = new GallerySpritePad(this);
    sprites->move(left + 220, top + 24);
    auto* icon = new QWidget(this);
    icon->setGeometry(left + 220, top + 320, 128, 128);
    Caption(this, QStringLiteral("Icon 128"), {left + 360, top + 370, 100, 16});
    auto* iconLabel = new CSkinLabel(icon);
    iconLabel->setPixmap(QPixmap(BitmapPath(BitmapId::AppIcon))
                             .scaled(128, 128, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    iconLabel->setGeometry(0, 0, 128, 128);
}
