// The Sample Rate window and the main window's hertz texts, the About window's texts and
// link, the Diagram window's picture, and the slots of the three modeless windows.
#include "SettingsWindowFixture.h"

#include "controls/CSkinLabel.h"
#include "model/ValueText.h"
#include "settings/CAboutDlg.h"
#include "settings/CDefaultPresetDlg.h"
#include "settings/CDiagramDlg.h"
#include "settings/CSampleRateDlg.h"

#include <QTimer>

namespace {

class InformationWindowTest : public SettingsWindowTest {};

} // namespace

TEST_F(InformationWindowTest, ARateChangeRewritesTheCutOffReadoutAndSendsNothing) {
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    QAbstractSlider* lowPass = Control(ControlId::LPFCutOff);
    lowPass->setFocus();
    QTest::keyClick(lowPass, Qt::Key_Down); // the readout now names the low-pass cut-off
    const int value = lowPass->value();
    const QString at44k = LabelText(ControlId::ReadoutValue);
    ASSERT_EQ(at44k.toStdString(), FormatLowPassCutoff(value, 0));
    midi.ClearRecords();

    auto* rates = Open<CSampleRateDlg>(SettingsWindow::SampleRate, CommandId::SampleRate);
    ASSERT_NE(rates, nullptr);
    QComboBox* list = Child<QComboBox>(rates, CSampleRateDlg::kRateList);
    EXPECT_EQ(list->currentIndex(), 0);
    Choose(list, 3);
    EXPECT_EQ(Doc().Frequence, 3);
    EXPECT_EQ(LabelText(ControlId::ReadoutValue).toStdString(), FormatLowPassCutoff(value, 3));
    EXPECT_EQ(lowPass->value(), value);
    EXPECT_EQ(Doc().LPFCutOff[0], value);
    EXPECT_TRUE(midi.PutEvents().empty());
}

TEST_F(InformationWindowTest, TheRateListShowsTheDocumentsRate) {
    ASSERT_NO_FATAL_FAILURE(StartProgram(false));
    for (const auto& [frequence, shown] : std::vector<std::pair<int, int>>{{2, 2}, {4, -1}, {-1, -1}}) {
        Doc().Frequence = frequence;
        auto* rates = Open<CSampleRateDlg>(SettingsWindow::SampleRate, CommandId::SampleRate);
        ASSERT_NE(rates, nullptr);
        EXPECT_EQ(Child<QComboBox>(rates, CSampleRateDlg::kRateList)->currentIndex(), shown)
            << "Frequence " << frequence;
        rates->close();
        EXPECT_EQ(window->OpenedWindow(SettingsWindow::SampleRate), nullptr);
    }
}

TEST_F(InformationWindowTest, ModelessWindowsOpenOnceInTheirPlaceAndFreeTheirSlotOnClose) {
    ASSERT_NO_FATAL_FAILURE(StartProgram(false));
    const QRect main = window->frameGeometry();
    struct Case {
        SettingsWindow kind;
        int command;
        const char* className;
        std::function<QPoint(int width)> place;
    };
    const std::vector<Case> cases = {
        {SettingsWindow::DefaultPreset, CommandId::DefaultPreset, "CDefaultPresetDlg",
         [&](int w) { return QPoint(main.right() + 1 - w + 25, main.y() + main.height() / 2 - 50); }},
        {SettingsWindow::SampleRate, CommandId::SampleRate, "CSampleRateDlg",
         [&](int w) { return QPoint(main.x() + main.width() / 2 - w / 2, main.y() + 30); }},
        {SettingsWindow::Diagram, CommandId::Diagram, "CDiagramDlg",
         [&](int w) { return QPoint(main.x() + main.width() / 2 - w / 2, main.y() + 30); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.className);
        window->ExecuteCommand(c.command);
        QPointer<QWidget> opened = window->OpenedWindow(c.kind);
        ASSERT_NE(opened, nullptr);
        EXPECT_STREQ(opened->metaObject()->className(), c.className);
        EXPECT_EQ(opened->pos(), c.place(opened->frameGeometry().width()));
        window->ExecuteCommand(c.command);
        EXPECT_EQ(window->OpenedWindow(c.kind), opened) << "no second window";

        QTest::keyClick(opened, Qt::Key_Escape);
        EXPECT_EQ(window->OpenedWindow(c.kind), nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(opened, nullptr) << "the closed window deletes itself";
    }
}

TEST_F(InformationWindowTest, TheDiagramShowsTheWholeBlockDiagram) {
    ASSERT_NO_FATAL_FAILURE(StartProgram(false));
    auto* diagram = Open<CDiagramDlg>(SettingsWindow::Diagram, CommandId::Diagram);
    ASSERT_NE(diagram, nullptr);
    auto* picture = Child<QLabel>(diagram, 198);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->pixmap().size(), QSize(866, 505));
    EXPECT_TRUE(diagram->rect().contains(picture->geometry()));
}

TEST_F(InformationWindowTest, AboutShowsTheLogoTheTextsAndALink) {
    ASSERT_NO_FATAL_FAILURE(StartProgram(false));
    CAboutDlg about(window.get());
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Orbis Controller 1.5"));
    EXPECT_EQ(about.size(), QSize(342, 463)) << "228 x 285 dialog units";
    EXPECT_EQ(Child<QLabel>(&about, 200)->pixmap().size(), QSize(48, 48));
    const std::vector<std::pair<int, const char*>> texts = {
        {1202, "Orbis Controller"}, {1203, "Versione 1.6"}, {1206, "Engineering:"},
        {1210, "Documentation:"},   {1212, "Web Site:"},    {1218, "Orbis Manual.pdf"}};
    for (const auto& [id, text] : texts) {
        EXPECT_EQ(Child<QLabel>(&about, id)->text(), QString::fromUtf8(text)) << id;
    }
    for (const int id : {1204, 1213, 1215, 1216, 1217, 1219}) {
        EXPECT_FALSE(Child<QLabel>(&about, id)->text().isEmpty()) << id;
    }
    EXPECT_EQ(Child<QLabel>(&about, 1202)->font().pixelSize(), 22);
    EXPECT_TRUE(Child<QLabel>(&about, 1211)->font().bold());
    CSkinLabel* link = about.WebSiteLink();
    EXPECT_TRUE(link->IsLink());
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->text(), QString::fromLatin1(CAboutDlg::kWebSiteAddress));
}

TEST_F(InformationWindowTest, TheHelpCommandRunsAboutModally) {
    ASSERT_NO_FATAL_FAILURE(StartProgram(false));
    QString shown;
    QTimer::singleShot(0, [&shown] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        shown = modal->metaObject()->className();
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    window->ExecuteCommand(CommandId::About);
    EXPECT_EQ(shown, QStringLiteral("CAboutDlg"));
}
