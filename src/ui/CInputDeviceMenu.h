// The "Input Device" menu: one checkable entry per MIDI input device; choosing one
// switches the receiver to that device and moves the check mark. When devices come and go
// the entries follow, the chosen device keeps its mark by name, and a chosen device that
// went away stays listed as absent until it returns, when its input is opened again.
#pragma once

#include <QObject>

#include <string>

class CMaxMidiInWnd;
class QAction;
class QMenu;
class QMenuBar;

class CInputDeviceMenu : public QObject {
    Q_OBJECT
public:
    static constexpr int kFirstCommandId = 102;

    explicit CInputDeviceMenu(QObject* parent = nullptr) : QObject(parent) {}

    void Attach(CMaxMidiInWnd* receiver) { m_receiver = receiver; }
    // Inserts the menu into the bar before the top-level menu at `position`, listing the
    // devices of the attached receiver's backend.
    void Build(QMenuBar* menuBar, int position, const QString& title, int firstId);
    // n is an entry index (0 to count) or a command identifier (firstId to firstId + count).
    virtual bool Select(int n);
    // Lists the backend's devices again after a change.
    void Refresh();
    // The name of the chosen device, present or not; empty when none is chosen.
    const std::string& ChosenName() const { return m_chosenName; }

    QMenu* Menu() const { return m_menu; }
    int DeviceCount() const { return m_deviceCount; }
    int FirstId() const { return m_firstId; }
    // The entry with this command identifier, or nullptr.
    QAction* EntryForId(int id) const;

private:
    void FillEntries();

    QMenu* m_menu = nullptr;
    std::string m_chosenName;
    // Device 0 was asked for before any device was listed: opened once one is.
    bool m_openFirstWhenListed = false;
    int m_deviceCount = 0;
    int m_firstId = kFirstCommandId;
    CMaxMidiInWnd* m_receiver = nullptr;
};
