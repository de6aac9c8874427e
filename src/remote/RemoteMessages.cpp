#include "remote/RemoteMessages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <algorithm>
#include <cmath>

namespace {

using Kind = RemoteCommand::Kind;

constexpr std::array<const char*, 3> kAxes = {"x", "y", "z"};

QByteArray Compact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// A finite JSON number; strings, booleans and what the parser could only read as infinite are
// not numbers here.
std::optional<double> Number(const QJsonValue& value) {
    if (!value.isDouble() || !std::isfinite(value.toDouble())) {
        return std::nullopt;
    }
    return value.toDouble();
}

// "n": a channel as people count it, 1-8, as a whole number; 0-7 back.
std::optional<int> Channel(const QJsonObject& object) {
    const auto n = Number(object.value(QLatin1String("n")));
    if (!n || *n != std::trunc(*n) || *n < 1 || *n > 8) {
        return std::nullopt;
    }
    return static_cast<int>(*n) - 1;
}

bool IsToken(const QString& text) {
    return text.size() == 32 && std::all_of(text.begin(), text.end(), [](QChar c) {
               return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') ||
                      (c >= u'A' && c <= u'F');
           });
}

QString ColourText(std::uint32_t colour) {
    return QStringLiteral("#%1").arg(colour & 0xFFFFFFu, 6, 16, QLatin1Char('0'));
}

QJsonObject PointJson(int number, const RoomPoint& point, const std::string& text) {
    return {{QLatin1String("n"), number},
            {QLatin1String("x"), point.x},
            {QLatin1String("y"), point.y},
            {QLatin1String("z"), point.z},
            {QLatin1String("position"), QString::fromStdString(text)}};
}

QJsonValue EntryJson(const std::optional<RemoteCues::Entry>& entry) {
    if (!entry) {
        return QJsonValue::Null;
    }
    return QJsonObject{{QLatin1String("number"), entry->number},
                       {QLatin1String("name"), entry->name}};
}

} // namespace

std::optional<RemoteCommand> ParseRemoteFrame(const QString& frame) {
    if (frame.size() > kRemoteMaxFrameBytes || frame.toUtf8().size() > kRemoteMaxFrameBytes) {
        return std::nullopt;
    }
    const QJsonDocument document = QJsonDocument::fromJson(frame.toUtf8());
    if (!document.isObject()) {
        return std::nullopt;
    }
    const QJsonObject object = document.object();
    const QJsonValue type = object.value(QLatin1String("type"));
    RemoteCommand command;
    if (type == QLatin1String("hello")) {
        const QJsonValue code = object.value(QLatin1String("code"));
        const QJsonValue token = object.value(QLatin1String("token"));
        if (code.isString()) {
            command.kind = Kind::HelloCode;
            command.text = code.toString();
        } else if (token.isString() && IsToken(token.toString())) {
            command.kind = Kind::HelloToken;
            command.text = token.toString().toLower();
        } else {
            return std::nullopt;
        }
        return command;
    }
    if (type == QLatin1String("go") || type == QLatin1String("stop")) {
        command.kind = type == QLatin1String("go") ? Kind::Go : Kind::Stop;
        return command;
    }
    const auto channel = Channel(object);
    if (!channel) {
        return std::nullopt;
    }
    command.channel = *channel;
    if (type == QLatin1String("move")) {
        command.kind = Kind::Move;
        bool any = false;
        for (std::size_t axis = 0; axis < 3; ++axis) {
            const QJsonValue value = object.value(QLatin1String(kAxes[axis]));
            if (value.isUndefined()) {
                continue; // a missing axis stays where it is
            }
            const auto number = Number(value);
            if (!number) {
                return std::nullopt;
            }
            command.position[axis] = std::trunc(std::clamp(*number, 0.0, 127.0));
            any = true;
        }
        return any ? std::optional(command) : std::nullopt;
    }
    if (type == QLatin1String("level")) {
        const auto value = Number(object.value(QLatin1String("value")));
        if (!value) {
            return std::nullopt;
        }
        command.kind = Kind::Level;
        command.value = static_cast<int>(std::trunc(std::clamp(*value, 0.0, 127.0)));
        return command;
    }
    return std::nullopt;
}

QJsonObject SourceJson(const RoomSource& source) {
    QJsonObject object = PointJson(source.number, source.position, source.positionText);
    object.insert(QLatin1String("level"), source.level);
    object.insert(QLatin1String("silent"), source.silent);
    object.insert(QLatin1String("colour"), ColourText(source.colour));
    object.insert(QLatin1String("levelText"), QString::fromStdString(source.levelText));
    return object;
}

QJsonObject PictureJson(const RoomPicture& picture) {
    QJsonArray sources;
    for (const RoomSource& source : picture.sources) {
        sources.append(SourceJson(source));
    }
    QJsonArray speakers;
    for (const RoomSpeaker& speaker : picture.speakers) {
        speakers.append(PointJson(speaker.number, speaker.position, speaker.positionText));
    }
    return {{QLatin1String("roomSide"), QString::fromStdString(picture.roomSideText)},
            {QLatin1String("sources"), sources},
            {QLatin1String("speakers"), speakers}};
}

QJsonObject CuesJson(const RemoteCues& cues) {
    return {{QLatin1String("live"), EntryJson(cues.live)},
            {QLatin1String("next"), EntryJson(cues.next)},
            {QLatin1String("running"), cues.running},
            {QLatin1String("progress"), cues.progress},
            {QLatin1String("count"), cues.count}};
}

QByteArray PictureMessage(const RoomPicture& picture) {
    return Compact({{QLatin1String("type"), QLatin1String("picture")},
                    {QLatin1String("picture"), PictureJson(picture)}});
}

QByteArray SourcesMessage(const std::vector<RoomSource>& sources) {
    QJsonArray array;
    for (const RoomSource& source : sources) {
        array.append(SourceJson(source));
    }
    return Compact(
        {{QLatin1String("type"), QLatin1String("sources")}, {QLatin1String("sources"), array}});
}

QByteArray CuesMessage(const RemoteCues& cues) {
    QJsonObject object = CuesJson(cues);
    object.insert(QLatin1String("type"), QLatin1String("cues"));
    return Compact(object);
}

QJsonObject WelcomeState(const RoomPicture& picture, const RemoteCues& cues) {
    return {{QLatin1String("type"), QLatin1String("welcome")},
            {QLatin1String("picture"), PictureJson(picture)},
            {QLatin1String("cues"), CuesJson(cues)}};
}
