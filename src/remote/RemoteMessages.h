// The remote page's messages: JSON text frames of one object each. A client's frame becomes a
// validated command or nothing (the server counts what it ignores); the program's state
// becomes the frames the page draws from, built from the same picture the Room window paints.
#pragma once

#include "model/RoomPicture.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <array>
#include <optional>
#include <vector>

// What a client's frame asks for, checked: channels 0-7, positions 0-127 per axis, levels
// 0-127, a token of 32 hex digits.
struct RemoteCommand {
    enum class Kind { HelloCode, HelloToken, Move, Level, Go, Stop };
    Kind kind = Kind::Go;
    int channel = 0;                                 // Move, Level: 0-7
    std::array<std::optional<double>, 3> position{}; // Move: x, y, z in room units
    int value = 0;                                   // Level
    QString text;                                    // HelloCode: the code; HelloToken: the token
    friend bool operator==(const RemoteCommand&, const RemoteCommand&) = default;
};

// A frame's size limit in bytes; a bigger one closes the socket.
constexpr qsizetype kRemoteMaxFrameBytes = 1024;

std::optional<RemoteCommand> ParseRemoteFrame(const QString& frame);

// The cue list as the page shows it.
struct RemoteCues {
    struct Entry {
        QString number; // as the cue list shows it: "1", "1.5"
        QString name;
    };
    std::optional<Entry> live;
    std::optional<Entry> next;
    bool running = false;
    double progress = 1;
    int count = 0;
};

QJsonObject PictureJson(const RoomPicture& picture);
QJsonObject SourceJson(const RoomSource& source);
QJsonObject CuesJson(const RemoteCues& cues);

QByteArray PictureMessage(const RoomPicture& picture);
QByteArray SourcesMessage(const std::vector<RoomSource>& sources);
QByteArray CuesMessage(const RemoteCues& cues);
// The welcome without its token: {"type":"welcome","picture":...,"cues":...}; the server adds
// the token of the client it pairs.
QJsonObject WelcomeState(const RoomPicture& picture, const RemoteCues& cues);
