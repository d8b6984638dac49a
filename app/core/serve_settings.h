// The web view's settings, section "Serve" of the per-user settings store (or of a recording's
// settings file): the address and port to listen on and the file holding the token. The window
// serves while it measures when a port is set; `korvale --record` serves with them unless its
// command line says otherwise.
#pragma once

#include <QString>

class QSettings;

struct ServeSettings {
  QString Address;    // empty: 127.0.0.1
  int Port = 0;       // 0: no serving
  QString TokenFile;  // empty: none (the environment's KORVALE_SERVE_TOKEN may give one)
};

// The address a web view listens on when none is given.
QString DefaultServeAddress();

// "[ADDRESS:]PORT" ("8080", "0.0.0.0:8080", "[::1]:8080"): false when the text is not one or the
// port is not within 1..65535. An address without brackets holding a colon is an IPv6 address
// without a port: not one either.
bool ParseServeEndpoint(const QString& text, QString& address, int& port);

// Reads the section; an empty text when its values can be used, otherwise the reason (Japanese),
// settings then keeping what could be read.
QString LoadServeSettings(QSettings& store, ServeSettings& settings);
void SaveServeSettings(QSettings& store, const ServeSettings& settings);
// The same with the per-user store.
QString LoadServeSettings(ServeSettings& settings);
void SaveServeSettings(const ServeSettings& settings);
