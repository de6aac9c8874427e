// The document's values by key, through the parameter table. Apart from CControllerDoc.cpp,
// whose names and notices need no table, because the table itself names the document's
// fields: each of the two files then depends on the other's header only one way.
#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"

#include <algorithm>
#include <utility>

void CControllerDoc::ResetToDefaults() {
    const ChangeScope reset(*this, ChangeOrigin::Load);
    for (const GlobalParameter& parameter : kGlobalParameters) {
        this->*parameter.member = parameter.resetValue;
    }
    for (const ChannelParameter& parameter : kChannelParameters) {
        std::fill(std::begin(this->*parameter.array), std::end(this->*parameter.array),
                  parameter.resetValue);
    }
}

int& CControllerDoc::ValueAt(ParameterKey key) {
    if (key.IsGlobal()) {
        return this->*kGlobalParameters.at(static_cast<std::size_t>(key.row)).member;
    }
    return (this
                ->*kChannelParameters.at(static_cast<std::size_t>(key.row))
                .array)[static_cast<std::size_t>(std::clamp<int>(key.channel, 0, kChannels - 1))];
}

int CControllerDoc::Get(ParameterKey key) const {
    return const_cast<CControllerDoc*>(this)->ValueAt(key);
}

bool CControllerDoc::Set(ParameterKey key, int value, ChangeOrigin origin) {
    int& field = ValueAt(key);
    if (field == value) {
        return false;
    }
    const int old = std::exchange(field, value);
    if (m_scopeDepth == 0) {
        Notify({origin, {{key, old, value}}});
    }
    return true;
}

void CControllerDoc::Apply(std::span<const std::pair<ParameterKey, int>> values,
                           ChangeOrigin origin) {
    DocumentChanges changes{origin, {}};
    for (const auto& [key, value] : values) {
        int& field = ValueAt(key);
        if (field != value) {
            changes.values.push_back({key, std::exchange(field, value), value});
        }
    }
    if (m_scopeDepth == 0) {
        Notify(std::move(changes));
    }
}

CControllerDoc::ChangeScope::~ChangeScope() {
    if (--m_doc.m_scopeDepth > 0) {
        return;
    }
    const std::vector<int> before = std::exchange(m_doc.m_beforeScope, {});
    const std::vector<int> after = m_doc.Values();
    DocumentChanges changes{
        m_doc.m_scopeOrigin, {}, std::exchange(m_doc.m_nameBeforeScope, {}) != m_doc.m_name};
    std::size_t i = 0;
    const auto compare = [&](ParameterKey key) {
        if (before[i] != after[i]) {
            changes.values.push_back({key, before[i], after[i]});
        }
        ++i;
    };
    for (std::size_t row = 0; row < kChannelParameters.size(); ++row) {
        for (int channel = 0; channel < kChannels; ++channel) {
            compare(ParameterKey::Channel(static_cast<int>(row), channel));
        }
    }
    for (std::size_t row = 0; row < kGlobalParameters.size(); ++row) {
        compare(ParameterKey::Global(static_cast<int>(row)));
    }
    m_doc.Notify(std::move(changes));
}

std::vector<int> CControllerDoc::Values() const {
    std::vector<int> values;
    values.reserve(kChannelParameters.size() * kChannels + kGlobalParameters.size());
    for (const ChannelParameter& parameter : kChannelParameters) {
        values.insert(values.end(), std::begin(this->*parameter.array),
                      std::end(this->*parameter.array));
    }
    for (const GlobalParameter& parameter : kGlobalParameters) {
        values.push_back(this->*parameter.member);
    }
    return values;
}
