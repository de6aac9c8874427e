#include "oscquery/OscQueryJson.h"

#include <QJsonArray>

#include <charconv>
#include <map>
#include <string_view>

namespace {

// A container or an address, or both, by the next segment of the path.
struct Branch {
    std::map<std::string, Branch> children;
    const OscNode* node = nullptr;
};

// A float as the decimal it was written as (0.1, not 0.10000000149).
double Decimal(float value) {
    std::array<char, 32> text{};
    const auto written = std::to_chars(text.data(), text.data() + text.size(), value);
    double decimal = value;
    std::from_chars(text.data(), written.ptr, decimal);
    return decimal;
}

QJsonValue JsonOf(const OscArgument& argument) {
    if (const auto* i = std::get_if<std::int32_t>(&argument)) {
        return *i;
    }
    if (const auto* f = std::get_if<float>(&argument)) {
        return Decimal(*f);
    }
    return QString::fromStdString(std::get<std::string>(argument));
}

QJsonObject JsonOf(const Branch& branch, const std::string& path, const CControllerDoc& doc) {
    QJsonObject json{
        {QStringLiteral("FULL_PATH"), QString::fromStdString(path.empty() ? "/" : path)}};
    if (const OscNode* node = branch.node) {
        json.insert(QStringLiteral("ACCESS"), (node->readable ? kOscQueryReadable : 0) |
                                                  (node->writable ? kOscQueryWritable : 0));
        json.insert(QStringLiteral("DESCRIPTION"), QString::fromStdString(node->description));
        if (!node->type.empty()) {
            json.insert(QStringLiteral("TYPE"), QString::fromStdString(node->type));
        }
        if (!node->range.empty()) {
            QJsonArray range;
            for (const auto& [min, max] : node->range) {
                range.append(
                    QJsonObject{{QStringLiteral("MIN"), min}, {QStringLiteral("MAX"), max}});
            }
            json.insert(QStringLiteral("RANGE"), range);
        }
        if (const QString unit = OscQueryUnit(node->unit); !unit.isEmpty()) {
            // One per argument, as RANGE.
            QJsonArray units;
            for (std::size_t i = 0; i < std::max<std::size_t>(1, node->type.size()); ++i) {
                units.append(unit);
            }
            json.insert(QStringLiteral("UNIT"), units);
        }
        // A value the document does not hold (the cue list's) is left out, as a write-only one.
        QJsonArray value;
        if (node->readable && !node->type.empty()) {
            for (const OscArgument& argument : OscValueOf(doc, *node)) {
                value.append(JsonOf(argument));
            }
        }
        if (!value.isEmpty()) {
            json.insert(QStringLiteral("VALUE"), value);
        }
    }
    if (!branch.children.empty()) {
        QJsonObject contents;
        for (const auto& [name, child] : branch.children) {
            contents.insert(QString::fromStdString(name), JsonOf(child, path + "/" + name, doc));
        }
        json.insert(QStringLiteral("CONTENTS"), contents);
    }
    return json;
}

} // namespace

QString OscQueryUnit(const std::string& unit) {
    static const std::map<std::string, QString, std::less<>> kUnits = {
        {"dB", QStringLiteral("gain.dB")},        {"Hz", QStringLiteral("frequency.Hz")},
        {"kHz", QStringLiteral("frequency.kHz")}, {"m", QStringLiteral("distance.m")},
        {"deg", QStringLiteral("angle.deg")},     {"ms", QStringLiteral("time.ms")},
        {"s", QStringLiteral("time.s")},          {"%", QStringLiteral("percent")},
    };
    const auto found = kUnits.find(unit);
    return found == kUnits.end() ? QString() : found->second;
}

std::optional<QJsonObject> OscQueryNode(const std::vector<OscNode>& nodes,
                                        const CControllerDoc& doc, const QString& path) {
    Branch root;
    for (const OscNode& node : nodes) {
        Branch* branch = &root;
        for (const QString& segment :
             QString::fromStdString(node.path).split(u'/', Qt::SkipEmptyParts)) {
            branch = &branch->children[segment.toStdString()];
        }
        branch->node = &node;
    }
    const Branch* branch = &root;
    std::string full;
    for (const QString& segment : path.split(u'/', Qt::SkipEmptyParts)) {
        const auto found = branch->children.find(segment.toStdString());
        if (found == branch->children.end()) {
            return std::nullopt;
        }
        branch = &found->second;
        full += "/" + found->first;
    }
    return JsonOf(*branch, full, doc);
}

QJsonObject OscQueryHostInfo(const OscQueryHost& host) {
    QJsonObject extensions;
    for (const char* supported : {"ACCESS", "VALUE", "RANGE", "DESCRIPTION", "UNIT", "LISTEN"}) {
        extensions.insert(QLatin1String(supported), true);
    }
    for (const char* unsupported :
         {"TAGS", "EXTENDED_TYPE", "CLIPMODE", "CRITICAL", "OVERLOADS", "HTML", "PATH_CHANGED",
          "PATH_RENAMED", "PATH_ADDED", "PATH_REMOVED"}) {
        extensions.insert(QLatin1String(unsupported), false);
    }
    return {{QStringLiteral("NAME"), host.name},
            {QStringLiteral("OSC_PORT"), host.oscPort},
            {QStringLiteral("OSC_TRANSPORT"), QStringLiteral("UDP")},
            {QStringLiteral("WS_PORT"), host.wsPort},
            {QStringLiteral("EXTENSIONS"), extensions}};
}
