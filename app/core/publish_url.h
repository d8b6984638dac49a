// A publishing destination as the operator writes it: an MQTT broker
// (mqtt://[user:password@]host[:port]/prefix, mqtts:// over TLS) or an InfluxDB database
// (influx://host[:port]/database for the 1.x write API, influx2://host[:port]/org/bucket for 2.x,
// its token from the environment variable KORVALE_INFLUX_TOKEN, never from the URL).
#pragma once

#include <QString>

struct PublishUrl {
  enum class Kind { Mqtt, Mqtts, Influx1, Influx2 };
  bool ok = false;
  QString reason;  // why the URL cannot be used (Japanese), when not ok
  Kind kind = Kind::Mqtt;
  QString host;
  int port = 0;
  QString user, password;  // MQTT only; both may be empty
  QString prefix;          // MQTT: the topics' prefix ("lab" or "lab/oven1")
  QString database;        // influx://
  QString org, bucket;     // influx2://
  QString token;           // influx2://: KORVALE_INFLUX_TOKEN

  bool IsMqtt() const { return kind == Kind::Mqtt || kind == Kind::Mqtts; }
  // The URL without its password, for messages, statuses and the queue's folder name.
  QString Name() const;
  // Name() as one file-name component: letters, digits, '.', '-' and '_' only.
  QString SafeName() const;
};

// Parses text; a URL that cannot be used comes back with ok false and the reason.
PublishUrl ParsePublishUrl(const QString& text);

// The URLs of a list written with blanks or line breaks between them (the settings dialog's field).
QStringList SplitPublishUrls(const QString& text);
