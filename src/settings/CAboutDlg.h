// The About window: the program's logo, name, version and credits, with a link to its
// web site. Modal; it stores nothing.
#pragma once

#include "ui/CSkinDialog.h"

class CSkinLabel;

class CAboutDlg : public CSkinDialog {
    Q_OBJECT

public:
    static constexpr int kWebSite = 1220;
    static constexpr const char* kWebSiteAddress = "https://orbis-controller.example/";

    explicit CAboutDlg(QWidget* parent = nullptr);

    CSkinLabel* WebSiteLink() const { return m_webSite; }

private:
    CSkinLabel* m_webSite = nullptr;
};
