// A pair of arrow buttons, one above the other, that step a value without a field of
// their own. Holding an arrow repeats it. The pair takes the keyboard focus as one control:
// Up and Down step as the arrows do, and a frame shows the focus.
#pragma once

#include <QWidget>

class QToolButton;

class CUpDownArrows : public QWidget {
    Q_OBJECT

public:
    explicit CUpDownArrows(QWidget* parent = nullptr);

    QToolButton* UpArrow() const { return m_up; }
    QToolButton* DownArrow() const { return m_down; }

signals:
    // The proposed change of an up-down control in its default range: -1 for the upper
    // arrow, +1 for the lower one.
    void deltaPos(int delta);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
};
