// The token of the web view: read from a file or the environment (never the command line, where
// other users of the computer see it), compared in constant time, and the session cookies a
// one-time link hands out.
#pragma once

#include <QByteArray>
#include <QString>
#include <deque>

// Whether a and b hold the same bytes, in a time that depends on their lengths only.
bool SameBytes(const QByteArray& a, const QByteArray& b);

// The token in the file at path (its first line, without surrounding blanks); false with the
// reason (Japanese) when it cannot be read or is empty.
bool ReadTokenFile(const QString& path, QByteArray& token, QString* error);

// The session cookies handed out, newest last; the oldest goes once kMaxSessions are held.
class SessionCookies {
 public:
  static constexpr int kMaxSessions = 256;

  // A new random 128-bit value as 32 hex digits.
  QByteArray Issue();
  bool Holds(const QByteArray& value) const;

 private:
  std::deque<QByteArray> values_;
};
