// Until the main window lands, the program opens the MIDI layer and lists what it finds.
#include "midi/RtMidiBackend.h"
#include "model/CControllerDoc.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orbis"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORBIS_VERSION));

    std::unique_ptr<MidiBackend> backend = CreateSystemMidiBackend();
    MidiBackend::SetCurrent(backend.get());
    MidiBackend& midi = MidiBackend::Current();

    std::printf("MIDI system: %s\n", SystemMidiApiName(backend.get()).c_str());
    std::printf("Output devices:\n");
    for (int n = 0; n < midi.OutputCount(); ++n) {
        std::printf("  %d  %s\n", n + 1, CControllerDoc::OutputDeviceName(n).c_str());
    }
    std::printf("Input devices:\n");
    for (int n = 0; n < midi.InputCount(); ++n) {
        std::printf("  %d  %s\n", n + 1, CControllerDoc::InputDeviceName(n).c_str());
    }
    MidiBackend::SetCurrent(nullptr);
    return 0;
}
