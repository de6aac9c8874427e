// The Diagram window: the processor's block diagram, with the patchbay that the
// Patchbay window routes. Modeless; the main window keeps at most one.
#pragma once

#include "ui/CSkinDialog.h"

class CDiagramDlg : public CSkinDialog {
    Q_OBJECT

public:
    explicit CDiagramDlg(QWidget* parent = nullptr);
};
