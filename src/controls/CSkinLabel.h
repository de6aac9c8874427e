// A label with its own font, text colour and background; as a link it opens its
// own text (a web address) with the desktop's open action when clicked.
#pragma once

#include <QLabel>

class CSkinLabel : public QLabel {
    Q_OBJECT

public:
    explicit CSkinLabel(QWidget* parent = nullptr);
    explicit CSkinLabel(const QString& text, QWidget* parent = nullptr);

    void SetText(const QString& text);
    void SetTextColour(const QColor& colour);
    void SetBold(bool bold);
    void SetUnderline(bool underline);
    // Character height in pixels.
    void SetHeight(int pixels);
    void SetFaceName(const QString& face);
    void SetLink(bool link);
    bool IsLink() const { return m_link; }

signals:
    // A click on a link label, after its text has been handed to the desktop.
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ApplyFont();

    QFont m_fontDescription;
    bool m_link = false;
    bool m_linkPressed = false;
};
