#include "ui/CProgramWindows.h"

#include "program/CControllerApp.h"
#include "program/CProcessorLink.h"
#include "program/CSessionLink.h"
#include "ui/AcceleratorTable.h"
#include "ui/CControllerDlg.h"
#include "ui/ControlIds.h"
#include "ui/NoticeWindow.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QTimer>

#include <atomic>
#include <cstdlib>

namespace {

// The guard of the run in progress, for the exit hook a lost display runs.
std::atomic<CDocumentGuard*> s_runningGuard = nullptr;

} // namespace

CProgramWindows::CProgramWindows(CControllerApp& program) : m_program(program) {
    connect(&program, &CControllerApp::closeRequested, this, [this] {
        if (m_main) {
            m_main->close();
        }
    });
    connect(&program, &CControllerApp::windowsShownRequested, this, &CProgramWindows::ShowWindows);
    connect(&program, &CControllerApp::sessionDocumentOpened, this,
            &CProgramWindows::OfferRecovery);
    connect(&program, &CControllerApp::sessionLeft, this, [this](const QString& notice) {
        if (m_main) {
            m_main->show();
            ShowNotice(m_main, notice);
        }
        OfferRecovery();
    });
    connect(&program.Network(), &CNetworkControl::tryRefused, this, &CProgramWindows::TellRefusal);
}

CProgramWindows::~CProgramWindows() {
    m_program.DocumentGuard().SetNotices(nullptr);
}

int CProgramWindows::Run() {
    CControllerDlg window(m_program);
    Attach(&window);
    // Once the window is on screen, which the start does not wait for: the run's lock, then
    // the journals of runs that are gone, asked about over the window. A session's are
    // offered when the manager opens its document.
    QTimer::singleShot(0, &window, [this, &window] {
        QTimer::singleShot(0, &window, [this, &window] {
            m_notices = CWindowQuestions(&window);
            m_program.DocumentGuard().BeginRun(&m_notices);
            if (!m_program.Session()) {
                OfferRecovery();
            }
        });
    });
    // A lost X server ends the program through exit() from inside the event loop. Static
    // objects made after this hook was registered (the controller file's key table among
    // them) are gone before it runs, so it renders nothing: it lets the journal's worker
    // finish the text it was handed while everything was alive, and the journal stays the
    // last good one.
    static bool s_exitHookInstalled = false;
    if (!std::exchange(s_exitHookInstalled, true)) {
        std::atexit([] {
            if (CDocumentGuard* guard = s_runningGuard.load()) {
                guard->FinishJournal();
            }
        });
    }
    s_runningGuard = &m_program.DocumentGuard();
    if (!m_program.CloseRequested() && m_program.JoiningSession()) {
        // Not the dialog's own loop, which a hidden window would end: a session may hide it.
        window.show();
        QEventLoop loop;
        QObject::connect(&window, &QDialog::finished, &loop, &QEventLoop::quit);
        loop.exec();
    } else if (!m_program.CloseRequested()) {
        window.exec();
    }
    m_program.Link().Drain();
    s_runningGuard = nullptr;
    Attach(nullptr);
    return 0;
}

CControllerDlg* CProgramWindows::MainWindow() const {
    return m_main;
}

void CProgramWindows::OfferRecovery() {
    CWindowQuestions questions(m_main);
    m_program.DocumentGuard().OfferRecovery(m_program.Doc(), questions);
}

void CProgramWindows::ShowWindows(bool shown) {
    if (!m_main) {
        return;
    }
    if (shown) {
        m_main->show();
        for (const QPointer<QWidget>& window : m_hidden) {
            if (window) {
                window->show();
            }
        }
        m_hidden.clear();
        m_main->raise();
        m_main->activateWindow();
    } else if (m_main->isVisible()) {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window != m_main && window->isVisible() && window->isWindow() &&
                !(window->windowFlags() & Qt::Popup)) {
                m_hidden.emplace_back(window);
                window->hide();
            }
        }
        m_main->hide();
    }
}

void CProgramWindows::TellRefusal(const QString& text) {
    if (m_refusalNotice) {
        m_refusalNotice->setText(text);
        return;
    }
    m_refusalNotice = new QMessageBox(QMessageBox::Information, QStringLiteral("Orbis"), text,
                                      QMessageBox::Ok, m_main);
    m_refusalNotice->setObjectName(QStringLiteral("RemoteTryRefused"));
    m_refusalNotice->setAttribute(Qt::WA_DeleteOnClose);
    m_refusalNotice->setAttribute(Qt::WA_ShowWithoutActivating);
    m_refusalNotice->setWindowModality(Qt::NonModal);
    m_refusalNotice->show();
}

void CProgramWindows::Attach(CControllerDlg* window) {
    m_main = window;
    if (window) {
        InstallAccelerators(*window);
        for (const auto& [command, runner] : m_modalRunners) {
            window->SetModalWindowRunner(command, runner);
        }
        for (std::size_t i = 0; i < kSettingsWindowCount; ++i) {
            window->SetSettingsWindowFactory(static_cast<SettingsWindow>(i), m_windowFactories[i]);
        }
    }
}

void CProgramWindows::InstallAccelerators(CControllerDlg& window) {
    for (const Accelerator& accelerator : kAccelerators) {
        QAction* action = window.CommandAction(accelerator.command);
        if (accelerator.command == CommandId::Close) {
            // Ctrl+W closes the window it is pressed in: the program only from the main
            // window, a settings window by itself. The menu item keeps no key of its own,
            // so that this one action answers everywhere.
            action = new QAction(&window);
            action->setObjectName(QStringLiteral("CloseActiveWindow"));
            window.addAction(action);
            QObject::connect(action, &QAction::triggered, &window, [&window] {
                QWidget* active = QApplication::activeWindow();
                if (active != nullptr && active != &window) {
                    active->close();
                } else {
                    window.ExecuteCommand(CommandId::Close);
                }
            });
        } else if (!action) {
            action = new QAction(&window);
            action->setObjectName(QStringLiteral("Command%1").arg(accelerator.command));
            action->setData(accelerator.command);
            window.addAction(action);
            const int command = accelerator.command;
            QObject::connect(action, &QAction::triggered, &window,
                             [&window, command] { window.ExecuteCommand(command); });
        }
        QList<QKeySequence> keys = action->shortcuts(); // a command may answer two keys
        keys.append(QKeySequence(accelerator.keys));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::ApplicationShortcut);
    }
}

void CProgramWindows::SetSettingsWindowFactory(SettingsWindow window,
                                               SettingsWindowFactory factory) {
    m_windowFactories[static_cast<std::size_t>(window)] = factory;
    if (m_main) {
        m_main->SetSettingsWindowFactory(window, std::move(factory));
    }
}

void CProgramWindows::SetModalWindowRunner(int command, ModalWindowRunner runner) {
    m_modalRunners.emplace_back(command, std::move(runner));
    if (m_main) {
        m_main->SetModalWindowRunner(command, m_modalRunners.back().second);
    }
}
