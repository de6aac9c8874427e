// Import and Save As around their dialogs: what the dialogs offer, what each answer does
// to the document, and the error box of a failed save.
#include "model/ControllerFile.h"
#include "program/DocumentNotices.h"
#include "support/FileTestSupport.h"
#include "support/WhenShown.h"
#include "ui/FileCommands.h"
#include "ui/NoticeWindow.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

class FileCommandsTest : public ::testing::Test {
protected:
    TemporaryFolder folder;
    CControllerDoc doc;
};

TEST_F(FileCommandsTest, SaveAsAddsTheExtensionAndRenamesTheDocument) {
    QStringList filters;
    QString suffix;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        filters = dialog->nameFilters();
        suffix = dialog->defaultSuffix();
        ChooseFile(dialog, QString::fromStdString((folder / "mine").string()));
    });
    doc.RoomSide = 33;
    ASSERT_TRUE(SaveFileAs(doc, nullptr));
    EXPECT_EQ(filters, QStringList{"ORBIS Controller Files (*.ocont2)"});
    EXPECT_EQ(suffix, "ocont2");
    const std::string path = (folder / "mine.ocont2").string();
    EXPECT_EQ(doc.Name(), path);
    EXPECT_EQ(ReadBytes(path), ControllerFileText(doc));
}

TEST_F(FileCommandsTest, CancelChangesNothing) {
    WhenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_FALSE(SaveFileAs(doc, nullptr));
    WhenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    doc.RoomSide = 44;
    EXPECT_FALSE(ImportFile(doc, nullptr));
    EXPECT_EQ(doc.Name(), CControllerDoc::kNewDocument);
    EXPECT_EQ(doc.RoomSide, 44);
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
}

TEST_F(FileCommandsTest, ImportReadsTheChosenFileWithItsOutputDevice) {
    CControllerDoc source;
    source.outMIDIPort = 2;
    source.InputLevel[4] = 12;
    const std::string path = (folder / "setup.ocont2").string();
    ASSERT_TRUE(WriteControllerFile(source, path));

    QStringList filters;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        filters = dialog->nameFilters();
        ChooseFile(dialog, QString::fromStdString(path));
    });
    ASSERT_TRUE(ImportFile(doc, nullptr));
    EXPECT_EQ(filters, (QStringList{"ORBIS Controller Files (*.ocont2)", "All Files (*)"}));
    EXPECT_EQ(doc.Name(), path);
    EXPECT_EQ(doc.outMIDIPort, 2);
    EXPECT_EQ(doc.InputLevel[4], 12);
}

TEST_F(FileCommandsTest, DialogsOpenInTheDocumentsFolderAndSaveAsProposesItsName) {
    std::filesystem::create_directory(folder / "shows");
    const std::string current = (folder / "shows" / "stage.ocont2").string();
    struct Seen {
        QString folder;
        QStringList selected;
    };
    const auto look = [](Seen& seen) {
        WhenShown<QFileDialog>([&seen](QFileDialog* dialog) {
            seen = {dialog->directory().absolutePath(), dialog->selectedFiles()};
            dialog->reject();
        });
    };
    for (const bool named : {true, false}) {
        doc.SetName(named ? current : CControllerDoc::kNewDocument);
        Seen saving, importing;
        look(saving);
        EXPECT_FALSE(SaveFileAs(doc, nullptr));
        look(importing);
        EXPECT_FALSE(ImportFile(doc, nullptr));
        if (named) {
            const QString shows = QString::fromStdString((folder / "shows").string());
            EXPECT_EQ(saving.folder, shows);
            EXPECT_EQ(saving.selected, QStringList{QString::fromStdString(current)});
            EXPECT_EQ(importing.folder, shows);
        } else {
            EXPECT_FALSE(saving.selected.value(0).endsWith("New Document"))
                << "a document without a file proposes no name";
        }
    }
}

TEST_F(FileCommandsTest, ImportOfAFileThatEndsEarlyLoadsItAndSaysWhatIsMissing) {
    CControllerDoc source;
    source.InputLevel[0] = 12;
    const std::string whole = (folder / "whole.ocont2").string();
    ASSERT_TRUE(WriteControllerFile(source, whole));
    const std::string cut = (folder / "cut.ocont2").string();
    WriteBytes(cut, ReadBytes(whole).substr(0, 3000));

    for (const std::string& path : {whole, cut}) {
        ControllerFileGaps gaps;
        ASSERT_TRUE(ImportChosenFile(doc, QString::fromStdString(path), nullptr, &gaps)) << path;
        EXPECT_EQ(doc.InputLevel[0], 12) << path;
        EXPECT_EQ(gaps.Any(), path == cut) << path;
    }
    QWidget window;
    ControllerFileGaps gaps;
    gaps.missingSections = {1, 2, 3, 4, 5, 6, 7, 8};
    gaps.closingTagMissing = true;
    ShowNotice(&window, IncompleteFileNotice(QString::fromStdString(cut), gaps));
    QTest::qWait(20);
    auto* notice = window.findChild<QMessageBox*>(QStringLiteral("Notice"));
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_FALSE(notice->isModal()) << "the window stays usable";
    EXPECT_EQ(notice->text().toStdString(),
              "\"" + cut +
                  "\" ends early: the values of Ch. 2 to Ch. 8 and the global values are "
                  "missing (read as 0), and the closing </plist> tag is missing. The rest was "
                  "loaded.");
}

