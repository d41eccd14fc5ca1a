// The word splitter shared by the option test, the hardware-ID probe and the
// version read.
#pragma once

// Splits text at any character of delimiters. A run of delimiters separates like
// one, and delimiters at either end give no empty word. Word i is stored
// zero-terminated at slots + i * stride, for at most slotCount words, and nothing
// else of the slot area is written. A word that does not fit its slot (stride - 1
// characters or more) is stored as an empty text, so it can never pass for a
// shorter word. The text is read only and may be of any length. Returns the number
// of words stored; when rest is given it receives the place after the last stored
// word, from which a further split yields the words that did not fit.
int SplitWords(const char* text, const char* delimiters, char* slots, int stride, int slotCount,
               const char** rest = nullptr);
