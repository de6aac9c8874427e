#include "model/RoomPicture.h"

#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"

#include <algorithm>

const std::array<std::uint32_t, 8> kChannelColours = {
    0xE6194B, 0x3CB44B, 0x4363D8, 0xF58231, 0x911EB4, 0x42D4F4, 0xF032E6, 0xBFEF45,
};

namespace {

std::string WithUnit(const CControllerDoc& doc, ValueUnit unit, int value) {
    std::string text = ValueLabel(unit, value, doc);
    if (!doc.ShowRawValues) {
        const std::string_view name = UnitText(unit);
        if (!name.empty()) {
            text += ' ';
            text += name;
        }
    }
    return text;
}

} // namespace

std::string PositionText(const CControllerDoc& doc, RoomPoint point) {
    return "X " + WithUnit(doc, ValueUnit::Metres, point.x) + ", Y " +
           WithUnit(doc, ValueUnit::Metres, point.y) + ", Z " +
           WithUnit(doc, ValueUnit::Metres, point.z);
}

RoomSource SourceOf(const CControllerDoc& doc, int channel) {
    const auto c = static_cast<std::size_t>(channel);
    RoomSource source;
    source.number = channel + 1;
    source.position = {doc.XPosition[c], doc.YPosition[c], doc.ZPosition[c]};
    source.level = doc.InputLevel[c];
    source.silent = source.level <= 0;
    source.colour = kChannelColours[c];
    source.positionText = PositionText(doc, source.position);
    source.levelText = WithUnit(doc, ValueUnit::Level, source.level);
    return source;
}

RoomPicture PictureOf(const CControllerDoc& doc) {
    RoomPicture picture;
    picture.roomSideText = WithUnit(doc, ValueUnit::RoomSide, doc.RoomSide);
    for (int c = 0; c < 8; ++c) {
        picture.sources[static_cast<std::size_t>(c)] = SourceOf(doc, c);
    }
    const int speakers = std::clamp(doc.NMatrixOutput, 1, 8);
    for (int c = 0; c < speakers; ++c) {
        const auto i = static_cast<std::size_t>(c);
        RoomSpeaker speaker;
        speaker.number = c + 1;
        speaker.position = {doc.SpatOutXPos[i], doc.SpatOutYPos[i], doc.SpatOutZPos[i]};
        speaker.positionText = PositionText(doc, speaker.position);
        picture.speakers.push_back(std::move(speaker));
    }
    return picture;
}

bool PictureChange::Any() const {
    return whole || speakers ||
           std::any_of(sources.begin(), sources.end(), [](bool b) { return b; });
}

PictureChange PictureChangeOf(const DocumentChanges& changes) {
    PictureChange change;
    for (const ValueChange& value : changes.values) {
        const ParameterKey key = value.key;
        if (key.IsGlobal()) {
            const int CControllerDoc::*member = GlobalParameterOf(key).member;
            if (member == &CControllerDoc::RoomSide) {
                change.whole = true;
            } else if (member == &CControllerDoc::NMatrixOutput) {
                change.speakers = true;
            }
            continue;
        }
        const ChannelArray CControllerDoc::*array = ChannelParameterOf(key).array;
        if (array == &CControllerDoc::XPosition || array == &CControllerDoc::YPosition ||
            array == &CControllerDoc::ZPosition || array == &CControllerDoc::InputLevel) {
            change.sources[static_cast<std::size_t>(key.channel)] = true;
        } else if (array == &CControllerDoc::SpatOutXPos || array == &CControllerDoc::SpatOutYPos ||
                   array == &CControllerDoc::SpatOutZPos) {
            change.speakers = true;
        }
    }
    return change;
}
