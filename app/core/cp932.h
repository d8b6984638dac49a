// Text in code page 932, the encoding of every text the program writes into or reads from its
// files. The conversion runs on glibc's iconv ("CP932").
#pragma once

#include <QByteArray>
#include <QString>

// Encodes text into out. When a character has no code page 932 form, returns false, leaves out
// empty and puts that character (the first one met) into *unmappable when it is given.
bool EncodeCp932(const QString& text, QByteArray& out, QString* unmappable = nullptr);

// Decodes code page 932 bytes. A byte that does not start a valid character (or a lead byte
// without its trail byte) becomes U+FFFD, and decoding goes on with the next byte, so that no
// input is refused.
QString DecodeCp932(const char* data, qsizetype size);
inline QString DecodeCp932(const QByteArray& bytes) {
  return DecodeCp932(bytes.constData(), bytes.size());
}
