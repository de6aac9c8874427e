// The remote page's messages: which client frames become which command and which are ignored,
// and the exact text of what the program sends.
#include "remote/RemoteMessages.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Kind = RemoteCommand::Kind;
using Axis = std::optional<double>;

RemoteCommand Command(Kind kind, int channel = 0, std::array<Axis, 3> position = {}, int value = 0,
                      const QString& text = {}) {
    return {kind, channel, position, value, text};
}

} // namespace

TEST(RemoteMessages, FramesBecomeCommandsOrNothing) {
    const QString token(32, u'a');
    const QString big = QStringLiteral(R"({"type":"go","pad":"%1"})").arg(QString(1010, u'x'));
    const std::vector<std::pair<QString, std::optional<RemoteCommand>>> rows = {
        {R"({"type":"move","n":3,"x":10.5,"y":100,"z":64})", Command(Kind::Move, 2, {10, 100, 64})},
        {R"({"type":"move","n":1,"x":-4,"y":1e300,"z":127.99})",
         Command(Kind::Move, 0, {0, 127, 127})},
        {R"({"type":"move","n":8,"y":5})", Command(Kind::Move, 7, {Axis(), 5, Axis()})},
        {R"({"type":"move","n":8})", std::nullopt},
        {R"({"type":"move","n":0,"x":1})", std::nullopt},
        {R"({"type":"move","n":9,"x":1})", std::nullopt},
        {R"({"type":"move","n":2.5,"x":1})", std::nullopt},
        {R"({"type":"move","n":"3","x":1})", std::nullopt},
        {R"({"type":"move","n":3,"x":"10"})", std::nullopt},
        {R"({"type":"move","n":3,"x":NaN})", std::nullopt},
        {R"({"type":"move","n":3,"x":1e999})", std::nullopt},
        {R"({"type":"move","n":3,"x":null})", std::nullopt},
        {R"({"type":"level","n":3,"value":90.9})", Command(Kind::Level, 2, {}, 90)},
        {R"({"type":"level","n":3,"value":500})", Command(Kind::Level, 2, {}, 127)},
        {R"({"type":"level","n":3})", std::nullopt},
        {R"({"type":"level","n":3,"value":true})", std::nullopt},
        {R"({"type":"go"})", Command(Kind::Go)},
        {R"({"type":"stop","extra":1})", Command(Kind::Stop)},
        {R"({"type":"hello","code":"482913"})", Command(Kind::HelloCode, 0, {}, 0, "482913")},
        {QStringLiteral(R"({"type":"hello","token":"%1"})").arg(token),
         Command(Kind::HelloToken, 0, {}, 0, token)},
        {R"({"type":"hello","token":"abc"})", std::nullopt},
        {R"({"type":"hello","code":482913})", std::nullopt},
        {R"({"type":"hello"})", std::nullopt},
        {R"({"type":"fly"})", std::nullopt},
        {R"({"type":["go"]})", std::nullopt},
        {R"(["go"])", std::nullopt},
        {R"({"type":"go")", std::nullopt},
        {"", std::nullopt},
        {big, std::nullopt},
    };
    for (const auto& [frame, expected] : rows) {
        SCOPED_TRACE(frame.left(80).toStdString());
        EXPECT_EQ(ParseRemoteFrame(frame), expected);
    }
}

TEST(RemoteMessages, TheProgramsMessagesAreExact) {
    RoomSource source;
    source.number = 3;
    source.position = {10, 100, 64};
    source.level = 0;
    source.silent = true;
    source.colour = 0x0000ff;
    source.positionText = "X -1.5 m, Y 0.0 m, Z 2.25 m";
    source.levelText = "-inf dB";
    EXPECT_EQ(SourcesMessage({source}).toStdString(),
              R"({"sources":[{"colour":"#0000ff","level":0,"levelText":"-inf dB","n":3,)"
              R"("position":"X -1.5 m, Y 0.0 m, Z 2.25 m","silent":true,"x":10,"y":100,"z":64}],)"
              R"("type":"sources"})");

    RoomPicture picture;
    picture.roomSideText = "11.0 m";
    picture.speakers = {{2, {0, 127, 64}, "X -5.5 m"}};
    const QByteArray whole = PictureMessage(picture);
    EXPECT_TRUE(whole.startsWith(R"({"picture":{"roomSide":"11.0 m","sources":[{)"));
    EXPECT_TRUE(whole.endsWith(
        R"("speakers":[{"n":2,"position":"X -5.5 m","x":0,"y":127,"z":64}]},"type":"picture"})"));
    EXPECT_EQ(whole.count(R"("colour")"), 8);

    RemoteCues cues;
    cues.live = RemoteCues::Entry{QStringLiteral("1.5"), QStringLiteral("Fade")};
    cues.running = true;
    cues.progress = 0.25;
    cues.count = 12;
    EXPECT_EQ(CuesMessage(cues).toStdString(),
              R"({"count":12,"live":{"name":"Fade","number":"1.5"},"next":null,)"
              R"("progress":0.25,"running":true,"type":"cues"})");
}
