// The publishing destinations of the settings: section [Publish], keys Url0, Url1, ... in order,
// shared by the window and `korvale --record`.
#pragma once

#include <QStringList>

class QSettings;

// The URLs stored in store (or the per-user settings store), as written; empty keys skipped.
QStringList LoadPublishUrls();
QStringList LoadPublishUrls(QSettings& store);
// Replaces the stored URLs with urls.
void SavePublishUrls(const QStringList& urls);
void SavePublishUrls(QSettings& store, const QStringList& urls);
