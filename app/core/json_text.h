// Texts written straight into bytes by the outputs that follow a run (its publishing, its web
// view): JSON strings and the shortest text of a float32, the analysis CSV's, so that every output
// shows a value as the files' exports do.
#pragma once

#include <QString>
#include <string>

// text as a quoted JSON string (UTF-8; quotes, backslashes and control characters escaped).
void AppendJsonString(std::string& out, const QString& text);
// The shortest text that reads back as the same float32 (std::to_chars).
void AppendShortestFloat(std::string& out, float v);
// v as a JSON number: that text, or null for NaN or an infinity.
void AppendJsonFloat(std::string& out, float v);
