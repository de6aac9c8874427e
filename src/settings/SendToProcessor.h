// How the position windows reach the processor: as live values through the program's link,
// which paces them and opens the output port chosen in the device list.
#pragma once

#include "program/CProcessorLink.h"

#include <initializer_list>
#include <utility>

// Each value goes out as the Control Change the parameter table gives its key.
inline void SendToProcessor(CProcessorLink& link,
                            std::initializer_list<std::pair<ParameterKey, int>> values) {
    for (const auto& [key, value] : values) {
        link.Post(key, value);
    }
}
