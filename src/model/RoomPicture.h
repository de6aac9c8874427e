// One picture of the room for every view of it: the eight sources and the loudspeakers in
// use, where they are in room units, how they read in the operator's units, and how each is
// drawn (its channel's colour, dimmed while its input is silent). The Room window paints it
// and the remote page is sent it, so the desk and a phone can never disagree on what the
// room holds.
#pragma once

#include "model/DocumentChange.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class CControllerDoc;

// Room units: the document's own 0-127 per axis (x left to right, y back to front, z floor
// to ceiling).
struct RoomPoint {
    int x = 64;
    int y = 64;
    int z = 64;
    friend bool operator==(const RoomPoint&, const RoomPoint&) = default;
};

struct RoomSource {
    int number = 1; // 1-8, the channel as people count it
    RoomPoint position;
    int level = 0;            // the input level, 0-127
    bool silent = false;      // an input level of 0: drawn dimmed
    std::uint32_t colour = 0; // 0xRRGGBB
    std::string positionText; // "X -1.5 m, Y 0.0 m, Z 2.25 m", or raw numbers
    std::string levelText;    // "-3.0 dB", or the raw number
    friend bool operator==(const RoomSource&, const RoomSource&) = default;
};

struct RoomSpeaker {
    int number = 1;
    RoomPoint position;
    std::string positionText;
    friend bool operator==(const RoomSpeaker&, const RoomSpeaker&) = default;
};

struct RoomPicture {
    std::string roomSideText; // "11.0 m" across, or the raw number
    std::array<RoomSource, 8> sources;
    std::vector<RoomSpeaker> speakers; // the loudspeakers in use, 1 to 8
    friend bool operator==(const RoomPicture&, const RoomPicture&) = default;
};

// Each channel's colour, distinct on a light and on a dark ground.
extern const std::array<std::uint32_t, 8> kChannelColours;

RoomPicture PictureOf(const CControllerDoc& doc);
RoomSource SourceOf(const CControllerDoc& doc, int channel);
// "X -1.5 m, Y 0.0 m, Z 2.25 m" in the units the main window shows.
std::string PositionText(const CControllerDoc& doc, RoomPoint point);

// What a change redraws: a source (its position or level), the loudspeakers, or all of it
// (the room's size, the display mode, a load).
struct PictureChange {
    std::array<bool, 8> sources{};
    bool speakers = false;
    bool whole = false;
    bool Any() const;
};
PictureChange PictureChangeOf(const DocumentChanges& changes);
