// Marks from other processes for `korvale --record` (korvale --mark DIR TEXT): a Unix-domain socket
// that only this user may use, named in the folder's lock file (record_folder_lock.h). A client
// sends one line, the mark's text as a JSON string ("扉を開けた"; "" for the default text), and
// gets one line back once the mark is stored and its journal's sidecar is on the disk:
// "ok N S" (the mark's number N at sample S of the record set), or "idle" when nothing is being
// measured. Nothing else is read from a client, and a client that says nothing is dropped.
#pragma once

#include <QObject>
#include <QString>

class MeasurementSession;
class QLocalServer;
class QLocalSocket;

class MarkServer : public QObject {
 public:
  explicit MarkServer(MeasurementSession& session, QObject* parent = nullptr);
  ~MarkServer() override;

  // Listens at a socket in $XDG_RUNTIME_DIR (or else in folder). Its path, or an empty text with
  // *error (Japanese) when it cannot listen.
  QString Listen(const QString& folder, QString* error);

 private:
  void Serve(QLocalSocket* client);

  MeasurementSession& session_;
  QLocalServer* server_;
};

// The client: adds a mark with text to the recorder of folder. The exit status: 0 when the
// recorder stored it, 1 when none records there or it did not answer (the reason in err).
int SendMark(const QString& folder, const QString& text, QString& err);
