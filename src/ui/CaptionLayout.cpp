#include "ui/CaptionLayout.h"

#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QStringList>

namespace {

constexpr QChar kSoftHyphen(0x00AD);

// The pieces a caption may be broken after: words, and the parts of words between soft
// hyphens. Each piece knows what joins it to the next one on the same line.
struct Piece {
    QString text;
    QString joinOnLine; // " " after a word, nothing inside a word
    QString endOfLine;  // "-" where a soft hyphen ends a line
};

QList<Piece> Pieces(const QString& text) {
    QList<Piece> pieces;
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& word : words) {
        const QStringList parts = word.split(kSoftHyphen);
        for (qsizetype i = 0; i < parts.size(); ++i) {
            const bool last = i + 1 == parts.size();
            pieces.append({parts[i], last ? QStringLiteral(" ") : QString(),
                           last ? QString() : QStringLiteral("-")});
        }
    }
    return pieces;
}

bool WordsFit(const QFontMetrics& metrics, const QList<CaptionPlace>& captions) {
    for (const CaptionPlace& caption : captions) {
        for (const Piece& piece : Pieces(caption.text)) {
            if (metrics.horizontalAdvance(piece.text + piece.endOfLine) >
                caption.width - 2 * kCaptionMargin) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

int CaptionStretch(const QFont& font, const QList<CaptionPlace>& captions) {
    // A face's own width is its own stretch: asking a condensed face for 100 widens it.
    if (WordsFit(QFontMetrics(font), captions)) {
        return QFont::AnyStretch;
    }
    QFont condensed(font);
    for (int stretch = 99; stretch > kNarrowestCaptionStretch; --stretch) {
        condensed.setStretch(stretch);
        if (WordsFit(QFontMetrics(condensed), captions)) {
            return stretch;
        }
    }
    return kNarrowestCaptionStretch;
}

QString BreakCaption(const QString& text, const QFontMetrics& metrics, int width) {
    const int room = width - 2 * kCaptionMargin;
    QStringList lines;
    QString line;
    QString pendingJoin;
    QString pendingEnd;
    for (const Piece& piece : Pieces(text)) {
        const QString longer = line + pendingJoin + piece.text;
        if (!line.isEmpty() && metrics.horizontalAdvance(longer) > room) {
            lines.append(line + pendingEnd);
            line = piece.text;
        } else {
            line = longer;
        }
        pendingJoin = piece.joinOnLine;
        pendingEnd = piece.endOfLine;
    }
    if (!line.isEmpty()) {
        lines.append(line);
    }
    return lines.join(QLatin1Char('\n'));
}

int CaptionWidth(const QString& text, const QFontMetrics& metrics, int width, int lines) {
    // On one line the caption needs its whole text: the search always ends.
    const int widest = metrics.horizontalAdvance(text) + 2 * kCaptionMargin;
    while (width < widest && BreakCaption(text, metrics, width).count(QLatin1Char('\n')) >= lines) {
        ++width;
    }
    return width;
}

void LayOutCaption(QLabel& label, const QString& text) {
    const QFontMetrics metrics(label.font());
    const int held = std::max(1, label.height() / metrics.lineSpacing());
    const QString lines =
        BreakCaption(text, metrics, CaptionWidth(text, metrics, label.width(), held));
    label.setWordWrap(false);
    label.setText(lines);
    int longest = 0;
    for (const QString& line : lines.split(QLatin1Char('\n'))) {
        longest = std::max(longest, metrics.horizontalAdvance(line));
    }
    const int needed = longest + 2 * kCaptionMargin;
    if (needed > label.width()) {
        QRect place = label.geometry();
        const int grow = needed - place.width();
        place.adjust(-grow / 2, 0, grow - grow / 2, 0);
        label.setGeometry(place);
    }
}
