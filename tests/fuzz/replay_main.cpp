// Runs the fuzz target once on every file of the seed corpus folder named on the command line,
// as an ordinary test without the fuzzing engine.
#include <QDir>
#include <QFile>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const QDir corpus(QFile::decodeName(argv[1]));
  const QStringList names = corpus.entryList(QDir::Files);
  for (const QString& name : names) {
    QFile f(corpus.filePath(name));
    if (!f.open(QIODevice::ReadOnly)) {
      std::fprintf(stderr, "cannot read %s\n", qPrintable(f.fileName()));
      return 1;
    }
    const QByteArray bytes = f.readAll();
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()),
                           static_cast<size_t>(bytes.size()));
  }
  std::printf("%lld inputs replayed\n", static_cast<long long>(names.size()));
  return names.isEmpty() ? 1 : 0;
}
