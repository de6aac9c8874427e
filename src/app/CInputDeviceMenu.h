// The "Input Device" menu: one checkable entry per MIDI input device; choosing one
// switches the receiver to that device and moves the check mark.
#pragma once

#include <QObject>

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

    QMenu* Menu() const { return m_menu; }
    int DeviceCount() const { return m_deviceCount; }
    int FirstId() const { return m_firstId; }
    // The entry with this command identifier, or nullptr.
    QAction* EntryForId(int id) const;

private:
    QMenu* m_menu = nullptr;
    int m_deviceCount = 0;
    int m_firstId = kFirstCommandId;
    CMaxMidiInWnd* m_receiver = nullptr;
};
