// The Sample Rate window and the main window's hertz texts, open windows following the
// document whatever changed it, the slots of the modeless windows, the About window's texts
// and link, and the modal commands.
#include "support/SettingsWindowFixture.h"

#include "support/WhenShown.h"

#include "controls/CPositionPad.h"
#include "controls/CSkinLabel.h"
#include "controls/ReadablePalette.h"
#include "model/ControllerFile.h"
#include "model/ParameterTable.h"
#include "model/RoomPicture.h"
#include "model/ValueText.h"
#include "program/CUndoHistory.h"
#include "settings/CAboutDlg.h"
#include "settings/CDefaultPresetDlg.h"
#include "settings/CPatchbayDlg.h"
#include "settings/CRoomDlg.h"
#include "settings/CSampleRateDlg.h"
#include "settings/CSpatOutsDlg.h"
#include "settings/CUpDownArrows.h"
#include "tracker/CTrackerLink.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QUndoStack>

#include <array>
#include <functional>

using InformationWindowTest = SettingsWindowTest;

TEST_F(InformationWindowTest, ARateChangeRewritesTheCutOffReadoutAndSendsNothing) {
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    QAbstractSlider* lowPass = Control(ControlId::LPFCutOff);
    lowPass->setFocus();
    QTest::keyClick(lowPass, Qt::Key_Down); // the readout now names the low-pass cut-off
    const int value = lowPass->value();
    ASSERT_EQ(LabelText(ControlId::ReadoutValue).toStdString(), FormatLowPassCutoff(value, 0));
    midi.ClearRecords();

    auto* rates = Open<CSampleRateDlg>(SettingsWindow::SampleRate, CommandId::SampleRate);
    ASSERT_NE(rates, nullptr);
    QComboBox* list = Child<QComboBox>(rates, CSampleRateDlg::kRateList);
    EXPECT_EQ(list->currentIndex(), 0);
    Choose(list, 3);
    Settle();
    EXPECT_EQ(Doc().Frequence, 3);
    EXPECT_EQ(LabelText(ControlId::ReadoutValue).toStdString(), FormatLowPassCutoff(value, 3));
    EXPECT_EQ(Doc().LPFCutOff[0], value);
    EXPECT_TRUE(midi.PutEvents().empty());
}

