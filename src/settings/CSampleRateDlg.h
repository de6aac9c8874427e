// The Sample Rate window: tells the controller at which rate the processor runs, which
// changes only how the main window turns the filter cut-offs into hertz. Nothing is sent.
// Modeless; the main window keeps at most one. It shows the document's rate whatever
// changed it.
#pragma once

#include "ui/CSkinDialog.h"

class CControllerApp;
class QComboBox;

class CSampleRateDlg : public CSkinDialog {
    Q_OBJECT

public:
    static constexpr int kRateList = 1134;
    static constexpr int kCaption = 1135;
    static constexpr int kCloseButton = 1;

    CSampleRateDlg(CControllerApp& program, QWidget& mainWindow);

    void RateChanged();
    void ShowRate();

private:
    CControllerApp& m_program;
    QComboBox* m_rates = nullptr;
    bool m_rateStale = false; // a change of rate waits for the end of the event loop's pass
};
