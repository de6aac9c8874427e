// The main window's captions as its template places them are sized for the platform's own
// narrow face; with the faces a desktop has, two-word captions run into their neighbours and
// long words are cut. Captions are therefore broken into lines here, only between words, and
// widened about their centre when one word is longer than the caption is wide.
#pragma once

#include <QString>

class QFontMetrics;
class QLabel;

// Space kept free on each side of a caption's text, so neighbours never read as one word.
constexpr int kCaptionMargin = 2;

// Breaks text into lines at its spaces, and at soft hyphens (shown as "-" where a line ends
// there), so that each line fits width less the margins; a word that does not fit stays whole.
QString BreakCaption(const QString& text, const QFontMetrics& metrics, int width);

// Sets a caption label's text broken into lines, without the label's own word wrap (which
// would break inside words), and widens the label about its centre to its longest line.
void LayOutCaption(QLabel& label, const QString& text);