// Whatever changes the document, the open windows show it once the event loop's pass ends:
// the Sample Rate window's choice, the main window's readout (naming the low-pass cut-off,
// in hertz at the rate), loudspeaker 1's X field, the main window's loudspeaker X slider,
// its source X label, the Patchbay's first source of input 1, the title line's name and the
// Room window's line for source 1.
// Each row starts where the one before left the document.
TEST_F(InformationWindowTest, OpenWindowsFollowEveryChangeWhateverItsOrigin) {
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    QTemporaryDir folder;
    const auto fileWith = [&folder](const char* name, int rate, int lowPass, int x) {
        CControllerDoc source;
        source.Frequence = rate;
        source.LPFCutOff[0] = lowPass;
        source.SpatOutXPos[0] = x;
        source.XPosition[0] = x;
        source.HostInPBSelect[0] = rate + 1;
        const QString path = folder.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(WriteControllerFile(source, path.toStdString()));
        return path;
    };
    auto* rates = Open<CSampleRateDlg>(SettingsWindow::SampleRate, CommandId::SampleRate);
    ASSERT_NE(rates, nullptr);
    QComboBox* rateList = Child<QComboBox>(rates, CSampleRateDlg::kRateList);
    windows->SetSettingsWindowFactory(
        SettingsWindow::SpatOuts, [](CControllerApp& program, QWidget& parent) {
            return static_cast<QWidget*>(new CSpatOutsDlg(program, parent));
        });
    window->ExecuteCommand(CommandId::SpatOuts);
    auto* speakers = qobject_cast<CSpatOutsDlg*>(window->OpenedWindow(SettingsWindow::SpatOuts));
    ASSERT_NE(speakers, nullptr);
    window->ExecuteCommand(CommandId::Room);
    auto* room = qobject_cast<CRoomDlg*>(window->OpenedWindow(SettingsWindow::Room));
    ASSERT_NE(room, nullptr);
    const QLabel* roomLine = room->findChild<QLabel*>(QStringLiteral("SourcePosition"));
    CPatchbayDlg patchbay(*app, *window);
    const QComboBox* route = Child<QComboBox>(
        &patchbay, CPatchbayDlg::kDestinationTable[0].sourceListId); // input 1 is shown
    QAbstractSlider* lowPass = Control(ControlId::LPFCutOff);
    lowPass->setFocus();
    QTest::keyClick(lowPass, Qt::Key_Down);
    Settle();

    using Shown = std::array<QString, 8>;
    const auto shown = [&] {
        QString title = LabelText(ControlId::Title);
        if (title.startsWith(QLatin1Char('*'))) {
            title.remove(0, 1); // the mark has tests of its own
        }
        return Shown{QString::number(rateList->currentIndex()),
                     LabelText(ControlId::ReadoutValue),
                     speakers->Field(0, 0)->text(),
                     QString::number(Control(ControlId::SpatOutXPos)->value()),
                     LabelText(ControlId::SourceXLabel),
                     QString::number(route->currentIndex()),
                     title,
                     roomLine->text()};
    };
    const auto expected = [this] {
        const CControllerDoc& doc = Doc();
        const ValueLabelContext metres{false, doc.RoomSide, doc.Frequence};
        const auto text = [](const std::string& s) { return QString::fromStdString(s); };
        return Shown{
            QString::number(doc.Frequence),
            text(FormatLowPassCutoff(doc.LPFCutOff[0], doc.Frequence)),
            text(ValueLabel(ValueUnit::Metres, doc.SpatOutXPos[0], metres)),
            QString::number(doc.SpatOutXPos[0]),
            text(ValueLabel(ValueUnit::Metres, doc.XPosition[0], metres)),
            QString::number(doc.HostInPBSelect[0]),
            text(doc.Name()),
            QStringLiteral("Source 1: ") +
                text(PositionText(doc, {doc.XPosition[0], doc.YPosition[0], doc.ZPosition[0]}))};
    };
    const QString imported = fileWith("imported.ocont2", 2, 40, 20);
    const QString preset = fileWith("preset.ocont2", 1, 90, 100);
    const std::pair<const char*, std::function<void()>> rows[] = {
        {"a gesture in another window",
         [&] {
             Choose(rateList, 3);
             emit speakers->Arrows(0, 0)->deltaPos(-1); // the upper arrow raises X
             window->ApplyPadPosition(40, 150);         // the main pad moves source 1
         }},
        {"undo",
         [&] {
             while (app->History().Stack().canUndo()) {
                 window->ExecuteCommand(CommandId::Undo);
             }
         }},
        {"Import",
         [&] {
             WhenShown<QFileDialog>([&](QFileDialog* dialog) { ChooseFile(dialog, imported); });
             ExecuteDiscarding(CommandId::Import);
         }},
        {"Try Preset", [&] { EXPECT_FALSE(CDefaultPresetDlg::TryPreset(*app, 2, preset)); }},
        {"Save As, a rename alone",
         [&] {
             WhenShown<QFileDialog>([&](QFileDialog* dialog) {
                 ChooseFile(dialog, folder.filePath(QStringLiteral("saved.ocont2")));
             });
             window->ExecuteCommand(CommandId::SaveAs);
         }},
        {"a rename from outside the windows (a session, a recovery)",
         [&] { Doc().SetName(folder.filePath(QStringLiteral("session.ocont2")).toStdString()); }},
        {"a live change from the network",
         [this] {
             const std::pair<ParameterKey, int> values[] = {
                 {KeyOf(&CControllerDoc::Frequence), 0},
                 {KeyOf(&CControllerDoc::LPFCutOff, 0), 60},
                 {KeyOf(&CControllerDoc::SpatOutXPos, 0), 30},
                 {KeyOf(&CControllerDoc::XPosition, 0), 30},
                 {KeyOf(&CControllerDoc::HostInPBSelect, 0), 5}};
             Doc().Apply(values, ChangeOrigin::Live);
         }},
        {"a tracker position", [this] { emit app->Tracker().PositionArrived(126, 114, 64); }},
    };
    for (const auto& [origin, change] : rows) {
        SCOPED_TRACE(origin);
        const Shown before = shown();
        change();
        Settle();
        EXPECT_EQ(shown(), expected());
        EXPECT_NE(shown(), before) << "the row changes what the windows show";
    }
}

