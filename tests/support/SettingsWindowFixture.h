// The program with its settings windows registered, on the in-memory MIDI backend, with
// a working folder and a user data folder of the test's own.
#pragma once

#include "settings/RegisterSettingsWindows.h"
#include "support/MainWindowFixture.h"

#include <QAbstractButton>
#include <QStandardPaths>
#include <QTemporaryDir>

class SettingsWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        m_savedDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        qputenv("XDG_DATA_HOME", m_savedDataHome);
    }

    // Starts as the program does, with an output device chosen when `withOutput`. Without
    // a working folder of its own the factory presets come from the build tree's
    // installed layout.
    void StartProgram(bool withOutput = true) {
        if (withOutput) {
            midi.AddOutputDevice("Orbis processor");
        }
        app = std::make_unique<CControllerApp>(midi);
        windows = std::make_unique<CProgramWindows>(*app);
        RegisterSettingsWindows(*windows);
        app->m_strWorkingDir = workingDir.path();
        window = std::make_unique<CControllerDlg>(*app);
        windows->Attach(window.get());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        if (withOutput) {
            ChooseOutput(1);
        }
        midi.ClearRecords();
    }

    template <class Window> Window* Open(SettingsWindow kind, int command) {
        window->ExecuteCommand(command);
        return qobject_cast<Window*>(window->OpenedWindow(kind));
    }

    template <class Widget> static Widget* Child(QWidget* parent, int id) {
        for (Widget* widget : parent->findChildren<Widget*>()) {
            if (widget->property("controlId").toInt() == id) {
                return widget;
            }
        }
        return nullptr;
    }

    // Chooses an entry of a drop-down list as a user does.
    static void Choose(QComboBox* list, int index) {
        list->setCurrentIndex(index);
        emit list->activated(index);
    }

    // Whole messages that reached the output device once what waits in the link went out.
    std::vector<MemoryMidiBackend::Message> Wire() const {
        DrainLink();
        return midi.SentTo(0);
    }

    QTemporaryDir workingDir;
    QTemporaryDir dataHome;

private:
    QByteArray m_savedDataHome;
};
