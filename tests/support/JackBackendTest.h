// A test on the private JACK server with the program's own RtMidi backend installed:
// skipped when no server is named, failed when the named server is not running.
#pragma once

#include "midi/SystemMidiBackend.h"
#include "model/CControllerDoc.h"
#include "model/ControllerFile.h"
#include "support/JackMidiPeer.h"

#include <QFile>
#include <QString>

#include <gtest/gtest.h>

#include <memory>

// A setup file in `folder` whose output is the device numbered `device` in the lists (from 0),
// for starting the real program on it; empty when it cannot be written.
inline QString WriteSetupSendingTo(const QString& folder, int device) {
    CControllerDoc setup;
    setup.outMIDIPort = device + 1;
    const QString file = folder + QStringLiteral("/setup.ocont2");
    return WriteControllerFile(setup, QFile::encodeName(file).toStdString()) ? file : QString();
}

class JackBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!UseTestJackServer()) {
            GTEST_SKIP() << "ORBIS_TEST_JACK_SERVER is not set: no private JACK server to test on";
        }
        backend = CreateSystemMidiBackend();
        ASSERT_NE(backend, nullptr)
            << "the JACK server named in ORBIS_TEST_JACK_SERVER is not running";
        ASSERT_EQ(SystemMidiApiName(backend.get()), "JACK");
    }

    // The device numbers, as the main window's lists number them from 0, of the first
    // device whose name contains `part`; -1 when there is none.
    int OutputDevice(const std::string& part) const {
        return FindDevice(
            backend->OutputCount(), [this](int n) { return OutputDeviceName(*backend, n); }, part);
    }
    int InputDevice(const std::string& part) const {
        return FindDevice(
            backend->InputCount(), [this](int n) { return InputDeviceName(*backend, n); }, part);
    }

    std::unique_ptr<MidiBackend> backend;
};
