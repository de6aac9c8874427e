// The nine factory setups: each file is one the program itself would write, routes what
// its name promises and places its loudspeakers, and its sources on them, as promised.
#include "model/CControllerDoc.h"
#include "model/ControllerFile.h"
#include "settings/CDefaultPresetDlg.h"
#include "settings/CPatchbayDlg.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

using Kind = CPatchbayDlg::SourceKind;

struct Promise {
    int spatIn, rosIn, hostIn;    // what feeds the spatializer, the converter, the host
    std::vector<double> azimuths; // loudspeakers, degrees clockwise from the front
    bool regularRing;
    bool surround; // 5.1 or 7.1 channels: L R C LFE and the rest on their loudspeakers
};

const std::vector<double> kItu51 = {-30, 30, 0, -110, 110};

// clang-format off
const std::vector<Promise> kPromises = { // in the window's row order
    {Kind::RuruzivOptOut, Kind::SpatializerOut, Kind::NoSignal, kItu51, false, true},
    {Kind::HostOutput, Kind::SpatializerOut, Kind::NoSignal, kItu51, false, true},
    {Kind::RuruzivOptOut, Kind::SpatializerOut, Kind::NoSignal, {}, true, true},
    {Kind::HostOutput, Kind::SpatializerOut, Kind::NoSignal, {}, true, true},
    {Kind::HostOutput, Kind::SpatializerOut, Kind::SpatializerOut, kItu51, false, true},
    {Kind::HostOutput, Kind::SpatializerOut, Kind::NoSignal, {-30, 30, 0, -90, 90, -135, 135}, false, true},
    {Kind::NoSignal, Kind::HostOutput, Kind::RuruzivOptOut, {}, false, false},
    {Kind::RuruzivOptOut, Kind::SpatializerOut, Kind::NoSignal, {-10, 10, -60, 60, -110, 110, -160, 160}, false, false},
    {Kind::HostOutput, Kind::SpatializerOut, Kind::NoSignal, {}, true, false},
};
// clang-format on

double AngleBetween(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return d > 180.0 ? 360.0 - d : d;
}

void ExpectRoute(const CControllerDoc& doc, int row, int c, int kind) {
    const CPatchbayDlg::Destination& destination = CPatchbayDlg::kDestinationTable[row];
    SCOPED_TRACE(std::string(destination.label) + " of channel " + std::to_string(c + 1));
    const int channel = CPatchbayDlg::HasChannel(kind) ? c : 0;
    EXPECT_EQ((doc.*destination.kinds)[c], kind);
    EXPECT_EQ((doc.*destination.channels)[c], channel) << "each channel to its own number";
    EXPECT_EQ((doc.*destination.routeCodes)[c], CPatchbayDlg::RouteCode(kind, channel));
}

} // namespace

TEST(FactoryPresets, EachFileRoutesAndPlacesWhatItsNamePromises) {
    for (std::size_t i = 0; i < kPromises.size(); ++i) {
        const Promise& promise = kPromises[i];
        const QString path =
            QDir(QStringLiteral(ORBIS_SOURCE_PRESETS))
                .filePath(QString::fromUtf8(CDefaultPresetDlg::kRowTable[i].fileName));
        SCOPED_TRACE(path.toStdString());
        CControllerDoc doc;
        ASSERT_TRUE(ReadControllerFile(doc, QFile::encodeName(path).toStdString(), false));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll().toStdString(), ControllerFileText(doc))
            << "the file is exactly what the program writes for it";

        for (int c = 0; c < 8; ++c) {
            ExpectRoute(doc, 0, c, promise.hostIn);
            ExpectRoute(doc, 1, c, promise.spatIn);
            ExpectRoute(doc, 2, c, promise.rosIn);
            for (int row = 3; row < 7; ++row) {
                ExpectRoute(doc, row, c, Kind::NoSignal);
            }
        }

        std::vector<double> azimuths;
        for (int s = 0; s < doc.NMatrixOutput; ++s) {
            azimuths.push_back(std::atan2(doc.SpatOutXPos[s] - 64.0, doc.SpatOutYPos[s] - 64.0) *
                               180.0 / std::numbers::pi);
        }
        if (!promise.azimuths.empty()) {
            ASSERT_EQ(azimuths.size(), promise.azimuths.size());
            for (std::size_t s = 0; s < azimuths.size(); ++s) {
                EXPECT_LE(AngleBetween(azimuths[s], promise.azimuths[s]), 1.5)
                    << "speaker " << s + 1;
            }
        }
        if (promise.regularRing) {
            std::sort(azimuths.begin(), azimuths.end());
            for (std::size_t s = 0; s < azimuths.size(); ++s) {
                EXPECT_NEAR(AngleBetween(azimuths[s], azimuths[(s + 1) % azimuths.size()]),
                            360.0 / static_cast<double>(azimuths.size()), 1.5);
            }
        }
        for (int source = 0; promise.surround && source < 8; ++source) {
            const int speaker = source < 3 ? source : source - 1; // the LFE is the fourth
            if (source == 3) {
                EXPECT_EQ(doc.XPosition[source] * 1000 + doc.YPosition[source], 64064);
                EXPECT_LT(doc.LPFCutOff[source], 20) << "the LFE stays low-passed at the centre";
            } else if (speaker < doc.NMatrixOutput) {
                EXPECT_EQ(doc.XPosition[source], doc.SpatOutXPos[speaker])
                    << "source " << source + 1;
                EXPECT_EQ(doc.YPosition[source], doc.SpatOutYPos[speaker])
                    << "source " << source + 1;
            } else {
                EXPECT_EQ(doc.InputLevel[source], 0)
                    << "channel " << source + 1 << " carries nothing";
            }
        }
    }
}
