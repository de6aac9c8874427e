// A text as a QR code (error correction level M), black on white with the four-module quiet
// zone readers need, scaled by a whole number of pixels per module so that no module blurs.
// A phone pointed at the screen reads the text, and a screen reader reads it as the
// description.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

class CQrCodeView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kQuietZone = 4; // modules of white on each side

    explicit CQrCodeView(QWidget* parent = nullptr);

    // Shows `text`'s code; an empty text, or one too long for any code, shows none.
    void SetText(const QString& text);
    const QString& Text() const { return m_text; }

    // The symbol's modules across (21 for version 1, four more a version); 0 with no code.
    int ModuleCount() const;
    // Device pixels per module at the widget's present size; 0 with no code.
    int ModulePixels() const;
    // The code with its quiet zone, one pixel a module, black on white; null with no code.
    const QImage& CodeImage() const { return m_code; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    QImage m_code;
};
