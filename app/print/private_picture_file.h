// A private place for the graph picture while a page is printed. Under the system's temporary
// directory a new directory is created exclusively, with an unpredictable name and entry for the
// owner only (0700); in it one file, also created exclusively and readable by the owner only
// (0600). Nobody else can read the picture, plant a link in its place or predict its name. Both
// are removed when the object goes, whatever happened in between.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <memory>

class PrivatePictureFile {
 public:
  PrivatePictureFile();
  PrivatePictureFile(const PrivatePictureFile&) = delete;
  PrivatePictureFile& operator=(const PrivatePictureFile&) = delete;

  // False when the directory or the file could not be created.
  bool IsValid() const { return file_ != nullptr; }
  QString Path() const;

 private:
  // Both remove what they created when they go: the file first (members go in reverse order),
  // then the directory with anything left in it.
  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<QTemporaryFile> file_;
};
