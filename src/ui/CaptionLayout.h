// The main window's captions as its template places them are sized for the platform's own
// narrow face; with the faces a desktop has, two-word captions run into their neighbours and
// long words are cut. Captions are therefore broken into lines here, only between words, and
// widened about their centre when one word is longer than the caption is wide, or when a
// wider face needs more lines than the caption is high.
#pragma once

#include <QList>
#include <QString>

class QFont;
class QFontMetrics;
class QLabel;

// Space kept free on each side of a caption's text, so neighbours never read as one word.
constexpr int kCaptionMargin = 2;

// How far a caption's face may be condensed, as QFont's stretch.
constexpr int kNarrowestCaptionStretch = 75;

struct CaptionPlace {
    QString text;
    int width;
};

// The stretch at which every word of every caption fits its width less the margins: the
// face's own (QFont::AnyStretch) for the narrow faces the template was made for, less than
// 100 for a wider face standing in for them (down to the narrowest), so that no caption has
// to grow into its neighbours.
int CaptionStretch(const QFont& font, const QList<CaptionPlace>& captions);

// Breaks text into lines at its spaces, and at soft hyphens (shown as "-" where a line ends
// there), so that each line fits width less the margins; a word that does not fit stays whole.
QString BreakCaption(const QString& text, const QFontMetrics& metrics, int width);

// The width, at least `width`, at which text breaks into no more than `lines` lines: wider
// only as far as the face needs.
int CaptionWidth(const QString& text, const QFontMetrics& metrics, int width, int lines);

// Sets a caption label's text broken into lines as many as its height holds, without the label's
// own word wrap (which would break inside words), and widens the label about its centre to its
// longest line.
void LayOutCaption(QLabel& label, const QString& text);
