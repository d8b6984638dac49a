// Writing a whole file so that an existing file of that name is replaced only by a complete new
// one: the bytes go to a new file beside it, which takes the old one's place when it is complete.
#pragma once

#include <QByteArray>
#include <QString>

// False with the operator's reason (Japanese) in *error when the file could not be written; the
// existing file, if any, is then unchanged.
bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString* error);
