#include "program/CLiveInput.h"

#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <utility>

int CLiveInput::PositionValue(double room) {
    return std::isnan(room) ? 0 : static_cast<int>(std::trunc(std::clamp(room, 0.0, 127.0)));
}

void CLiveInput::MoveSource(int channel, const std::array<std::optional<double>, 3>& position,
                            CProcessorLink::Repeat repeat, ChangeOrigin origin) {
    // Hundreds a second: nothing here allocates or searches the parameter table.
    static const std::array<int, 3> rows = {KeyOf(&CControllerDoc::XPosition, 0).row,
                                            KeyOf(&CControllerDoc::YPosition, 0).row,
                                            KeyOf(&CControllerDoc::ZPosition, 0).row};
    if (channel < 0 || channel >= CControllerDoc::kChannels) {
        return;
    }
    std::array<std::pair<ParameterKey, int>, 3> given;
    std::size_t count = 0;
    for (std::size_t axis = 0; axis < rows.size(); ++axis) {
        if (position[axis]) {
            given[count++] = {ParameterKey::Channel(rows[axis], channel),
                              PositionValue(*position[axis])};
        }
    }
    const std::span moved(given.data(), count);
    m_doc.Apply(moved, origin);
    for (const auto& [key, value] : moved) {
        m_link.Post(key, value, repeat);
    }
}
