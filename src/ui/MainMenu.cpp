#include "ui/MainMenu.h"

#include "ui/ControlIds.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <array>
#include <string_view>

namespace {

constexpr int kSeparator = 0;

struct TopMenu {
    std::string_view title;
    std::string_view objectName;
};

const std::array<TopMenu, 5> kMenus = {{
    {"&File", "FileMenu"},
    {"&Edit", "EditMenu"},
    {"&Settings", "SettingsMenu"},
    {"&Window", "WindowMenu"},
    {"&Help", "HelpMenu"},
}};

struct MenuItem {
    int menu;              // index into kMenus
    std::string_view text; // with its key hint after a tab
    int command;
    bool enabled = true;
    bool checkable = false;
};

const std::array<MenuItem, 29> kItems = {{
    {0, "&New\tCtrl+N", CommandId::New},
    {0, "&Import...\tCtrl+O", CommandId::Import},
    {0, "&Close\tCtrl+W", CommandId::Close},
    {0, {}, kSeparator},
    {0, "Save As...\tCtrl+S", CommandId::SaveAs},
    {0, {}, kSeparator},
    {0, "E&xit\tCtrl+Q", CommandId::Exit},
    {1, "&Undo\tCtrl+Z", CommandId::Undo, false},
    {1, "&Redo\tCtrl+Shift+Z", CommandId::Redo, false},
    {2, "Orbis Default Preset\tCtrl+P", CommandId::DefaultPreset},
    {2, "Orbis Sample Rate\tCtrl+4", CommandId::SampleRate},
    {2, "Orbis Patchbay Configuration\tCtrl+5", CommandId::Patchbay},
    {2, "Stereo Source Position Manager\tCtrl+6", CommandId::StereoSource},
    {2, "Spat. Outs Position Manager\tCtrl+7", CommandId::SpatOuts},
    {2, "Orbis Diagram\tCtrl+8", CommandId::Diagram},
    {2, {}, kSeparator},
    {2, "Network Control...", CommandId::NetworkControl},
    {2, "Send Setup When the Processor Returns", CommandId::SendSetupOnReturn, true, true},
    {3, "&Minimize\tCtrl+M", CommandId::Minimize},
    {3, {}, kSeparator},
    {3, "Cue &List\tCtrl+L", CommandId::CueList},
    {3, "&Room\tCtrl+R", CommandId::Room},
    {3, {}, kSeparator},
    {3, "Bring All to Front", CommandId::BringAllToFront},
    {3, {}, kSeparator},
    {3, "Orbis Controller", CommandId::ActivateMain},
    {4, "Orbis Controller PDF\tCtrl+?", CommandId::HelpPdf, false},
    {4, {}, kSeparator},
    {4, "&About Orbis Controller", CommandId::About},
}};

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QHash<int, QAction*> BuildMainMenu(QMenuBar* menuBar) {
    QHash<int, QAction*> actions;
    std::array<QMenu*, kMenus.size()> menus{};
    for (std::size_t i = 0; i < kMenus.size(); ++i) {
        menus[i] = menuBar->addMenu(Text(kMenus[i].title));
        menus[i]->setObjectName(Text(kMenus[i].objectName));
    }
    for (const MenuItem& item : kItems) {
        QMenu* menu = menus[static_cast<std::size_t>(item.menu)];
        if (item.command == kSeparator) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(Text(item.text));
        action->setData(item.command);
        action->setEnabled(item.enabled);
        action->setCheckable(item.checkable);
        action->setObjectName(QStringLiteral("Command%1").arg(item.command));
        actions.insert(item.command, action);
    }
    return actions;
}
