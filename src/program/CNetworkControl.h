// OSC control of the running program: ADM-OSC object positions and gains, and the program's
// own addresses for every value, the sends and the factory presets. What the receiver takes
// goes where a pad drag goes: into the document as a live change (marked unsaved, never an
// undo step), onto the main window when it shows that channel, and through the processor
// link's pacing to the processor. Off until the Network Control window or the command line
// turns it on; the settings are remembered. Nothing received drops unsaved work or writes
// the settings: a preset try is refused while the document holds changes that the try
// would bury. The cue list is fired and edited as from its window: each fire and edit is an
// undo step.
#pragma once

#include "model/DocumentChange.h"
#include "osc/COscReceiver.h"

#include <QObject>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>
#include <vector>

class CControllerDoc;
class CCueEngine;
class CDocumentGuard;
class CProcessorLink;

class CNetworkControl : public QObject {
    Q_OBJECT

public:
    // Objects are numbered as far as a show's editor numbers them; the last of the eight
    // still fits in an int.
    static constexpr int kLastFirstObject = 99999;

    struct Stored {
        bool enabled = false;
        QString address = QStringLiteral("127.0.0.1");
        int port = 9000;
        int firstObject = 1;
        int answerPort = COscReceiver::kAnswerPort;
        QString allowedHosts; // separated by spaces or commas; empty: every host
        // Where OSC feedback goes, "HOST:PORT" each, whether or not OSC control is on.
        QStringList feedbackTargets;
    };
    // The remembered settings; a first object out of range reads as 1, and a feedback target
    // that is not an IP address and port is left out.
    static Stored Load();
    static void Save(const Stored& stored);
    // The receiver's settings for stored ones; nothing with the reason when they are wrong.
    static std::optional<COscReceiver::Settings> ReceiverSettings(const Stored& stored,
                                                                  QString* why);

    // `guard` says whether the document holds unsaved work; all three outlive this object.
    CNetworkControl(CControllerDoc& doc, const CDocumentGuard& guard, CProcessorLink& link,
                    QObject* parent = nullptr);

    // Listens as `stored` says, or stops when it is not enabled; false with the reason.
    bool Use(const Stored& stored, QString* why = nullptr);
    // Why the last Use did not listen; empty when it did, or was asked to stop.
    const QString& Failure() const { return m_failure; }
    const COscReceiver& Receiver() const { return *m_receiver; }
    // How /orbis/preset/try reaches the Default Preset window's Try.
    void SetPresetTrier(std::function<void(int row)> trier) { m_tryPreset = std::move(trier); }
    // The cue list /orbis/cue/... fires and edits; without one those addresses do nothing.
    void SetCueEngine(CCueEngine* cues) { m_cues = cues; }
    // The preset tries refused because the document held unsaved changes.
    int RefusedTries() const { return m_refusedTries; }

signals:
    // A preset try was refused; the windows tell the operator in a notice that neither
    // blocks nor takes the keyboard in the middle of a show, one however often it is asked.
    void tryRefused(const QString& text);

private:
    void OnArrived();
    void MoveObject(int channel, const std::array<std::optional<double>, 3>& coordinates);
    void MovePolar(int channel, const std::array<std::optional<double>, 3>& polar);
    void SetValue(ParameterKey key, int value);
    void TryPreset(int row);
    void TellRefusal(int row);
    void Answer(const COscReceiver::Received& received);
    void DoCue(const OscCommand& command);
    // The index of the cue numbered `number`; nothing when there is none.
    std::optional<std::size_t> CueIndex(double number) const;

    CControllerDoc& m_doc;
    const CDocumentGuard& m_guard;
    CProcessorLink& m_link;
    COscReceiver* m_receiver;
    CCueEngine* m_cues = nullptr;
    std::function<void(int)> m_tryPreset;
    QString m_failure;
    int m_refusedTries = 0;
    // The values a try from the network left: changes that are only that try's bury no work,
    // so the next try may replace them.
    std::optional<std::vector<int>> m_afterTry;
    // Each object's last polar values, so that a lone azimuth keeps elevation and distance.
    std::array<std::optional<std::array<double, 3>>, 8> m_polar;
};
