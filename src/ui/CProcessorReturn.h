// What the main window does when the chosen processor comes back after going away (switched
// off and on, a cable pulled): the processor has lost the setup the window still shows. With
// the Settings menu's option on, the whole setup goes out by itself; otherwise a notice that
// does not block offers to send it. The option is remembered with "Last Document".
#pragma once

#include <QObject>
#include <QPointer>

class CProcessorLink;
class QAction;
class QMessageBox;
class QWidget;

class CProcessorReturn : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kSettingsKey = "Send Setup On Return";

    // `option` is the menu's checkable item; it is set from the store and stored when
    // toggled. The document outlives this object, which the window owns.
    CProcessorReturn(CProcessorLink& link, QAction* option, QWidget* window);

    void OnProcessorReturned(const QString& name);

private:
    // The three sections in the order the Send buttons would be pressed.
    void SendSetup();
    void Notify(const QString& name);

    CProcessorLink& m_link;
    QAction* m_option;
    QWidget* m_window;
    QPointer<QMessageBox> m_notice;
};
