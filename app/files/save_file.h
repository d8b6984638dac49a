// Writing a whole file so that an existing file of that name is replaced only by a complete new
// one. The bytes go to a new file created beside the target under a name nobody else holds; every
// write, the push to the disk and the close are checked, and only then does the new file take the
// target's name in one step. On any failure the new file is removed and the target is untouched.
// A symbolic link is followed: the file it leads to is the one replaced. Anything that is not a
// regular file (a folder, a device, a pipe) is never replaced.
#pragma once

#include <QByteArray>
#include <QString>

// False with the operator's reason (Japanese) in *error when the file could not be written; the
// existing file, if any, is then unchanged.
bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString* error);

// Why output must not be written by a conversion that reads input (the operator's reason in
// Japanese), or an empty text: output is, after following links, the same file as input, or it
// exists and is not a regular file.
QString ConversionOutputProblem(const QString& input, const QString& output);
