// Unsaved changes: the title line's mark, the question before a close, and the recovery
// file that keeps them when the program is ended without asking and is offered at the
// next start.
#include "support/MainWindowFixture.h"
#include "support/WhenShown.h"

#include "app/CDocumentGuard.h"
#include "model/ControllerFile.h"

#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>

#include <memory>

namespace {

class UnsavedChangesTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        QFile::remove(CDocumentGuard().RecoveryFileName());
    }

    // A saved file with RoomSide 40, made the last document.
    QString SavedShow() {
        CControllerDoc source;
        source.RoomSide = 40;
        const QString path = folder.filePath(QStringLiteral("show.ocont2"));
        EXPECT_TRUE(source.WriteControllerFile(QFile::encodeName(path).toStdString()));
        QSettings store(QSettings::NativeFormat, QSettings::UserScope, "Norvell", "ORBIS");
        store.setValue("Last Document", path);
        return path;
    }

    void PressUp(int id) {
        Control(id)->setFocus();
        QTest::keyClick(Control(id), Qt::Key_Up);
        Idle();
    }

    // The mark follows once the event loop waits for more; QTest::qWait never does.
    static void Idle() {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }

    // Ends the run as SIGTERM does, from inside the application's loop as in the program,
    // so that its exit leaves no quit pending for the loops of later windows.
    static void EndAsOnSigterm(CControllerApp& ending) {
        QTimer::singleShot(0, [&ending] { ending.RequestClose(); });
        QCoreApplication::exec();
    }

    QTemporaryDir folder;
};

TEST_F(UnsavedChangesTest, TheTitleLineMarksChangesUntilSavedOrNew) {
    const QString path = SavedShow();
    Start();
    EXPECT_EQ(LabelText(ControlId::Title), path);
    EXPECT_FALSE(window->isWindowModified());

    PressUp(ControlId::InputLevel);
    EXPECT_EQ(LabelText(ControlId::Title), "*" + path);
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_TRUE(window->windowTitle().contains("[*]")) << "Qt shows the mark in the title bar";

    Doc().InputLevel[0] = 100; // back where the file has it: nothing unsaved
    Idle();
    EXPECT_EQ(LabelText(ControlId::Title), path);

    Doc().SpatOutZPos[7] = 3; // another window's change counts as well
    Idle();
    EXPECT_EQ(LabelText(ControlId::Title), "*" + path);

    const QString copy = folder.filePath(QStringLiteral("copy.ocont2"));
    WhenShown<QFileDialog>([copy](QFileDialog* dialog) {
        dialog->selectFile(copy);
        static_cast<QDialog*>(dialog)->accept();
    });
    window->ExecuteCommand(CommandId::SaveAs);
    Idle();
    EXPECT_EQ(LabelText(ControlId::Title), copy);

    PressUp(ControlId::RoomSide);
    window->ExecuteCommand(CommandId::New);
    Idle();
    EXPECT_EQ(LabelText(ControlId::Title), "New Document");
    EXPECT_FALSE(window->isWindowModified());
}

TEST_F(UnsavedChangesTest, ClosingWithChangesAsksAndDoesWhatTheAnswerSays) {
    struct Case {
        const char* answer;   // button of the question; nullptr: no changes, no question
        const char* saveAsTo; // file name for the save dialog, nullptr to cancel it
        bool closes;
        bool saved;
    };
    const Case cases[] = {
        {nullptr, nullptr, true, false},   {"Cancel", nullptr, false, false},
        {"Discard", nullptr, true, false}, {"SaveAs", "mine", true, true},
        {"SaveAs", nullptr, false, false},
    };
    for (const Case& c : cases) {
        const std::string name = c.answer ? c.answer : "no changes";
        const QString target = folder.filePath(QStringLiteral("mine.ocont2"));
        QFile::remove(target);
        Start();
        if (c.answer) {
            PressUp(ControlId::InputLevel);
            // As the session's end keeps it; a close that goes ahead settles it.
            ASSERT_TRUE(app->DocumentGuard().SaveRecovery(Doc()));
        }
        QString question;
        // Without changes nothing may ask; a question would be cancelled and fail the case.
        QPointer<QTimer> watch =
            ClickWhenShown<QMessageBox>(c.answer ? c.answer : "Cancel", &question);
        QPointer<QTimer> dialog = WhenShown<QFileDialog>([&](QFileDialog* d) {
            if (c.saveAsTo) {
                d->selectFile(folder.filePath(QString::fromLatin1(c.saveAsTo)));
                static_cast<QDialog*>(d)->accept();
            } else {
                d->reject();
            }
        });
        window->ExecuteCommand(CommandId::Close);
        delete watch;
        delete dialog;
        EXPECT_EQ(window->isVisible(), !c.closes) << name;
        EXPECT_EQ(question, c.answer ? "Save changes to New Document?" : "") << name;
        EXPECT_EQ(QFile::exists(target), c.saved) << name;
        EXPECT_EQ(app->DocumentGuard().HasRecovery(), c.answer && !c.closes) << name;
        if (c.saved) {
            CControllerDoc saved;
            ASSERT_TRUE(saved.ReadControllerFile(QFile::encodeName(target).toStdString(), false));
            EXPECT_EQ(saved.InputLevel[0], 101) << name;
        }
        Stop();
    }
}

TEST_F(UnsavedChangesTest, AnEndWithoutAskingKeepsChangesThatTheNextStartOffers) {
    for (const char* answer : {"Restore", "Discard"}) {
        const QString path = SavedShow();
        Start();
        Doc().RoomSide = 90;
        // What SIGTERM and the session's end lead to: no question, the changes kept.
        QPointer<QTimer> watch = ClickWhenShown<QMessageBox>(QStringLiteral("Cancel"));
        EndAsOnSigterm(*app);
        delete watch;
        EXPECT_FALSE(window->isVisible()) << answer;
        const QString recovery = app->DocumentGuard().RecoveryFileName();
        ASSERT_TRUE(QFile::exists(recovery)) << answer;
        Stop();
        QSettings store(QSettings::NativeFormat, QSettings::UserScope, "Norvell", "ORBIS");
        EXPECT_EQ(store.value("Last Document").toString(), path) << "written as before";

        // The next start, as the program runs it.
        CControllerApp next(midi);
        QString offer;
        ClickWhenShown<QMessageBox>(QString::fromLatin1(answer), &offer);
        int roomSide = -1;
        QString title;
        QPointer<QTimer> closing;
        QTimer::singleShot(500, [&] {
            roomSide = next.m_pDoc->RoomSide;
            title = next.m_pControllerDlg->findChild<QLabel*>("Title")->text();
            closing = ClickWhenShown<QMessageBox>(QStringLiteral("Discard"));
            next.m_pControllerDlg->close();
        });
        QTimer::singleShot(10000, [&next] { next.RequestClose(); }); // never hang
        next.Run();
        delete closing;
        const bool restored = std::string(answer) == "Restore";
        EXPECT_EQ(offer, "Orbis ended without saving the changes to show.ocont2. Restore them?");
        EXPECT_EQ(roomSide, restored ? 90 : 40) << answer;
        EXPECT_EQ(title, (restored ? "*" : "") + path) << answer;
        EXPECT_FALSE(QFile::exists(recovery)) << answer << ": offered once";
    }
}

TEST_F(UnsavedChangesTest, NothingChangedLeavesNoRecoveryFile) {
    SavedShow();
    Start();
    EndAsOnSigterm(*app);
    EXPECT_FALSE(app->DocumentGuard().HasRecovery());
}

} // namespace
