#include "settings/CSampleRateDlg.h"

#include "controls/CSkinButton.h"
#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"
#include "program/CControllerApp.h"
#include "program/CDocumentEvents.h"
#include "program/CUndoHistory.h"
#include "settings/SettingsWidgets.h"

#include <QComboBox>

#include <algorithm>
#include <utility>

using namespace SettingsWidgets;

CSampleRateDlg::CSampleRateDlg(CControllerApp& program, QWidget& mainWindow)
    : CSkinDialog(&mainWindow), m_program(program) {
    Tag(this, 147, "CSampleRateDlg");
    setWindowTitle(QStringLiteral("Sample Rate"));
    setAttribute(Qt::WA_DeleteOnClose);
    SetUpTemplate(this, 150, 74);

    AddCaption(this, kCaption, "SelectSampleRate", "Select Sample Rate", {12, 9, 126, 11});
    m_rates = AddList(this, kRateList, "SampleRateList", {"44.100", "48.000", "88.200", "96.000"},
                      {12, 25, 78, 60});
    connect(m_rates, &QComboBox::activated, this, &CSampleRateDlg::RateChanged);
    connect(m_rates, &QComboBox::activated, &m_program.History(),
            &CUndoHistory::EndGesture); // a choice is a whole gesture
    CSkinButton* close = AddPushButton(this, kCloseButton, "Close", "Close", {96, 50, 46, 15});
    connect(close, &CSkinButton::clicked, this, &QDialog::accept);

    ShowRate();
    const CDocumentEvents& events = m_program.Events();
    connect(&events, &CDocumentEvents::changed, this, [this](const DocumentChanges& changes) {
        const ParameterKey rate = KeyOf(&CControllerDoc::Frequence);
        m_rateStale |=
            std::any_of(changes.values.begin(), changes.values.end(),
                        [rate](const ValueChange& change) { return change.key == rate; });
    });
    connect(&events, &CDocumentEvents::settled, this, [this] {
        if (std::exchange(m_rateStale, false)) {
            ShowRate();
        }
    });
}

void CSampleRateDlg::ShowRate() {
    const CControllerDoc& doc = m_program.Doc();
    // An index outside the list leaves it without a selection.
    m_rates->setCurrentIndex(doc.Frequence >= 0 && doc.Frequence < m_rates->count() ? doc.Frequence
                                                                                    : -1);
}

void CSampleRateDlg::RateChanged() {
    if (m_rates->currentIndex() < 0) {
        return;
    }
    // The main window's hertz texts follow the document.
    m_program.Doc().Set(KeyOf(&CControllerDoc::Frequence), m_rates->currentIndex(),
                        ChangeOrigin::Gesture);
}
