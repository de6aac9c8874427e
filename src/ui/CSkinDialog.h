// A dialog whose background may be a picture tiled from the top-left corner; without a
// picture it has the ordinary window background.
#pragma once

#include <QDialog>
#include <QPixmap>

class CSkinDialog : public QDialog {
    Q_OBJECT

public:
    explicit CSkinDialog(QWidget* parent = nullptr);

    void SetBackgroundPicture(const QPixmap& picture);
    const QPixmap& BackgroundPicture() const { return m_background; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_background;
};
