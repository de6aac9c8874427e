// The Room window: the room seen from above with every source and the loudspeakers in use,
// where the operator drags any source (or its height) or moves it by keys, and the cue that
// runs with the one GO fires next. It is a view of the program: it paints the room's one
// picture whatever changed the document, at most once a pass of the event loop and once a
// frame, and sends what the operator does as the main window's pad does: one undo step a
// drag or key press, positions to the processor through the link. Modeless; the main window
// keeps at most one.
#pragma once

#include "model/RoomPicture.h"

#include <QDialog>

class CControllerApp;
class CRoomPlan;
class QLabel;
class QPushButton;

class CRoomDlg : public QDialog {
    Q_OBJECT

public:
    CRoomDlg(CControllerApp& program, QWidget& mainWindow);

    CRoomPlan& Plan() const { return *m_plan; }

private:
    void ShowPicture();
    void ShowPosition();
    void ShowCues();
    void StepSource(int channel, int dx, int dy, int dz);
    // The document takes the position as a person's change, and the processor is told of it,
    // leaving out what it was told last.
    void Move(int channel, RoomPoint position);

    CControllerApp& m_program;
    CRoomPlan* m_plan = nullptr;
    QLabel* m_position = nullptr;
    QLabel* m_cueLine = nullptr;
    QPushButton* m_go = nullptr;
    bool m_pictureStale = false; // a change waits for the end of the event loop's pass
};
