// The check of "開始" with continuous recording on: whether the folder can take the recording's
// files, so that the operator learns before the measurement, not a quarter of an hour into it,
// that the files would go to the spare folder (or stay in memory).
#pragma once

#include <QString>

// Why folder cannot take new files, or an empty text. The folder is made when missing; it must be
// a folder in which a file can be created (a small one is created and removed again).
QString FolderWriteProblem(const QString& folder);

// The question of "開始" when folder cannot take the files (problem says why): where they will
// go instead (spareFolder, or memory when that cannot take them either), and whether to start.
QString RecordingFolderQuestion(const QString& folder, const QString& problem,
                                const QString& spareFolder);
