// The Network Control window (Settings menu): whether the program takes OSC control, on which
// address and port, which objects are its channels, where answers go and which hosts may
// send, and whether OSCQuery describes the addresses and on which port. It says plainly who can
// reach the program, why it does not listen when it cannot, how many messages were dropped and how
// many preset tries were refused. Its "Remote page" part does the same for the page phones and
// tablets open: where it is served, the code that pairs them, the address to open, who is connected
// and how many wrong codes were tried.
// Its "OSC feedback" part lists where every change is sent, and which target is unreachable.
#pragma once

#include <QDialog>

#include <optional>

class CControllerApp;
class CQrCodeView;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QGroupBox;
class QSpinBox;
class QTableWidget;
class QTimer;

class CNetworkControlDlg : public QDialog {
    Q_OBJECT

public:
    CNetworkControlDlg(CControllerApp& program, QWidget& mainWindow);

private:
    QGroupBox* RemoteGroup();
    QGroupBox* FeedbackGroup(const QStringList& targets);
    void AddTarget(const QString& host, int port);
    // The targets as listed; nothing, with the reason shown, when one is not HOST and port.
    std::optional<QStringList> ListedTargets();
    void ShowFeedback();
    void Apply();
    void ApplyRemote();
    void ShowReach();
    void ShowStatus();
    void ShowRemote();

    CControllerApp& m_program;
    QCheckBox* m_enabled;
    QComboBox* m_address;
    QSpinBox* m_port;
    QSpinBox* m_firstObject;
    QSpinBox* m_answerPort;
    QLineEdit* m_allowed;
    QCheckBox* m_oscQueryEnabled;
    QSpinBox* m_oscQueryPort;
    QLabel* m_reach;
    QLabel* m_status;
    QTimer* m_refresh;
    QCheckBox* m_remoteEnabled = nullptr;
    QComboBox* m_remoteAddress = nullptr;
    QSpinBox* m_remotePort = nullptr;
    QLineEdit* m_code = nullptr;
    QLabel* m_url = nullptr;
    CQrCodeView* m_qrCode = nullptr;
    QLabel* m_remoteStatus = nullptr;
    QListWidget* m_clients = nullptr;
    QLabel* m_wrongCodes = nullptr;
    QTableWidget* m_targets = nullptr;
    QLabel* m_feedbackStatus = nullptr;
};
