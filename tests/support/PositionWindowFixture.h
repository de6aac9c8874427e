// The program with its position windows built in, one MIDI output device chosen, and
// what reached that device read back as "B1 0D 3F" texts.
#pragma once

#include "settings/CSpatOutsDlg.h"
#include "settings/CStereoSourceDlg.h"
#include "settings/RegisterPositionWindows.h"
#include "support/MainWindowFixture.h"

#include <QString>

#include <string>
#include <vector>

class PositionWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        midi.AddOutputDevice("Processor");
        Start();
        RegisterPositionWindows(*windows);
        ChooseOutput(1);
        midi.ClearRecords();
    }

    template <class Window> Window* Open(int command, SettingsWindow kind) {
        window->ExecuteCommand(command);
        auto* opened = dynamic_cast<Window*>(window->OpenedWindow(kind));
        if (opened != nullptr) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(opened));
        }
        return opened;
    }
    CSpatOutsDlg* OpenSpeakers() {
        return Open<CSpatOutsDlg>(CommandId::SpatOuts, SettingsWindow::SpatOuts);
    }
    CStereoSourceDlg* OpenStereo() {
        return Open<CStereoSourceDlg>(CommandId::StereoSource, SettingsWindow::StereoSource);
    }

    std::vector<std::string> Wire() const {
        std::vector<std::string> texts;
        for (const PortEvent& event : Sent()) {
            texts.push_back(
                QString::asprintf("%02X %02X %02X", event.status, event.data1, event.data2)
                    .toStdString());
        }
        return texts;
    }
};
