#include "model/CueList.h"

#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"

#include <algorithm>
#include <cmath>
#include <utility>

std::vector<ParameterKey> ScopeKeys(std::bitset<8> channels, std::bitset<Cue::kGroups> groups) {
    const auto inGroups = [&groups](ParameterKey key) {
        return groups.test(static_cast<std::size_t>(GroupOf(key)));
    };
    std::vector<ParameterKey> keys;
    for (std::size_t row = 0; row < kChannelParameters.size(); ++row) {
        for (int channel = 0; channel < CControllerDoc::kChannels; ++channel) {
            const ParameterKey key = ParameterKey::Channel(static_cast<int>(row), channel);
            if (channels.test(static_cast<std::size_t>(channel)) && inGroups(key)) {
                keys.push_back(key);
            }
        }
    }
    for (std::size_t row = 0; row < kGlobalParameters.size(); ++row) {
        const ParameterKey key = ParameterKey::Global(static_cast<int>(row));
        if (inGroups(key) && kGlobalParameters[row].member != &CControllerDoc::outMIDIPort) {
            keys.push_back(key);
        }
    }
    return keys;
}

std::vector<std::pair<ParameterKey, int>>
ScopeValues(const CControllerDoc& doc, std::bitset<8> channels, std::bitset<Cue::kGroups> groups) {
    std::vector<std::pair<ParameterKey, int>> values;
    for (const ParameterKey key : ScopeKeys(channels, groups)) {
        values.emplace_back(key, ClampCueValue(doc.Get(key)));
    }
    return values;
}

int ClampFadeTenths(long long tenths) {
    return static_cast<int>(std::clamp<long long>(tenths, 0, Cue::kMaxFadeTenths));
}

int ClampCueValue(int value) {
    return std::clamp(value, 0, 127);
}

namespace {

// A number strictly between two neighbours (either may be missing), or nothing once
// halving no longer gives a number between them.
std::optional<double> NumberBetween(const Cue* before, const Cue* after) {
    if (!before && !after) {
        return 1.0;
    }
    if (!after) {
        return std::floor(before->number) + 1;
    }
    const double low = before ? before->number : 0.0;
    const double whole = std::floor(low) + 1;
    const double number = whole < after->number ? whole : low + (after->number - low) / 2;
    if (!(number > low && number < after->number)) {
        return std::nullopt;
    }
    return number;
}

} // namespace

std::optional<std::size_t> CueList::Record(const CControllerDoc& doc, std::ptrdiff_t after,
                                           std::bitset<8> channels,
                                           std::bitset<Cue::kGroups> groups, std::string name,
                                           int fadeTenths, CuePath path) {
    if (m_cues.size() >= kMaxCues || after < kAtFront ||
        after >= static_cast<std::ptrdiff_t>(m_cues.size())) {
        return std::nullopt;
    }
    const auto index = static_cast<std::size_t>(after + 1);
    const Cue* before = index > 0 ? &m_cues[index - 1] : nullptr;
    const Cue* next = index < m_cues.size() ? &m_cues[index] : nullptr;
    const std::optional<double> number = NumberBetween(before, next);
    if (!number) {
        return std::nullopt;
    }
    Cue cue;
    cue.number = *number;
    cue.name = std::move(name);
    cue.fadeTenths = ClampFadeTenths(fadeTenths);
    cue.path = path;
    cue.channels = channels;
    cue.groups = groups;
    cue.values = ScopeValues(doc, channels, groups);
    m_cues.insert(m_cues.begin() + static_cast<std::ptrdiff_t>(index), std::move(cue));
    return index;
}

bool CueList::Update(std::size_t index, const CControllerDoc& doc) {
    if (index >= m_cues.size()) {
        return false;
    }
    Cue& cue = m_cues[index];
    cue.values = ScopeValues(doc, cue.channels, cue.groups);
    return true;
}

bool CueList::Delete(std::size_t index) {
    if (index >= m_cues.size()) {
        return false;
    }
    m_cues.erase(m_cues.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

bool CueList::MoveUp(std::size_t index) {
    return index > 0 && MoveDown(index - 1);
}

bool CueList::MoveDown(std::size_t index) {
    if (index + 1 >= m_cues.size()) {
        return false;
    }
    std::swap(m_cues[index], m_cues[index + 1]);
    std::swap(m_cues[index].number, m_cues[index + 1].number);
    return true;
}

std::optional<std::size_t> CueList::Find(double number) const {
    const auto hit = std::lower_bound(m_cues.begin(), m_cues.end(), number,
                                      [](const Cue& cue, double n) { return cue.number < n; });
    if (hit == m_cues.end() || hit->number != number) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(hit - m_cues.begin());
}

void CueList::Assign(std::vector<Cue> cues) {
    m_cues = std::move(cues);
    if (m_cues.size() > kMaxCues) {
        m_cues.resize(kMaxCues);
    }
}
