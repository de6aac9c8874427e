// What the loudspeaker pad asks of its owner (the loudspeaker position window): the
// loudspeakers to show when it is rebuilt, and where the operator drags them.
#pragma once

struct SpeakerPosition {
    int x = 64;
    int y = 64;
    int z = 64;
};

class CSpeakerPadOwner {
public:
    virtual ~CSpeakerPadOwner() = default;

    // The document's loudspeaker count (unclamped) and loudspeaker i's position, 0-127.
    virtual int SpeakerCount() const = 0;
    virtual SpeakerPosition SpeakerAt(int speaker) const = 0;

    // Told while the pad rebuilds: how many loudspeakers it shows, then each one's position.
    virtual void SetSpeakerCount(int count) = 0;
    virtual void ShowCoordinates(int speaker, int x, int y, int z) = 0;

    // Loudspeaker i dragged to px = pointer x + 1 and py = pad height - pointer y, in pixels.
    virtual void SpeakerDragged(int speaker, int px, int py) = 0;
    // A key moved loudspeaker i by dx, dy position values (y upward).
    virtual void SpeakerStepped(int speaker, int dx, int dy) = 0;
};
