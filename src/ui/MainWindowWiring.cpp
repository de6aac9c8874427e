#include "ui/MainWindowWiring.h"

#include "controls/AccessibleControls.h"
#include "controls/CPositionPad.h"
#include "controls/CSkinButton.h"
#include "tracker/CTrackerLink.h"
#include "ui/ControlIds.h"

#include <QAbstractSlider>
#include <QAction>
#include <QComboBox>
#include <QUndoStack>

void SetUpKeyboardAndNames(QWidget& window, const MainWindowWidgets& ui,
                           std::function<QString(const MainControl&, int)> valueText) {
    // Left panel, middle panel, right panel; top to bottom, left to right within each.
    const int order[] = {
        ControlId::SendPatchbay,  ControlId::SourcePad,     ControlId::ZPosition,
        ControlId::KestrelToggle, ControlId::SendChannels,  ControlId::ChannelList,
        ControlId::InputLevel,    ControlId::BellFactor,    ControlId::Attenuation,
        ControlId::DopplerDepth,  ControlId::ITDDepth,      ControlId::FrontRear,
        ControlId::GainEnhance,   ControlId::LPFCutOff,     ControlId::HPFCutOff,
        ControlId::SubMixAInput,  ControlId::SubMixBInput,  ControlId::InsertAGain,
        ControlId::InsertBGain,   ControlId::SpatOutXPos,   ControlId::SpatOutYPos,
        ControlId::SpatOutZPos,   ControlId::SendGlobals,   ControlId::OutputList,
        ControlId::RoomSide,      ControlId::NMatrixOutput, ControlId::MasterOutgain,
        ControlId::MatrixSpeed,
    };
    QWidget* previous = nullptr;
    for (const int id : order) {
        QWidget* widget = nullptr;
        if (id == ControlId::SourcePad) {
            widget = ui.sourcePad;
        } else if (id == ControlId::ChannelList) {
            widget = ui.channelList;
        } else if (id == ControlId::OutputList) {
            widget = ui.outputList;
        } else if (CSkinButton* button = ui.buttons.value(id)) {
            widget = button;
        } else if (const MainControl* control = FindMainControl(id)) {
            widget = ui.controls[static_cast<std::size_t>(control - kMainControls.data())];
        }
        if (previous && widget) {
            window.setTabOrder(previous, widget);
        }
        previous = widget ? widget : previous;
    }
    // A screen reader says what each control sets and, as its value, the value with its
    // unit as the readout shows it.
    for (std::size_t i = 0; i < kMainControls.size(); ++i) {
        const MainControl& row = kMainControls[i];
        QAbstractSlider* control = ui.controls[i];
        const std::string_view name = row.ShownName();
        control->setAccessibleName(
            QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
        SetAccessibleValueText(control,
                               [valueText, &row](int value) { return valueText(row, value); });
    }
    ui.channelList->setAccessibleName(QStringLiteral("Channel"));
    ui.outputList->setAccessibleName(QStringLiteral("Output Device"));
}

void FollowUndoStack(const QUndoStack& stack, QAction* undo, QAction* redo) {
    struct Item {
        QAction* action;
        const char* verb;
        const char* keys;
        void (QUndoStack::*textChanged)(const QString&);
        void (QUndoStack::*availableChanged)(bool);
    };
    const Item items[] = {
        {undo, "&Undo", "Ctrl+Z", &QUndoStack::undoTextChanged, &QUndoStack::canUndoChanged},
        {redo, "&Redo", "Ctrl+Shift+Z", &QUndoStack::redoTextChanged, &QUndoStack::canRedoChanged},
    };
    for (const Item& item : items) {
        QAction* action = item.action;
        const QString verb = QString::fromLatin1(item.verb);
        const QString keys = QString::fromLatin1(item.keys);
        QObject::connect(&stack, item.textChanged, action,
                         [action, verb, keys](const QString& step) {
                             action->setText(step.isEmpty() ? verb + u'\t' + keys
                                                            : verb + u' ' + step + u'\t' + keys);
                         });
        QObject::connect(&stack, item.availableChanged, action, &QAction::setEnabled);
    }
}

void ConnectKestrelButton(CSkinButton& button, CTrackerLink& tracker) {
    QObject::connect(&button, &QAbstractButton::clicked, &tracker, &CTrackerLink::SetOn);
    // As rich text the tip wraps, however long the library's reason is; it is there from the
    // start, not only after the first press.
    const auto show = [&button](bool on, const QString& status) {
        button.SetCheck(on ? 1 : 0);
        button.setToolTip(QStringLiteral("<qt>%1</qt>").arg(status.toHtmlEscaped()));
        button.setAccessibleDescription(status);
    };
    show(tracker.IsOn(), tracker.StatusText());
    QObject::connect(&tracker, &CTrackerLink::StateChanged, &button, show);
}
