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
#include <map>
#include <numbers>

namespace {

using Kind = CPatchbayDlg::SourceKind;

struct Routing {
    int spatIn;   // what feeds the spatializer's channel strips
    int rosIn;    // what feeds the converter's option input (the loudspeakers)
    int hostIn;   // what goes back to the host
};

struct Promise {
    const char* file;
    Routing routing;
    std::vector<double> azimuths; // loudspeakers, degrees clockwise from the front
    bool regularRing;
};

constexpr int kLfe = 3; // the fourth channel of 5.1 and 7.1

const std::vector<Promise> kPromises = {
    {"5.1_ITU_Ruruziv_AD_no_bounce.ocont2", {Kind::RuruzivOptOut, Kind::SpatializerOut, Kind::NoSignal}, {-30, 30, 0, -110, 110}, false},
    {"5.1_ITU_Firewire_no_bounce.ocont2", {Kind::HostOutput, Kind::SpatializerOut, Kind::NoSignal}, {-30, 30, 0, -110, 110}, false},
    {"5.1_Default_Ruruziv_AD_no_bounce.ocont2", {Kind::RuruzivOptOut, Kind::SpatializerOut, Kind::NoSignal}, {}, true},
    {"5.1_Default_Firewire_no_bounce.ocont2", {Kind::HostOutput, Kind::SpatializerOut, Kind::NoSignal}, {}, true},
    {"5.1_ITU_Firewire_with_bounce_to_disk.ocont2", {Kind::HostOutput, Kind::SpatializerOut, Kind::SpatializerOut}, {-30, 30, 0, -110, 110}, false},
    {"7.1_ITU_Firewire_no_bounce.ocont2", {Kind::HostOutput, Kind::SpatializerOut, Kind::NoSignal}, {-30, 30, 0, -90, 90, -135, 135}, false},
    {"8IO_FireWire_no_DSP.ocont2", {Kind::NoSignal, Kind::HostOutput, Kind::RuruzivOptOut}, {}, false},
    {"Ambiphon_Ruruziv_AD.ocont2", {Kind::RuruzivOptOut, Kind::SpatializerOut, Kind::NoSignal}, {-10, 10, -60, 60, -110, 110, -160, 160}, false},
    {"CustomPresetOrbisController14.ocont2", {Kind::HostOutput, Kind::SpatializerOut, Kind::NoSignal}, {}, true},
};

double Azimuth(int x, int y) {
    return std::atan2(x - 64.0, y - 64.0) * 180.0 / std::numbers::pi;
}

double AngleBetween(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return d > 180.0 ? 360.0 - d : d;
}

QString PresetPath(const char* file) {
    return QDir(QStringLiteral(ORBIS_SOURCE_PRESETS)).filePath(QString::fromLatin1(file));
}

void ExpectRoute(const CControllerDoc& doc, int row, int c, int kind) {
    const CPatchbayDlg::Destination& destination = CPatchbayDlg::kDestinationTable[row];
    SCOPED_TRACE(std::string(destination.label) + " of channel " + std::to_string(c + 1));
    EXPECT_EQ((doc.*destination.kinds)[c], kind);
    const int channel = CPatchbayDlg::HasChannel(kind) ? c : 0;
    EXPECT_EQ((doc.*destination.channels)[c], channel) << "each channel to its own number";
    EXPECT_EQ((doc.*destination.routeCodes)[c], CPatchbayDlg::RouteCode(kind, channel));
}

} // namespace

TEST(FactoryPresets, TheWindowsNineFilesAreThePromisedOnes) {
    ASSERT_EQ(kPromises.size(), static_cast<std::size_t>(CDefaultPresetDlg::kRows));
    for (int i = 0; i < CDefaultPresetDlg::kRows; ++i) {
        EXPECT_EQ(CDefaultPresetDlg::kRowTable[static_cast<std::size_t>(i)].fileName,
                  kPromises[static_cast<std::size_t>(i)].file);
    }
}

