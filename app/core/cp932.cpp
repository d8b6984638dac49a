#include "core/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace {

// One conversion descriptor per direction and thread, opened at first use and kept: opening one
// loads the conversion module, which costs far more than a short text's conversion.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts as much of [in, in + inLeft) as it can into out (appended). Returns 0 when all of
  // it was converted, otherwise the errno of the stop (EILSEQ, EINVAL) with in and inLeft at the
  // offending input.
  int Run(char*& in, size_t& inLeft, QByteArray& out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // initial shift state
    while (inLeft > 0) {
      const qsizetype used = out.size();
      // Code page 932 takes at most 2 bytes per UTF-8 character of at least 1 byte; UTF-8 takes
      // at most 3 bytes per code page 932 character of at least 1 byte.
      out.resize(used + static_cast<qsizetype>(inLeft) * 3 + 16);
      char* dst = out.data() + used;
      size_t dstLeft = static_cast<size_t>(out.size() - used);
      const size_t r = iconv(cd_, &in, &inLeft, &dst, &dstLeft);
      out.resize(out.size() - static_cast<qsizetype>(dstLeft));
      if (r == static_cast<size_t>(-1) && errno != E2BIG) return errno;
    }
    return 0;
  }

 private:
  iconv_t cd_;
};

Converter& ToCp932() {
  thread_local Converter c("CP932", "UTF-8");
  return c;
}

Converter& FromCp932() {
  thread_local Converter c("UTF-8", "CP932");
  return c;
}

}  // namespace

bool EncodeCp932(const QString& text, QByteArray& out, QString* unmappable) {
  out.clear();
  QByteArray utf8 = text.toUtf8();
  char* in = utf8.data();
  size_t inLeft = static_cast<size_t>(utf8.size());
  if (ToCp932().Run(in, inLeft, out) == 0) return true;
  out.clear();
  if (unmappable) {
    // The first UTF-8 character at the stop: its lead byte and continuation bytes.
    qsizetype n = 1;
    while (n < static_cast<qsizetype>(inLeft) &&
           (static_cast<unsigned char>(in[n]) & 0xC0) == 0x80) {
      ++n;
    }
    *unmappable = QString::fromUtf8(in, n);
  }
  return false;
}

QString DecodeCp932(const char* data, qsizetype size) {
  QByteArray utf8;
  char* in = const_cast<char*>(data);  // iconv's interface is not const; it only reads the input
  size_t inLeft = static_cast<size_t>(size);
  while (inLeft > 0) {
    if (FromCp932().Run(in, inLeft, utf8) == 0) break;
    utf8.append("\xEF\xBF\xBD");  // U+FFFD for the byte that could not be decoded
    ++in;
    --inLeft;
  }
  return QString::fromUtf8(utf8);
}
