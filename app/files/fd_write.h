// The descriptor-level steps every file write of the program shares: a write that goes on through
// interruptions and partial writes (or stops at the first partial one, for an output that must
// never wait), and the push of a folder's entries to the disk.
#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <QString>
#include <cstddef>

// One write of at most size bytes to fd, tried again when a signal interrupts it. 0 with *written
// set to what fd took, otherwise the errno (EAGAIN when a descriptor that does not wait takes
// nothing now, ENOSPC for a write that writes nothing).
int WriteSomeToFd(int fd, const char* data, size_t size, size_t* written);

// Writes all of bytes to fd. 0 when done, otherwise the errno of the failure (ENOSPC for a write
// that writes nothing).
int WriteAllToFd(int fd, const QByteArray& bytes);

// Writes size bytes of data to fd at offset, leaving the descriptor's own position alone. 0 when
// done, otherwise the errno as WriteAllToFd; what reached the file is a prefix of data.
int WriteAllToFdAt(int fd, const char* data, size_t size, off_t offset);

// Pushes the entries of folder to the disk, so that a new or renamed file there survives a power
// cut. Nothing is reported: the file itself is already on the disk.
void SyncFolder(const QString& folder);
