#include "settings/CDiagramDlg.h"

#include "controls/ControlResources.h"
#include "settings/SettingsWidgets.h"

#include <QLabel>

using namespace SettingsWidgets;

CDiagramDlg::CDiagramDlg(QWidget* parent) : CSkinDialog(parent) {
    Tag(this, 199, "CDiagramDlg");
    setWindowTitle(QStringLiteral("Orbis Diagram"));
    setAttribute(Qt::WA_DeleteOnClose);
    SetUpTemplate(this, 592, 327);
    InitControlResources();

    // The picture keeps its own pixel size, centred in the template.
    const QPixmap diagram(BitmapPath(BitmapId::Diagram));
    auto* picture = new QLabel(this);
    Tag(picture, 198, "Diagram");
    picture->setPixmap(diagram);
    picture->setGeometry((width() - diagram.width()) / 2, (height() - diagram.height()) / 2,
                         diagram.width(), diagram.height());
}