TEST_F(InformationWindowTest, ModelessWindowsOpenOnceInTheirPlaceAndFreeTheirSlotOnClose) {
    ASSERT_NO_FATAL_FAILURE(StartProgram(false));
    const QRect m = window->frameGeometry();
    const int centredTop = m.y() + 30;
    const std::vector<std::tuple<SettingsWindow, int, const char*, int, int>> cases = {
        // window, command, class, x + its width (or - half of it), y
        {SettingsWindow::DefaultPreset, CommandId::DefaultPreset, "CDefaultPresetDlg",
         m.x() + m.width() + 25, m.y() + m.height() / 2 - 50},
        {SettingsWindow::SampleRate, CommandId::SampleRate, "CSampleRateDlg", -1, centredTop},
        {SettingsWindow::Diagram, CommandId::Diagram, "CDiagramDlg", -1, centredTop},
        {SettingsWindow::CueList, CommandId::CueList, "CCueListDlg", m.x() + m.width() + 25,
         m.y() + m.height() / 2 - 50},
        {SettingsWindow::Room, CommandId::Room, "CRoomDlg", m.x() + m.width() + 25,
         m.y() + m.height() / 2 - 50},
    };
    for (const auto& [kind, command, className, right, top] : cases) {
        SCOPED_TRACE(className);
        window->ExecuteCommand(command);
        QPointer<QWidget> opened = window->OpenedWindow(kind);
        ASSERT_NE(opened, nullptr);
        EXPECT_STREQ(opened->metaObject()->className(), className);
        const int w = opened->frameGeometry().width();
        EXPECT_EQ(opened->pos(),
                  QPoint(right < 0 ? m.x() + m.width() / 2 - w / 2 : right - w, top));
        window->ExecuteCommand(command);
        EXPECT_EQ(window->OpenedWindow(kind), opened) << "no second window";
        if (kind == SettingsWindow::Diagram) {
            EXPECT_EQ(Child<QLabel>(opened, 198)->pixmap().size(), QSize(866, 505));
        }
        QTest::keyClick(opened, Qt::Key_Escape);
        EXPECT_EQ(window->OpenedWindow(kind), nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(opened, nullptr) << "the closed window deletes itself";
    }
}

TEST_F(InformationWindowTest, AboutShowsTheLogoTheTextsAndALink) {
    ASSERT_NO_FATAL_FAILURE(StartProgram(false));
    CAboutDlg about(window.get());
    EXPECT_EQ(about.size(), QSize(342, 463)) << "228 x 285 dialog units";
    EXPECT_EQ(Child<QLabel>(&about, 200)->pixmap().size(), QSize(48, 48));
    EXPECT_EQ(Child<QLabel>(&about, 1203)->text(), QStringLiteral("Versione 1.6"));
    EXPECT_EQ(Child<QLabel>(&about, 1202)->font().pixelSize(), 22);
    for (const int id : {1204, 1213, 1215, 1216, 1217, 1219}) {
        EXPECT_FALSE(Child<QLabel>(&about, id)->text().isEmpty()) << id;
    }
    EXPECT_TRUE(about.WebSiteLink()->IsLink());
    EXPECT_EQ(about.WebSiteLink()->text(), QString::fromLatin1(CAboutDlg::kWebSiteAddress));
}

// The link is the template's blue where that reads, and a lighter blue on a dark desktop.
TEST_F(InformationWindowTest, AboutLinkReadsOnLightAndDarkFaces) {
    ASSERT_NO_FATAL_FAILURE(StartProgram(false));
    const QPalette original = QApplication::palette();
    for (const QColor face : {QColor(239, 239, 239), QColor(53, 53, 53)}) {
        QApplication::setPalette(QPalette(face));
        CAboutDlg about(window.get());
        const QPalette colours = about.WebSiteLink()->palette();
        const QColor text = colours.color(QPalette::WindowText);
        EXPECT_GE(ContrastRatio(text, colours.color(QPalette::Window)), kTextContrast)
            << face.name().toStdString();
        EXPECT_EQ(text.hslHue(), 240) << "still blue";
        if (face.lightness() > 128) {
            EXPECT_EQ(text, QColor(0, 0, 255));
        }
    }
    QApplication::setPalette(original);
}

TEST_F(InformationWindowTest, PatchbayAndAboutRunModally) {
    ASSERT_NO_FATAL_FAILURE(StartProgram(false));
    for (const auto& [command, className] : std::vector<std::pair<int, QString>>{
             {CommandId::Patchbay, "CPatchbayDlg"}, {CommandId::About, "CAboutDlg"}}) {
        QString shown;
        QTimer::singleShot(0, [&shown] {
            QWidget* modal = QApplication::activeModalWidget();
            ASSERT_NE(modal, nullptr);
            shown = modal->metaObject()->className();
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        window->ExecuteCommand(command);
        EXPECT_EQ(shown, className);
    }
}
