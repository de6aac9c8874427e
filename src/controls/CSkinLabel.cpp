#include "controls/CSkinLabel.h"

#include "controls/SystemColours.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

CSkinLabel::CSkinLabel(QWidget* parent) : CSkinLabel(QString(), parent) {}

CSkinLabel::CSkinLabel(const QString& text, QWidget* parent)
    : QLabel(parent), m_fontDescription(QApplication::font()) {
    // Document names and other outside texts must never be read as markup.
    setTextFormat(Qt::PlainText);
    setText(text);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, SystemColours::WindowText(colours));
    colours.setBrush(QPalette::Window, SystemColours::ButtonFace(colours));
    setPalette(colours);
    setAutoFillBackground(true);
    ApplyFont();
}

void CSkinLabel::SetText(const QString& text) {
    setText(text);
}

void CSkinLabel::SetTextColour(const QColor& colour) {
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, colour);
    setPalette(colours);
    update();
}

void CSkinLabel::SetBold(bool bold) {
    m_fontDescription.setWeight(bold ? QFont::Bold : QFont::Normal);
    ApplyFont();
}

void CSkinLabel::SetUnderline(bool underline) {
    m_fontDescription.setUnderline(underline);
    ApplyFont();
}

void CSkinLabel::SetHeight(int pixels) {
    m_fontDescription.setPixelSize(pixels);
    ApplyFont();
}

void CSkinLabel::SetFaceName(const QString& face) {
    m_fontDescription.setFamilies({face});
    ApplyFont();
}

void CSkinLabel::SetLink(bool link) {
    m_link = link;
    m_linkPressed = false;
    if (link) {
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
}

void CSkinLabel::ApplyFont() {
    setFont(m_fontDescription);
    update();
}

void CSkinLabel::mousePressEvent(QMouseEvent* event) {
    m_linkPressed = m_link && event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void CSkinLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = m_linkPressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_linkPressed = false;
    if (click) {
        QDesktopServices::openUrl(QUrl::fromUserInput(text()));
        emit clicked();
    }
    QLabel::mouseReleaseEvent(event);
}
