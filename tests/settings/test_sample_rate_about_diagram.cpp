// The Sample Rate window and the main window's hertz texts, the slots of the modeless
// windows, the About window's texts and link, and the modal commands.
#include "support/SettingsWindowFixture.h"

#include "controls/CSkinLabel.h"
#include "controls/ReadablePalette.h"
#include "model/ValueText.h"
#include "settings/CAboutDlg.h"
#include "settings/CSampleRateDlg.h"

#include <QTimer>

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
    EXPECT_EQ(Doc().Frequence, 3);
    EXPECT_EQ(LabelText(ControlId::ReadoutValue).toStdString(), FormatLowPassCutoff(value, 3));
    EXPECT_EQ(Doc().LPFCutOff[0], value);
    EXPECT_TRUE(midi.PutEvents().empty());
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
