// The one document of the controller: every value that can be sent to the processor,
// the controller's own settings and the name of the file they came from. Windows read its
// members directly and change them through Set, Apply and SetName, so that every subscriber
// hears of each change once, with who made it. It knows no MIDI: the parameter table turns its
// values into messages and received messages into values.
#pragma once

#include "model/DocumentChange.h"

#include <span>
#include <string>
#include <utility>
#include <vector>

class CControllerDoc {
public:
    static constexpr const char* kNewDocument = "New Document";
    static constexpr int kChannels = 8;

    CControllerDoc();
    ~CControllerDoc();
    CControllerDoc(const CControllerDoc&) = delete;
    CControllerDoc& operator=(const CControllerDoc&) = delete;

    void ResetToDefaults();
    bool NewDocument();

    // The file the document came from or was last saved to; kNewDocument when none.
    const std::string& Name() const { return m_name; }
    // A name that really changes is told with `renamed`: inside a ChangeScope with the
    // scope's values, outside one at once as a load without values. A file call never
    // renames: whoever opens or saves decides whether the document takes the file's name.
    void SetName(std::string name);

    // Changes. Each value that really changes is told to every subscriber, once per call,
    // on the calling (user-interface) thread; a value set to what it holds tells nothing.
    int Get(ParameterKey key) const;
    bool Set(ParameterKey key, int value, ChangeOrigin origin);
    void Apply(std::span<const std::pair<ParameterKey, int>> values, ChangeOrigin origin);
    // Writes made to the fields while a scope is open (a whole file read, a reset) are
    // told once, when the outermost scope closes, as the values that differ from before.
    class ChangeScope {
    public:
        ChangeScope(CControllerDoc& doc, ChangeOrigin origin);
        ~ChangeScope();
        ChangeScope(const ChangeScope&) = delete;
        ChangeScope& operator=(const ChangeScope&) = delete;

    private:
        CControllerDoc& m_doc;
    };
    // Returns an id for Unsubscribe. A listener may change the document or unsubscribe.
    int Subscribe(DocumentListener listener);
    void Unsubscribe(int id);
    // Every persistent value: the channel rows channel by channel, then the global rows.
    std::vector<int> Values() const;

private:
    int& ValueAt(ParameterKey key);
    void Notify(DocumentChanges changes);

    std::vector<std::pair<int, DocumentListener>> m_listeners;
    int m_nextListenerId = 1;
    int m_scopeDepth = 0;
    ChangeOrigin m_scopeOrigin = ChangeOrigin::Load;
    std::vector<int> m_beforeScope;
    std::string m_name = kNewDocument;
    std::string m_nameBeforeScope;

public:
    bool ShowRawValues = false;
    int DefaultPreset = 0;
    int DefaultPresetAvvio = 0;
    int Frequence = 0;
    int outMIDIPort = 0;
    int NMatrixOutput = 5;
    int MasterOutgain = 100;
    int RoomSide = 11;
    int MatrixSpeed = 0;

    int Attenuation[kChannels];
    int BellFactor[kChannels];
    int DopplerDepth[kChannels];
    int InputLevel[kChannels];
    int LPFCutOff[kChannels];
    int HPFCutOff[kChannels];
    int ITDDepth[kChannels];
    int FrontRear[kChannels];
    int GainEnhance[kChannels];
    int SubMixAInput[kChannels];
    int SubMixBInput[kChannels];
    int InsertAGain[kChannels];
    int InsertBGain[kChannels];
    int XPosition[kChannels];
    int YPosition[kChannels];
    int ZPosition[kChannels];
    int SpatOutXPos[kChannels];
    int SpatOutYPos[kChannels];
    int SpatOutZPos[kChannels];
    int HostInPBSelect[kChannels];
    int HostInValPBSelect[kChannels];
    int InsertAPBSelect[kChannels];
    int InsertAValSelect[kChannels];
    int InsertBPBSelect[kChannels];
    int InsertBValSelect[kChannels];
    int RosInPBSelect[kChannels];
    int RosInValPBSelect[kChannels];
    int SpatInPBSelect[kChannels];
    int SpatInValPBSelect[kChannels];
    int SubAPBSelect[kChannels];
    int SubAValSelect[kChannels];
    int SubBPBSelect[kChannels];
    int SubBValSelect[kChannels];
    int ValHostInPBSelect[kChannels];
    int ValSpatInPBSelect[kChannels];
    int ValRosInPBSelect[kChannels];
    int ValSubASelect[kChannels];
    int ValSubBSelect[kChannels];
    int ValInsertASelect[kChannels];
    int ValInsertBSelect[kChannels];
};
