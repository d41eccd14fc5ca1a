// The words of the buttons the Qt windows draw themselves, in the user's
// language: each with the letter that presses it, taken from the texts (the
// letter in brackets), shown underlined.
#pragma once

#include <QChar>
#include <QString>

// "[N]ext" gives "&Next"; "[n] Weiter" gives "Weiter (&N)".
QString ButtonLabel(int textId);
// The letter that presses the button, in small letters.
QChar ButtonLetter(int textId);
// The dialog font: the desktop's font at the size of the Windows templates'.
class QFont;
QFont DialogFont();