TEST(FactoryPresets, EachFileRoutesAndPlacesWhatItsNamePromises) {
    for (const Promise& promise : kPromises) {
        SCOPED_TRACE(promise.file);
        const std::string path = QFile::encodeName(PresetPath(promise.file)).toStdString();
        CControllerDoc doc;
        ASSERT_TRUE(doc.ReadControllerFile(path, false));
        QFile file(PresetPath(promise.file));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll().toStdString(), ControllerFileText(doc))
            << "the file is exactly what the program writes for it";
        EXPECT_EQ(doc.DefaultPreset, 0);
        EXPECT_EQ(doc.outMIDIPort, 0);

        for (int c = 0; c < 8; ++c) {
            ExpectRoute(doc, 1, c, promise.routing.spatIn);
            ExpectRoute(doc, 2, c, promise.routing.rosIn);
            ExpectRoute(doc, 0, c, promise.routing.hostIn);
            for (int row = 3; row < 7; ++row) {
                ExpectRoute(doc, row, c, Kind::NoSignal);
            }
        }

        std::vector<double> azimuths;
        for (int s = 0; s < doc.NMatrixOutput; ++s) {
            azimuths.push_back(Azimuth(doc.SpatOutXPos[s], doc.SpatOutYPos[s]));
        }
        if (!promise.azimuths.empty()) {
            ASSERT_EQ(azimuths.size(), promise.azimuths.size());
            for (std::size_t s = 0; s < azimuths.size(); ++s) {
                EXPECT_LE(AngleBetween(azimuths[s], promise.azimuths[s]), 1.5)
                    << "loudspeaker " << s + 1 << " at " << azimuths[s];
            }
        }
        if (promise.regularRing) {
            std::vector<double> sorted = azimuths;
            std::sort(sorted.begin(), sorted.end());
            const double step = 360.0 / static_cast<double>(sorted.size());
            for (std::size_t s = 0; s < sorted.size(); ++s) {
                EXPECT_NEAR(AngleBetween(sorted[s], sorted[(s + 1) % sorted.size()]), step, 1.5);
            }
        }
    }
}

TEST(FactoryPresets, SurroundSourcesSitOnTheirLoudspeakersAndTheLfeWithTheListener) {
    // 5.1 is L R C LFE Ls Rs and 7.1 L R C LFE Lss Rss Lrs Rrs; loudspeakers leave out the LFE.
    for (const Promise& promise : kPromises) {
        const std::string name = promise.file;
        if (name.rfind("5.1", 0) != 0 && name.rfind("7.1", 0) != 0) {
            continue;
        }
        SCOPED_TRACE(name);
        CControllerDoc doc;
        ASSERT_TRUE(doc.ReadControllerFile(QFile::encodeName(PresetPath(promise.file)).toStdString(), false));
        for (int source = 0; source <= doc.NMatrixOutput; ++source) {
            if (source == kLfe) {
                EXPECT_EQ(doc.XPosition[source], 64);
                EXPECT_EQ(doc.YPosition[source], 64);
                EXPECT_LT(doc.LPFCutOff[source], 20) << "the LFE is low-passed";
                continue;
            }
            const int speaker = source < kLfe ? source : source - 1;
            EXPECT_EQ(doc.XPosition[source], doc.SpatOutXPos[speaker]) << "source " << source + 1;
            EXPECT_EQ(doc.YPosition[source], doc.SpatOutYPos[speaker]) << "source " << source + 1;
            EXPECT_GT(doc.InputLevel[source], 0);
        }
        for (int unused = doc.NMatrixOutput + 1; unused < 8; ++unused) {
            EXPECT_EQ(doc.InputLevel[unused], 0) << "channel " << unused + 1 << " carries nothing";
        }
    }
}

TEST(FactoryPresets, TheReadmeNamesEveryFile) {
    QFile readme(PresetPath("README.md"));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    for (const Promise& promise : kPromises) {
        EXPECT_TRUE(text.contains(QString::fromLatin1(promise.file))) << promise.file;
    }
}
