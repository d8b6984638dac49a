// What the file dialogs remember across runs, in the per-user settings store in a section of its
// own ([FileDialog]; the measurement settings of [MeasInfo] are not touched): the folder last
// used for saving or reading and the format last saved in (by its filter, so that any number of
// formats can be told apart).
#pragma once

#include <QString>

// The folder the file dialogs open in; empty when none is remembered or it is gone.
QString LastFileFolder();
// Remembers the folder of a file the operator chose for saving or reading.
void RememberFileFolder(const QString& chosenFile);

// The filter of the format last saved in; empty when none is remembered.
QString LastSaveFilter();
void RememberSaveFilter(const QString& filter);
