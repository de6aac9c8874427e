// The Cue List window: recording from the document, firing with GO, Back and Stop, the
// fade edited in its cell, and the GO key that no stray key in a field can hit.
#include "support/SettingsWindowFixture.h"

#include "model/ParameterTable.h"
#include "program/CCueEngine.h"
#include "settings/CCueListDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

class CueListWindowTest : public SettingsWindowTest {
protected:
    // The window with two cues recorded: the low-pass cut-off of channel 1 at 10, then at 90;
    // the document left at 50.
    void OpenWithTwoCues() {
        ASSERT_NO_FATAL_FAILURE(StartProgram());
        cues = Open<CCueListDlg>(SettingsWindow::CueList, CommandId::CueList);
        ASSERT_NE(cues, nullptr);
        table = cues->findChild<QTableWidget*>(QStringLiteral("CueTable"));
        for (const int value : {10, 90}) {
            Doc().Set(key, value, ChangeOrigin::Gesture);
            Click("RecordButton");
        }
        Doc().Set(key, 50, ChangeOrigin::Gesture);
        Settle();
        ASSERT_EQ(table->rowCount(), 2);
    }
    void Click(const char* name) {
        auto* button = cues->findChild<QPushButton*>(QLatin1String(name));
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // Opens the cell's editor and returns it.
    QLineEdit* EditCell(int row, int column) {
        table->setCurrentCell(row, column);
        table->editItem(table->item(row, column));
        return table->viewport()->findChild<QLineEdit*>();
    }
    CCueEngine& Engine() { return app->Cues(); }
    QString StateText() { return cues->findChild<QLabel*>(QStringLiteral("CueState"))->text(); }

    const ParameterKey key = KeyOf(&CControllerDoc::LPFCutOff, 0);
    CCueListDlg* cues = nullptr;
    QTableWidget* table = nullptr;
};

TEST_F(CueListWindowTest, RecordsGoesStopsEditsAndDeletes) {
    ASSERT_NO_FATAL_FAILURE(OpenWithTwoCues());
    EXPECT_EQ(cues->Selected(), 1u) << "a recorded cue is selected";
    EXPECT_EQ(table->item(1, CCueListDlg::ChannelsColumn)->text(), QStringLiteral("All"));

    Click("GoButton");
    EXPECT_EQ(Doc().LPFCutOff[0], 10);
    EXPECT_EQ(Engine().LiveIndex(), 0u);
    EXPECT_TRUE(StateText().startsWith(QStringLiteral("Live: 1    Standby: 2")))
        << StateText().toStdString();
    EXPECT_TRUE(table->item(0, CCueListDlg::NumberColumn)->text().startsWith(QChar(0x25B6)));
    Click("GoButton");
    EXPECT_EQ(Doc().LPFCutOff[0], 90) << "the second cue, after a fade of 0";
    EXPECT_EQ(Engine().LiveIndex(), 1u);

    // Typed seconds past the longest fade are clamped to it.
    QLineEdit* fade = EditCell(0, CCueListDlg::FadeColumn);
    ASSERT_NE(fade, nullptr);
    fade->selectAll();
    QTest::keyClicks(fade, QStringLiteral("700"));
    QTest::keyClick(fade, Qt::Key_Return);
    Settle();
    EXPECT_EQ(Engine().Cues()[0].fadeTenths, Cue::kMaxFadeTenths);
    EXPECT_EQ(table->item(0, CCueListDlg::FadeColumn)->text(), QStringLiteral("600.0"));

    // Back into the long fade, then Stop freezes it near where it started.
    Click("BackButton");
    EXPECT_TRUE(Engine().Running());
    EXPECT_TRUE(StateText().contains(QStringLiteral("fading")));
    Click("StopButton");
    EXPECT_FALSE(Engine().Running());
    EXPECT_GT(Doc().LPFCutOff[0], 10);
    EXPECT_LT(cues->findChild<QProgressBar*>()->value(),
              cues->findChild<QProgressBar*>()->maximum());

    table->selectRow(1);
    Click("DeleteButton");
    Settle();
    EXPECT_EQ(table->rowCount(), 1);
    ASSERT_EQ(Engine().Cues().size(), 1u);
    EXPECT_EQ(Engine().Cues()[0].fadeTenths, Cue::kMaxFadeTenths) << "the second went";
}

TEST_F(CueListWindowTest, CtrlReturnFiresButSpaceInTheNameOrOnGoOrBackDoesNot) {
    ASSERT_NO_FATAL_FAILURE(OpenWithTwoCues());
    cues->activateWindow();
    // The window's own key needs the window active, which the platform tells a little later.
    ASSERT_TRUE(QTest::qWaitFor([this] { return cues->isActiveWindow(); }));
    auto* go = cues->findChild<QPushButton*>(QStringLiteral("GoButton"));
    go->setFocus();
    QTest::keyClick(go, Qt::Key_Space);
    QTest::keyClick(go, Qt::Key_Return);
    QLineEdit* name = EditCell(0, CCueListDlg::NameColumn);
    ASSERT_NE(name, nullptr);
    QTest::keyClick(name, Qt::Key_Space);
    EXPECT_EQ(Doc().LPFCutOff[0], 50);
    EXPECT_EQ(Engine().LiveIndex(), std::nullopt);

    QTest::keyClick(name, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(Doc().LPFCutOff[0], 10);
    EXPECT_EQ(Engine().LiveIndex(), 0u);

    // Back, which fires a cue too, is as safe from Space.
    Click("GoButton");
    auto* back = cues->findChild<QPushButton*>(QStringLiteral("BackButton"));
    back->setFocus();
    QTest::keyClick(back, Qt::Key_Space);
    EXPECT_EQ(Engine().LiveIndex(), 1u);
}

TEST(CueListFadeText, SecondsBecomeTenthsWithinTheLongestFade) {
    const std::vector<std::pair<const char*, std::optional<int>>> cases = {
        {"2.5", 25},   {" 12 ", 120}, {"0,4", 4},          {"0.04", 0},
        {"700", 6000}, {"-3", 0},     {"x", std::nullopt}, {"", std::nullopt},
    };
    for (const auto& [text, tenths] : cases) {
        EXPECT_EQ(CCueListDlg::FadeTenthsFromText(QString::fromLatin1(text)), tenths) << text;
    }
}
