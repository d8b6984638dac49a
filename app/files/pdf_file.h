// PDF files. Qt's PDF engine reports no write error: a full disk leaves a cut PDF that no reader
// opens, and the engine says it printed. So the page is rendered into a temporary file of its own
// beside the target, checked to be a whole PDF, and only then written to its place through
// ReplaceFile.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// Runs render with the path of a new temporary file, in which it makes the PDF, and
// writes that PDF to target when it is whole. False when render returns false (it has reported
// why itself; error is left alone), or with the operator's reason in error when the PDF is cut
// or cannot be written; target is then unchanged. The temporary file is always removed.
bool WritePdfFile(const QString& target,
                  const std::function<bool(const QString& renderPath)>& render, QString* error);

// Whether bytes are a whole PDF file: its header, the end-of-file mark, and the cross-reference
// table at the place the trailer names.
bool IsCompletePdf(const QByteArray& bytes);
