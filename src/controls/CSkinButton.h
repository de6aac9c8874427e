// A self-drawn button in three kinds: push button, check box (optionally push-like,
// a toggle) and radio button. Behaviour is QAbstractButton's: press and release
// inside clicks, release outside does nothing, Space clicks; radio buttons of one
// parent form a group. The owner is told of every click by `clicked`.
#pragma once

#include <QAbstractButton>
#include <QColor>

enum class SkinButtonKind : int { PushButton = 0, CheckBox = 1, RadioButton = 2 };

struct SkinButtonColours {
    QColor highlight;
    QColor light;
    QColor face;
    QColor shadow;
    QColor dark;
    QColor pressedFace; // half-way between face and shadow
    QColor halfDark;    // half-way between shadow and dark
    QColor frame;
    // A checked push-like toggle: half-way to the selection colour, so that on and off
    // differ at a glance in any palette, with whichever text colour stands out on it.
    QColor checkedFace;
    QColor checkedText;
};

class CSkinButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit CSkinButton(SkinButtonKind kind, QWidget* parent = nullptr);
    CSkinButton(SkinButtonKind kind, const QString& text, QWidget* parent = nullptr);

    SkinButtonKind Kind() const { return m_kind; }

    // Check boxes and radio buttons only; 1 checked, 0 not.
    void SetCheck(int state);
    int GetCheck() const { return isChecked() ? 1 : 0; }

    void SetBold(bool bold);
    bool IsBold() const { return m_bold; }

    // A push-like check box looks like a push button that stays in while checked.
    void SetPushLike(bool pushLike);
    bool IsPushLike() const { return m_pushLike; }

    const SkinButtonColours& Colours() const { return m_colours; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    bool HasPushFace() const;
    void ComputeColours();
    QList<CSkinButton*> RadioGroup() const;
    void DrawPushFace(QPainter& painter) const;
    void DrawIndicator(QPainter& painter, const QRect& box) const;
    void DrawCaption(QPainter& painter, const QRect& area, int alignment) const;
    QFont CaptionFont() const;

    SkinButtonKind m_kind;
    bool m_bold = false;
    bool m_pushLike = false;
    SkinButtonColours m_colours;
};
