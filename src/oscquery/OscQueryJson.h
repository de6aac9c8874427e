// The address space as an OSCQuery client reads it: a tree of containers (FULL_PATH,
// CONTENTS) whose leaves are the receiver's addresses with their type, range, current value,
// access, description and unit; one node of it; one attribute of a node; and the host's
// description. Pure functions of the address space and the document.
#pragma once

#include "osc/OscAddressSpace.h"

#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

class CControllerDoc;

// ACCESS bits.
constexpr int kOscQueryReadable = 1;
constexpr int kOscQueryWritable = 2;

// The OSCQuery unit string of a unit word ("dB" -> "gain.dB"); empty for one without.
QString OscQueryUnit(const std::string& unit);
// The node at `path` ("/" is the root) with everything under it; nothing when there is none.
std::optional<QJsonObject> OscQueryNode(const std::vector<OscNode>& nodes,
                                        const CControllerDoc& doc, const QString& path);

struct OscQueryHost {
    QString name;
    quint16 oscPort = 0;
    quint16 wsPort = 0;
};
QJsonObject OscQueryHostInfo(const OscQueryHost& host);