TEST_F(FileCommandsTest, FailedSaveShowsFileAndReason) {
    const QString path = QString::fromStdString((folder / "gone" / "setup.ocont2").string());
    QString shown;
    WhenShown<QMessageBox>([&](QMessageBox* box) {
        shown = box->text();
        box->accept();
    });
    EXPECT_FALSE(SaveChosenFile(doc, path, nullptr));
    EXPECT_TRUE(shown.contains(path)) << shown.toStdString();
    EXPECT_TRUE(shown.contains("No such file or directory")) << shown.toStdString();
    EXPECT_EQ(doc.Name(), path.toStdString());
}

// Whatever made the file unreadable, the document keeps its name and every value, and an
// error box names the file and the reason.
TEST_F(FileCommandsTest, AFailedImportKeepsTheDocumentAndSaysWhy) {
    struct Case {
        std::string what;
        std::filesystem::path path;
        std::string reason;
    };
    std::vector<Case> cases = {
        {"a missing file", folder / "gone.ocont2", "No such file or directory"}};
    if (::geteuid() != 0) { // root reads any file
        WriteBytes(folder / "locked.ocont2", ControllerFileText(doc));
        std::filesystem::permissions(folder / "locked.ocont2", std::filesystem::perms::none);
        cases.push_back({"an unreadable file", folder / "locked.ocont2", "Permission denied"});
    }
    const std::vector<NonRegularFile> special = MakeNonRegularFiles(folder);
    for (const NonRegularFile& file : special) {
        cases.push_back({file.what, file.path, file.reason});
    }
    std::mt19937 random(5);
    FillRandom(doc, random);
    doc.SetName((folder / "stage.ocont2").string());
    const std::string before = PersistentValues(doc);
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        QString shown;
        const QPointer<QTimer> watch = WhenShown<QMessageBox>([&](QMessageBox* box) {
            shown = box->text();
            box->accept();
        });
        RunWithoutWaitingOn(special.front().path, [&] {
            EXPECT_FALSE(ImportChosenFile(doc, QString::fromStdString(row.path.string()), nullptr));
        });
        delete watch.data(); // still watching when no box came
        EXPECT_EQ(doc.Name(), (folder / "stage.ocont2").string());
        EXPECT_EQ(PersistentValues(doc), before);
        EXPECT_EQ(shown.toStdString(), "The controller file \"" + row.path.string() +
                                           "\" could not be opened: " + row.reason + ".");
    }
}

// A path of thousands of characters is shortened in the middle, keeping the file's name, so
// that no box grows past the screen and its button stays in reach.
TEST_F(FileCommandsTest, EveryBoxWithALongPathFitsTheScreen) {
    QString longPath;
    while (longPath.size() < 5000) {
        longPath += QStringLiteral("/a-folder-of-many-shows");
    }
    longPath += QStringLiteral("/setup.ocont2");
    ControllerFileGaps gaps;
    gaps.closingTagMissing = true;
    const std::pair<const char*, QString> texts[] = {
        {"import", ImportFailureText(longPath, "No such file or directory")},
        {"save", SaveFailureText(longPath, "File name too long")},
        {"incomplete", IncompleteFileNotice(longPath, gaps)},
        {"last document", MissingLastDocumentNotice(longPath, "No such file or directory")},
    };
    for (const auto& [what, text] : texts) {
        QMessageBox box(QMessageBox::Warning, "Orbis", text, QMessageBox::Ok);
        box.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&box)) << what;
        const QRect screen = box.screen()->availableGeometry();
        EXPECT_LE(box.frameGeometry().height(), screen.height()) << what;
        EXPECT_LE(box.frameGeometry().width(), screen.width()) << what;
        EXPECT_TRUE(text.contains("/setup.ocont2\"")) << what;
        EXPECT_TRUE(text.contains(QChar(0x2026))) << what;
    }
}

} // namespace
