#include "settings/CAboutDlg.h"

#include "controls/CSkinLabel.h"
#include "controls/ControlResources.h"
#include "controls/ReadablePalette.h"
#include "settings/SettingsWidgets.h"

#include <QLabel>

#include <array>
#include <string_view>

using namespace SettingsWidgets;

namespace {

enum class Style { Title, Version, Notice, Heading, Plain };

struct AboutLine {
    int id;
    std::string_view name;
    std::string_view text;
    DialogUnits::Rect place;
    Style style;
};

// clang-format off
constexpr std::array<AboutLine, 17> kLines = {{
    {1202, "ProgramName",  "Orbis Controller",                       {64, 12, 156, 16}, Style::Title},
    {1203, "Version",      "Versione 1.6",                           {64, 30, 156, 12}, Style::Version},
    {1204, "Notice",       "\u00A9 The Orbis Controller developers. All rights reserved.", {12, 52, 208, 10}, Style::Notice},
    {1206, "Engineering",  "Engineering:",                           {12, 72, 208, 10}, Style::Heading},
    {1213, "EngineeringCredits", "The Orbis DSP and controller teams", {20, 83, 200, 9}, Style::Plain},
    {1207, "HumanInterface", "Human Interface",                      {12, 102, 208, 10}, Style::Heading},
    {1215, "HumanInterfaceCredits", "The Orbis user-interface workshop", {20, 113, 200, 9}, Style::Plain},
    {1208, "AboutBox",     "About Box Engineering",                  {12, 132, 208, 10}, Style::Heading},
    {1216, "AboutBoxCredits", "The Orbis controller team",           {20, 143, 200, 9}, Style::Plain},
    {1209, "Marketing",    "Marketing:",                             {12, 162, 208, 10}, Style::Heading},
    {1217, "MarketingCredits", "Word of mouth among sound designers", {20, 173, 200, 9}, Style::Plain},
    {1210, "Documentation", "Documentation:",                        {12, 192, 208, 10}, Style::Heading},
    {1218, "Manual",       "Orbis Manual.pdf",                       {20, 203, 200, 9}, Style::Plain},
    {1211, "SpecialThanks", "Special Thanks:",                       {12, 222, 208, 10}, Style::Heading},
    {1219, "SpecialThanksCredits", "Operators who sent setups and bug reports", {20, 233, 200, 9}, Style::Plain},
    {1212, "WebSiteHeading", "Web Site:",                            {12, 252, 208, 10}, Style::Heading},
    {1220, "WebSite",      CAboutDlg::kWebSiteAddress,               {20, 263, 200, 10}, Style::Plain},
}};
// clang-format on

void ApplyStyle(CSkinLabel* label, Style style) {
    switch (style) {
    case Style::Title:
    case Style::Version:
    case Style::Notice:
        label->SetBold(false);
        label->SetHeight(style == Style::Title ? 22 : style == Style::Version ? 16 : 12);
        label->SetFaceName(QStringLiteral("Tahoma"));
        break;
    case Style::Heading:
        label->SetBold(true);
        label->SetHeight(12);
        label->SetFaceName(QStringLiteral("Tahoma"));
        break;
    case Style::Plain:
        break;
    }
}

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : CSkinDialog(parent) {
    Tag(this, 100, "CAboutDlg");
    setWindowTitle(QStringLiteral("About Orbis Controller 1.5"));
    SetUpTemplate(this, 228, 285);
    InitControlResources();

    auto* logo = new QLabel(this);
    Tag(logo, 200, "Logo");
    logo->setPixmap(QPixmap(BitmapPath(BitmapId::Logo)));
    logo->setGeometry(DialogUnits::X(12), DialogUnits::Y(10), 48, 48);

    for (const AboutLine& line : kLines) {
        CSkinLabel* label = AddLabel(this, line.id, line.name, line.text, line.place);
        ApplyStyle(label, line.style);
        if (line.id == kWebSite) {
            // Blue (COLORREF 0x00FF0000), lightened where the desktop's face is dark.
            label->SetTextColour(
                ReadableTextColour(QColor(0, 0, 255), label->palette().color(QPalette::Window)));
            label->SetUnderline(true);
            label->SetLink(true);
            m_webSite = label;
        }
    }
}
