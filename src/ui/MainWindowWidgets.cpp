#include "ui/MainWindowWidgets.h"

#include "controls/CPositionPad.h"
#include "controls/CRoundSliderCtrl.h"
#include "controls/CSkinButton.h"
#include "controls/CSkinLabel.h"
#include "controls/CSkinSlider.h"
#include "controls/SkinColours.h"
#include "ui/CaptionLayout.h"
#include "ui/ControlIds.h"
#include "ui/MainWindowLayout.h"

#include <QComboBox>
#include <QFrame>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

constexpr int kZAngle = 225;
constexpr std::uint32_t kThumbColour = 0x00FF0000;
constexpr std::uint32_t kSelectionColour = 0x00FF4040;
constexpr std::uint32_t kChannelColour = 0x00FFC4C4;
const QString kReadoutFace = QStringLiteral("Tahoma");

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void StyleLabel(CSkinLabel* label, const MainWindowLayout::Label& row) {
    using MainWindowLayout::LabelStyle;
    switch (row.style) {
    case LabelStyle::Plain:
        break;
    case LabelStyle::Caption:
    case LabelStyle::Header:
    case LabelStyle::Title:
        label->SetBold(row.style == LabelStyle::Title);
        label->SetHeight(row.style == LabelStyle::Caption ? 9 : 11);
        label->SetFaceName(kReadoutFace);
        break;
    case LabelStyle::Readout:
        label->SetBold(true);
        label->SetHeight(11);
        label->SetTextColour(SkinColours::FromColorRef(kThumbColour));
        label->SetFaceName(kReadoutFace);
        break;
    }
    if (row.sunken) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    label->setAlignment(row.alignment);
    label->setWordWrap(row.style == LabelStyle::Caption && row.place.height > 8);
}

void Condense(QWidget* widget, int stretch) {
    if (stretch != QFont::AnyStretch) {
        QFont condensed = widget->font();
        condensed.setStretch(stretch);
        widget->setFont(condensed);
    }
}

// Captions in one face, condensed where it is wider than the template's, then broken into
// the lines their labels hold. Returns the stretch given to the face.
int LayOutCaptions(const MainWindowWidgets& ui, const QFont& font,
                   const QList<CaptionPlace>& captions) {
    using namespace MainWindowLayout;
    const int stretch = CaptionStretch(font, captions);
    for (const Label& row : kLabels) {
        if (row.style != LabelStyle::Caption) {
            continue;
        }
        CSkinLabel* label = ui.labels.value(row.id);
        Condense(label, stretch);
        if (row.place.height > 8) {
            LayOutCaption(*label, Text(row.text));
        }
    }
    return stretch;
}

QComboBox* MakeList(QWidget* client, int id, std::string_view name,
                    const DialogUnits::Rect& place) {
    auto* list = new QComboBox(client);
    TagWidget(list, id, name);
    QRect geometry = DialogUnits::ToPixels(place);
    geometry.setHeight(DialogUnits::Y(13));
    list->setGeometry(geometry);
    return list;
}

// Placed first and then set up, as a template's control is created and then initialised.
QAbstractSlider* MakeControl(QWidget* client, const MainControl& row) {
    QAbstractSlider* control = nullptr;
    if (row.kind == MainControlKind::Knob) {
        auto* knob = new CRoundSliderCtrl(client);
        knob->setGeometry(DialogUnits::ToPixels(row.place));
        knob->setRange(row.minimum, row.maximum);
        knob->SetZeroAngle(kZAngle);
        knob->setValue(1);
        control = knob;
    } else {
        auto* slider = new CSkinSlider(Qt::Vertical, client);
        slider->setGeometry(DialogUnits::ToPixels(row.place));
        slider->setRange(row.minimum, row.maximum);
        slider->setTickInterval(row.tickInterval);
        slider->setTickPosition(QSlider::TicksBothSides);
        slider->SetThumbColour(SkinColours::FromColorRef(kThumbColour));
        slider->SetSelectionColour(SkinColours::FromColorRef(kSelectionColour));
        slider->SetChannelColour(SkinColours::FromColorRef(kChannelColour));
        slider->SetValue(0);
        control = slider;
    }
    TagWidget(control, row.id, row.objectName);
    return control;
}

} // namespace

void TagWidget(QWidget* widget, int id, std::string_view name) {
    TagWidget(widget, id, Text(name));
}

void TagWidget(QWidget* widget, int id, const QString& name) {
    widget->setObjectName(name);
    widget->setProperty("controlId", id);
}

