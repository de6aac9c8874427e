#include "controls/CQrCodeView.h"

#include <QPainter>

#include <qrencode.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

QImage Encode(const QString& text) {
    if (text.isEmpty()) {
        return {};
    }
    const QByteArray utf8 = text.toUtf8();
    // Case-sensitive, the smallest version that holds the text, modes chosen per run of it.
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString(utf8.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1), &QRcode_free);
    if (!code) {
        return {}; // too long for a code
    }
    const int count = code->width;
    const int side = count + 2 * CQrCodeView::kQuietZone;
    QImage image(side, side, QImage::Format_Mono);
    image.setColor(0, qRgb(255, 255, 255));
    image.setColor(1, qRgb(0, 0, 0));
    image.fill(0);
    for (int y = 0; y < count; ++y) {
        for (int x = 0; x < count; ++x) {
            // The lowest bit of each byte says dark; the others say what the module is for.
            if (code->data[y * count + x] & 1) {
                image.setPixel(x + CQrCodeView::kQuietZone, y + CQrCodeView::kQuietZone, 1);
            }
        }
    }
    return image;
}

} // namespace

CQrCodeView::CQrCodeView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("QrCode"));
    setAccessibleName(QStringLiteral("QR code"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void CQrCodeView::SetText(const QString& text) {
    if (text == m_text) {
        return;
    }
    m_text = text;
    m_code = Encode(text);
    setAccessibleDescription(text);
    updateGeometry();
    update();
}

int CQrCodeView::ModuleCount() const {
    return m_code.isNull() ? 0 : m_code.width() - 2 * kQuietZone;
}

int CQrCodeView::ModulePixels() const {
    if (m_code.isNull()) {
        return 0;
    }
    // Whole device pixels: at 150 % a module of whole logical pixels would blur.
    const double ratio = devicePixelRatioF();
    const auto across = static_cast<int>(std::min(width(), height()) * ratio);
    return std::max(1, across / m_code.width());
}

QSize CQrCodeView::sizeHint() const {
    const int side = m_code.isNull() ? 29 * 4 : m_code.width() * 4;
    return {side, side};
}

void CQrCodeView::paintEvent(QPaintEvent*) {
    if (m_code.isNull()) {
        return;
    }
    const double ratio = devicePixelRatioF();
    const int side = m_code.width() * ModulePixels(); // device pixels
    const auto middle = [&](int length) {
        return std::floor((length * ratio - side) / 2) / ratio; // on a device pixel
    };
    const QRectF target(middle(width()), middle(height()), side / ratio, side / ratio);
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, m_code);
}
