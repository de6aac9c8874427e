// The second yardstick for the program's start-up: the main window's content built from the
// same layout tables with Qt's stock widgets and nothing of the program's own behind it (no
// document, MIDI, settings, pictures or drawing). What it costs over the bare window is what
// putting that much text and that many controls on screen costs in Qt. With --screenshot FILE
// it saves itself once shown and quits, as Orbis does.
#include "YardstickRun.h"

#include "ui/DialogUnits.h"
#include "ui/MainControlTable.h"
#include "ui/MainMenu.h"
#include "ui/MainWindowLayout.h"

#include <QApplication>
#include <QComboBox>
#include <QDial>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <QWidget>

namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont LabelFont(const MainWindowLayout::Label& row, const QFont& dialogFont) {
    using MainWindowLayout::LabelStyle;
    if (row.style == LabelStyle::Plain) {
        return dialogFont;
    }
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(row.style == LabelStyle::Caption ? 9 : 11);
    font.setBold(row.style == LabelStyle::Title || row.style == LabelStyle::Readout);
    return font;
}

void BuildContent(QWidget& window) {
    using namespace MainWindowLayout;
    DialogUnits::ApplyDialogFont(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* menuBar = new QMenuBar(&window);
    BuildMainMenu(menuBar);
    layout->setMenuBar(menuBar);
    auto* client = new QWidget(&window);
    client->setFixedSize(DialogUnits::ToPixels(kClient).size());
    layout->addWidget(client);

    for (const DialogUnits::Rect& place : kFrames) {
        auto* frame = new QFrame(client);
        frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
        frame->setGeometry(DialogUnits::ToPixels(place));
    }
    for (const Label& row : kLabels) {
        auto* label = new QLabel(Text(row.text), client);
        label->setFont(LabelFont(row, window.font()));
        label->setGeometry(DialogUnits::ToPixels(row.place));
        label->setAlignment(row.alignment);
        label->setWordWrap(row.style == LabelStyle::Caption && row.place.height > 8);
        if (row.sunken) {
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        }
    }
    for (const Button& row : kButtons) {
        auto* button = new QPushButton(Text(row.text), client);
        button->setCheckable(row.toggle);
        button->setGeometry(DialogUnits::ToPixels(row.place));
    }
    for (const DialogUnits::Rect& place : {kOutputList, kChannelList}) {
        auto* list = new QComboBox(client);
        list->addItem(QStringLiteral("Ch. 1"));
        // The template's height includes the open list; the closed box is one line high.
        const QRect geometry = DialogUnits::ToPixels(place);
        list->setGeometry(geometry.x(), geometry.y(), geometry.width(), list->sizeHint().height());
    }
    auto* pad = new QFrame(client);
    pad->setFrameStyle(QFrame::Box);
    const QRect padPlace = DialogUnits::ToPixels(kSourcePad);
    pad->setGeometry(padPlace.x(), padPlace.y(), kSourcePadPixels, kSourcePadPixels);
    for (const MainControl& row : kMainControls) {
        QAbstractSlider* control = nullptr;
        if (row.kind == MainControlKind::Knob) {
            control = new QDial(client);
        } else {
            auto* slider = new QSlider(Qt::Vertical, client);
            slider->setTickInterval(row.tickInterval);
            slider->setTickPosition(QSlider::TicksBothSides);
            control = slider;
        }
        control->setRange(row.minimum, row.maximum);
        control->setGeometry(DialogUnits::ToPixels(row.place));
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Stock window"));
    BuildContent(window);
    return RunYardstick(window, argc, argv);
}
