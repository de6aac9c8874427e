// libFuzzer entry for the remote page's frames (built with clang only): any text a page's
// socket might carry, read as a command. What is taken is in range and reads the same again
// once written back as the page would send it; a frame over the size limit is never taken.
#include "remote/RemoteMessages.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

using Kind = RemoteCommand::Kind;

bool Whole(double value, double highest) {
    return value >= 0 && value <= highest && value == std::trunc(value);
}

bool InRange(const RemoteCommand& command) {
    switch (command.kind) {
    case Kind::Move:
        return command.channel >= 0 && command.channel <= 7 &&
               std::any_of(command.position.begin(), command.position.end(),
                           [](const auto& axis) { return axis.has_value(); }) &&
               std::all_of(command.position.begin(), command.position.end(),
                           [](const auto& axis) { return !axis || Whole(*axis, 127); });
    case Kind::Level:
        return command.channel >= 0 && command.channel <= 7 && Whole(command.value, 127);
    case Kind::HelloToken:
        return command.text.size() == 32 && command.text == command.text.toLower();
    case Kind::HelloCode:
    case Kind::Go:
    case Kind::Stop:
        return true;
    }
    return false;
}

// The frame a page sends for `command`.
QString Frame(const RemoteCommand& command) {
    static constexpr std::array<const char*, 6> kTypes = {"hello", "hello", "move",
                                                          "level", "go",    "stop"};
    QJsonObject object{
        {QStringLiteral("type"), QLatin1String(kTypes[static_cast<std::size_t>(command.kind)])}};
    if (command.kind == Kind::HelloCode || command.kind == Kind::HelloToken) {
        object.insert(command.kind == Kind::HelloCode ? QStringLiteral("code")
                                                      : QStringLiteral("token"),
                      command.text);
    } else if (command.kind == Kind::Move || command.kind == Kind::Level) {
        object.insert(QStringLiteral("n"), command.channel + 1);
        if (command.kind == Kind::Level) {
            object.insert(QStringLiteral("value"), command.value);
        }
        for (std::size_t axis = 0; axis < 3; ++axis) {
            if (command.position[axis]) {
                object.insert(QString(QChar(static_cast<char16_t>(u'x' + axis))),
                              *command.position[axis]);
            }
        }
    }
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString frame =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto command = ParseRemoteFrame(frame);
    if (!command) {
        return 0;
    }
    if (frame.toUtf8().size() > kRemoteMaxFrameBytes || !InRange(*command)) {
        __builtin_trap();
    }
    const QString again = Frame(*command);
    if (again.toUtf8().size() <= kRemoteMaxFrameBytes && ParseRemoteFrame(again) != command) {
        __builtin_trap();
    }
    return 0;
}
