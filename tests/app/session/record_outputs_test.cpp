// The outputs of `korvale --record` as a lab connects them: a stream or a standard error that
// nobody reads holds up neither the sampling nor a signal, one whose reader has gone ends nothing
// but itself, and a stream that cannot be written at all is refused before anything is measured.
#include <QStringList>

#include "record_process.h"

namespace recordtest {
namespace {

// The rows of the stream text out that arrived whole: the values after the time, elapsed time and
// sample number; the preamble, the header row and a cut last line left out.
std::vector<QStringList> WholeRows(QByteArray out) {
  out.truncate(out.lastIndexOf('\n') + 1);
  std::vector<QStringList> rows;
  bool header = true;
  for (const QByteArray& line : out.split('\n')) {
    if (line.isEmpty() || line.startsWith('#')) continue;
    if (header) {
      header = false;
      continue;
    }
    rows.push_back(QString::fromUtf8(line).split(QLatin1Char(',')).mid(3));
  }
  return rows;
}

TEST_F(RecordProcessTest, AStreamNobodyReadsHoldsUpNeitherTheSamplingNorASignal) {
  UnreadFifo fifo(Path("stream"));
  QProcess p;
  p.setStandardOutputFile(fifo.Path());
  Start(p, RecordArgs("records") << QStringLiteral("--stream"));
  // The FIFO is full within the first second; the recording goes on for three more.
  EXPECT_FALSE(p.waitForFinished(4000));
  Signal(p, SIGTERM);
  ASSERT_TRUE(Ends(p, 15000)) << "SIGTERM was not acted on";
  const QString err = QString::fromLocal8Bit(p.readAllStandardError());
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 0) << err.toStdString();

  const std::vector<DataFileImage> files = Files("records");
  ASSERT_EQ(files.size(), 1u) << err.toStdString();
  EXPECT_GT(files[0].Records, 200);
  // What the FIFO took are the file's first samples, whole and in order.
  const std::vector<QStringList> rows = WholeRows(fifo.ReadAvailable());
  ASSERT_GT(rows.size(), 10u);
  ASSERT_LT(rows.size(), static_cast<size_t>(files[0].Records));
  for (size_t k = 0; k < rows.size(); ++k) {
    ASSERT_EQ(rows[k].size(), 2) << k;
    for (int unit = 0; unit < 2; ++unit) {
      ASSERT_EQ(rows[k][unit].toFloat(), files[0].Data[unit][k]) << "unit " << unit << " row " << k;
    }
  }
}

TEST_F(RecordProcessTest, AStandardErrorStalledOrGoneNeitherHoldsUpNorEndsTheRecording) {
  // Unit 1 is above its limit from the first sample on: a message at once.
  QFile ini(Path("settings.ini"));
  ASSERT_TRUE(ini.open(QIODevice::Append));
  ini.write("[Alarm]\nHighOn1=True\nHigh1=-200\nSound=False\n");
  ini.close();
  {
    UnreadFifo fifo(Path("stalled.fifo"));
    fifo.Fill();
    QProcess p;
    p.setStandardErrorFile(fifo.Path());
    Start(p, RecordArgs("stalled"));
    EXPECT_FALSE(p.waitForFinished(4000));
    Signal(p, SIGTERM);
    // The reader takes up again: the messages that waited come out before the end.
    QByteArray err;
    QElapsedTimer clock;
    clock.start();
    while (!p.waitForFinished(20) && clock.elapsed() < 15000) err += fifo.ReadAvailable();
    err += fifo.ReadAvailable();
    ASSERT_EQ(p.state(), QProcess::NotRunning) << "SIGTERM was not acted on";
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    const std::vector<DataFileImage> files = Files("stalled");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_GT(files[0].Records, 200);
    const QString text = QString::fromLocal8Bit(err);
    EXPECT_TRUE(text.contains(QStringLiteral("korvale: 警報 "))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("-0001.mx1（%1 件）").arg(files[0].Records)))
        << text.toStdString();
  }
  {
    UnreadFifo fifo(Path("gone.fifo"));
    QProcess p;
    p.setStandardErrorFile(fifo.Path());
    Start(p, RecordArgs("gone") << QStringLiteral("--for") << QStringLiteral("2s"));
    fifo.CloseReader();
    ASSERT_TRUE(Ends(p, 30000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << "ended by a signal";
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(Files("gone").size(), 1u);
  }
}

TEST_F(RecordProcessTest, AStreamWithoutAWritableStandardOutputIsRefusedBeforeMeasuring) {
  // Standard output closed, and open for reading only.
  for (const QString& redirect : {QStringLiteral(">&-"), QStringLiteral("1</dev/null")}) {
    SCOPED_TRACE(redirect.toStdString());
    QProcess p;
    Start(p,
          QStringList{QStringLiteral("-c"), QStringLiteral("exec \"$0\" \"$@\" ") + redirect,
                      QStringLiteral(KORVALE_PROGRAM)}
              << RecordArgs("records") << QStringLiteral("--stream"),
          QStringLiteral("/bin/sh"));
    ASSERT_TRUE(Ends(p, 30000));
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 1) << err.toStdString();
    EXPECT_TRUE(err.startsWith(QStringLiteral("korvale: 標準出力"))) << err.toStdString();
    EXPECT_EQ(err.count(QLatin1Char('\n')), 1) << err.toStdString();
    EXPECT_TRUE(Files("records").empty());
  }
}

}  // namespace
}  // namespace recordtest
