// The Network Control window (Settings menu): whether the program takes OSC control, on which
// address and port, which objects are its channels, where answers go and which hosts may
// send. It says plainly who can reach the program, why it does not listen when it cannot,
// how many messages were dropped and how many preset tries were refused.
#pragma once

#include <QDialog>

class CControllerApp;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTimer;

class CNetworkControlDlg : public QDialog {
    Q_OBJECT

public:
    CNetworkControlDlg(CControllerApp& program, QWidget& mainWindow);

private:
    void Apply();
    void ShowReach();
    void ShowStatus();

    CControllerApp& m_program;
    QCheckBox* m_enabled;
    QComboBox* m_address;
    QSpinBox* m_port;
    QSpinBox* m_firstObject;
    QSpinBox* m_answerPort;
    QLineEdit* m_allowed;
    QLabel* m_reach;
    QLabel* m_status;
    QTimer* m_refresh;
};
