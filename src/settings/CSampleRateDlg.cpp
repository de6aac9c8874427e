#include "settings/CSampleRateDlg.h"

#include "app/CControllerApp.h"
#include "app/CControllerDlg.h"
#include "app/CUndoHistory.h"
#include "app/ControlIds.h"
#include "controls/CSkinButton.h"
#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"
#include "settings/SettingsWidgets.h"

#include <QAbstractSlider>
#include <QComboBox>

using namespace SettingsWidgets;

CSampleRateDlg::CSampleRateDlg(CControllerDlg& mainWindow)
    : CSkinDialog(&mainWindow), m_mainWindow(mainWindow) {
    Tag(this, 147, "CSampleRateDlg");
    setWindowTitle(QStringLiteral("Sample Rate"));
    setAttribute(Qt::WA_DeleteOnClose);
    SetUpTemplate(this, 150, 74);

    AddCaption(this, kCaption, "SelectSampleRate", "Select Sample Rate", {12, 9, 126, 11});
    m_rates = AddList(this, kRateList, "SampleRateList", {"44.100", "48.000", "88.200", "96.000"},
                      {12, 25, 78, 60});
    connect(m_rates, &QComboBox::activated, this, &CSampleRateDlg::RateChanged);
    CSkinButton* close = AddPushButton(this, kCloseButton, "Close", "Close", {96, 50, 46, 15});
    connect(close, &CSkinButton::clicked, this, &QDialog::accept);

    ShowRate();
    connect(&m_mainWindow.UndoHistory(), &CUndoHistory::restored, this, &CSampleRateDlg::ShowRate);
    connect(this, &QDialog::finished, this, [this] { m_mainWindow.SampleRateWindowClosed(); });
}

void CSampleRateDlg::ShowRate() {
    if (const CControllerDoc* doc = GetControllerDoc()) {
        // An index outside the list leaves it without a selection.
        m_rates->setCurrentIndex(
            doc->Frequence >= 0 && doc->Frequence < m_rates->count() ? doc->Frequence : -1);
    }
}

void CSampleRateDlg::RateChanged() {
    CControllerDoc* doc = GetControllerDoc();
    if (!doc || m_rates->currentIndex() < 0) {
        return;
    }
    doc->Set(KeyOf(&CControllerDoc::Frequence), m_rates->currentIndex(), ChangeOrigin::Gesture);
    // The sliders stay where they are; only the hertz texts follow the new rate.
    m_mainWindow.ShowHPFCutOff(m_mainWindow.Control(ControlId::HPFCutOff)->value());
    m_mainWindow.ShowLPFCutOff(m_mainWindow.Control(ControlId::LPFCutOff)->value());
}
