#include "core/json_text.h"

#include <QByteArray>
#include <charconv>
#include <cmath>

void AppendJsonString(std::string& out, const QString& text) {
  const QByteArray bytes = text.toUtf8();
  out += '"';
  for (const char ch : bytes) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20) {
      static const char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  out += '"';
}

void AppendShortestFloat(std::string& out, float v) {
  char buffer[32];
  out.append(buffer,
             static_cast<size_t>(std::to_chars(buffer, buffer + sizeof buffer, v).ptr - buffer));
}

void AppendJsonFloat(std::string& out, float v) {
  if (!std::isfinite(v)) {
    out += "null";
    return;
  }
  AppendShortestFloat(out, v);
}