void MoveMainControl(QAbstractSlider* control, MainControlKind kind, int value) {
    // The widget may announce the move in any way it likes; nobody is listening.
    const QSignalBlocker quiet(control);
    if (kind == MainControlKind::Slider) {
        static_cast<CSkinSlider*>(control)->SetValue(value);
    } else {
        control->setValue(value);
    }
}

// Only scalable outline faces: a Type 1 face (Nimbus Sans) costs the start-up its loading.
void InstallFontSubstitutes() {
    const QStringList narrowFaces = {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                     QStringLiteral("DejaVu Sans Condensed")};
    for (const QString& face : {QStringLiteral("Tahoma"), QStringLiteral("MS Sans Serif")}) {
        if (QFont::substitutes(face).isEmpty()) {
            QFont::insertSubstitutions(face, narrowFaces);
        }
    }
}

MainWindowWidgets BuildMainWindowWidgets(QWidget& window) {
    using namespace MainWindowLayout;
    MainWindowWidgets ui;

    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    ui.menuBar = new QMenuBar(&window);
    ui.menuBar->setObjectName(QStringLiteral("MenuBar"));
    layout->setMenuBar(ui.menuBar);
    ui.client = new QWidget(&window);
    ui.client->setObjectName(QStringLiteral("Client"));
    ui.client->setFixedSize(DialogUnits::ToPixels(kClient).size());
    layout->addWidget(ui.client);

    for (const DialogUnits::Rect& place : kFrames) {
        auto* frame = new QFrame(ui.client);
        frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
        frame->setGeometry(DialogUnits::ToPixels(place));
    }
    QList<CaptionPlace> captions;
    QFont captionFont;
    // A header stays on one line: its words are measured as one.
    QList<CaptionPlace> headers;
    QFont headerFont;
    for (const Label& row : kLabels) {
        auto* label = new CSkinLabel(Text(row.text), ui.client);
        TagWidget(label, row.id, row.objectName);
        label->setGeometry(DialogUnits::ToPixels(row.place));
        StyleLabel(label, row);
        if (row.style == LabelStyle::Caption) {
            captions.append({Text(row.text), label->width()});
            captionFont = label->font();
        } else if (row.style == LabelStyle::Header) {
            headers.append({Text(row.text).replace(QLatin1Char(' '), QChar::Nbsp), label->width()});
            headerFont = label->font();
        }
        ui.labels.insert(row.id, label);
    }
    const int stretch = LayOutCaptions(ui, captionFont, captions);
    const int headerStretch = CaptionStretch(headerFont, headers);
    for (const Label& row : kLabels) {
        if (row.style == LabelStyle::Header) {
            Condense(ui.labels.value(row.id), headerStretch);
        }
    }
    for (const Button& row : kButtons) {
        auto* button =
            new CSkinButton(row.toggle ? SkinButtonKind::CheckBox : SkinButtonKind::PushButton,
                            Text(row.text), ui.client);
        TagWidget(button, row.id, row.objectName);
        button->setGeometry(DialogUnits::ToPixels(row.place));
        button->SetPushLike(row.toggle);
        button->SetBold(true);
        ui.buttons.insert(row.id, button);
    }

    ui.inputList = MakeList(ui.client, ControlId::InputList, "InputList", kInputList);
    ui.inputList->hide();
    ui.outputList = MakeList(ui.client, ControlId::OutputList, "OutputList", kOutputList);
    // The dialog font is stood in for by the same face: condensed as far.
    Condense(ui.outputList, stretch);
    ui.channelList = MakeList(ui.client, ControlId::ChannelList, "ChannelList", kChannelList);
    for (int channel = 1; channel <= CControllerDoc::kChannels; ++channel) {
        ui.channelList->addItem(QStringLiteral("Ch. %1").arg(channel));
    }

    ui.sourcePad = new CPositionPad(ui.client);
    TagWidget(ui.sourcePad, ControlId::SourcePad, "SourcePad");
    const QRect padPlace = DialogUnits::ToPixels(kSourcePad);
    ui.sourcePad->setGeometry(padPlace.x(), padPlace.y(), kSourcePadPixels, kSourcePadPixels);

    for (std::size_t i = 0; i < kMainControls.size(); ++i) {
        ui.controls[i] = MakeControl(ui.client, kMainControls[i]);
    }
    // The places are final: a label's new text (a source position, hundreds a second) then
    // asks the window for no new layout.
    for (CSkinLabel* label : std::as_const(ui.labels)) {
        label->setFixedSize(label->size());
    }
    return ui;
}
