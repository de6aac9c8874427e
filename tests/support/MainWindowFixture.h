// A fresh program start for each test: an empty settings store, the in-memory MIDI backend
// with the devices the test declares, the application object and its main window, shown.
#pragma once

#include "midi/ControlChangePacer.h"
#include "model/CControllerDoc.h"
#include "program/CControllerApp.h"
#include "program/CProcessorLink.h"
#include "support/MemoryMidiBackend.h"
#include "support/WhenShown.h"
#include "ui/CControllerDlg.h"
#include "ui/CProgramWindows.h"
#include "ui/ControlIds.h"
#include "ui/MainControlTable.h"

#include <QAbstractSlider>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { QFile::remove(CControllerApp::SettingsFileName()); }
    void TearDown() override { Stop(); }

    // Starts the program as its entry point would, short of the modal run; in the session
    // of the manager at `session` when one is given.
    void Start(const QString& session = {}) {
        app = std::make_unique<CControllerApp>(midi);
        if (!session.isEmpty()) {
            app->UseSession(session);
        }
        windows = std::make_unique<CProgramWindows>(*app);
        window = std::make_unique<CControllerDlg>(*app);
        windows->Attach(window.get());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    // The exit sequence: the window goes, then the application writes and deletes.
    void Stop() {
        if (windows) {
            windows->Attach(nullptr);
        }
        window.reset();
        windows.reset();
        app.reset();
    }

    CControllerDoc& Doc() { return app->Doc(); }
    QAbstractSlider* Control(int id) { return window->Control(id); }
    QLabel* Label(int id) { return Find<QLabel>(id); }
    QComboBox* List(int id) { return Find<QComboBox>(id); }
    QString LabelText(int id) { return Label(id)->text(); }

    template <class Widget> Widget* Find(int id) {
        for (Widget* widget : window->findChildren<Widget*>()) {
            if (widget->property("controlId").toInt() == id) {
                return widget;
            }
        }
        return nullptr;
    }

    // Runs New or Import, answering "Discard" should unsaved changes be asked about.
    void ExecuteDiscarding(int command) {
        const QPointer<QTimer> answer = ClickWhenShown<QMessageBox>(QStringLiteral("Discard"));
        window->ExecuteCommand(command);
        delete answer;
    }

    // Ends the event loop's pass: the windows show what the document's changes left.
    static void Settle() { QCoreApplication::sendPostedEvents(); }

    void ChooseChannel(int index) {
        QComboBox* channels = List(ControlId::ChannelList);
        channels->setCurrentIndex(index);
        emit channels->activated(index);
    }

    void ChooseOutput(int index) {
        QComboBox* outputs = List(ControlId::OutputList);
        outputs->setCurrentIndex(index);
        emit outputs->activated(index);
    }

    // What reached the wire once the paced values still waiting went out.
    std::vector<PortEvent> Sent() const {
        DrainLink();
        return midi.PutEvents();
    }
    void DrainLink() const {
        if (window) {
            EXPECT_TRUE(QTest::qWaitFor([this] { return !window->ProcessorLink().Waiting(); }));
        }
    }
    // Nothing waits and the pacer's burst is whole again: the next few values go out at once,
    // each as it was posted, as they do from a hand on one control.
    void RestLink() const {
        DrainLink();
        QTest::qWait(ControlChangePacer::kBurst * 1000 / ControlChangePacer::kMessagesPerSecond +
                     2);
    }

    MemoryMidiBackend midi;
    std::unique_ptr<CControllerApp> app;
    std::unique_ptr<CProgramWindows> windows;
    std::unique_ptr<CControllerDlg> window;
};
