#include "engine/CompareImage.h"

#include "platform/FileInfo.h"
#include "settings/RegularFile.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QXmlStreamReader>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jerror.h>
#include <jpeglib.h>
#include <sys/stat.h>
#include <memory>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace {

// Pictures that would need more than this to decode are refused rather than risk the process. The
// same bound holds for the bytes a picture is read or unpacked into.
constexpr int kAllocationLimitMb = 512;
constexpr qint64 kAllocationLimitBytes = qint64(kAllocationLimitMb) * 1024 * 1024;

// Whether a picture of this size could be held within the limit at 4 bytes per pixel.
bool FitsAllocationLimit(qint64 Width, qint64 Height) {
  return Width > 0 && Height > 0 && Width * Height * 4 <= kAllocationLimitBytes;
}

// The limit is process-wide in Qt; set once so the thumbnail thread and the search never race on it.
void SetReaderAllocationLimit() {
  static const bool limitSet = (QImageReader::setAllocationLimit(kAllocationLimitMb), true);
  Q_UNUSED(limitSet);
}

struct TJpegError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

// libjpeg's own handler ends the process; this one returns to the decoder's entry instead.
[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
  auto *err = reinterpret_cast<TJpegError *>(cinfo->err);
  std::longjmp(err->jump, 1);
}

void JpegSilentMessage(j_common_ptr) {}

// A file source with a large buffer: libjpeg-turbo decodes on its fast path only while several
// kilobytes are buffered, and its own file source holds 4 KiB.
struct TJpegFileSource {
  static constexpr size_t BufferSize = 1 << 16;
  jpeg_source_mgr pub;
  FILE *file;
  JOCTET *buffer;

  static void Init(j_decompress_ptr) {}
  static void Term(j_decompress_ptr) {}
  static boolean Fill(j_decompress_ptr cinfo) {
    auto *src = reinterpret_cast<TJpegFileSource *>(cinfo->src);
    size_t n = std::fread(src->buffer, 1, BufferSize, src->file);
    if (n == 0) {
      // Past the end: a fake end-of-picture marker, as libjpeg's own source does, so a cut file
      // decodes as far as it goes.
      WARNMS(cinfo, JWRN_JPEG_EOF);
      src->buffer[0] = JOCTET(0xFF);
      src->buffer[1] = JOCTET(JPEG_EOI);
      n = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = n;
    return TRUE;
  }
  static void Skip(j_decompress_ptr cinfo, long Count) {
    auto *src = reinterpret_cast<TJpegFileSource *>(cinfo->src);
    while (Count > long(src->pub.bytes_in_buffer)) {
      Count -= long(src->pub.bytes_in_buffer);
      Fill(cinfo);
    }
    if (Count > 0) {
      src->pub.next_input_byte += Count;
      src->pub.bytes_in_buffer -= size_t(Count);
    }
  }
  static void Attach(j_decompress_ptr cinfo, FILE *File) {
    auto *src = static_cast<TJpegFileSource *>(
        (*cinfo->mem->alloc_small)(j_common_ptr(cinfo), JPOOL_PERMANENT, sizeof(TJpegFileSource)));
    src->buffer =
        static_cast<JOCTET *>((*cinfo->mem->alloc_large)(j_common_ptr(cinfo), JPOOL_PERMANENT, BufferSize));
    src->file = File;
    src->pub.init_source = Init;
    src->pub.fill_input_buffer = Fill;
    src->pub.skip_input_data = Skip;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = Term;
    src->pub.bytes_in_buffer = 0;
    src->pub.next_input_byte = nullptr;
    cinfo->src = &src->pub;
  }
};

// Only plain data lives in this frame between setjmp and the last libjpeg call, so the jump back
// skips no destructor. Out and the open file live in the caller's frame. The file is read as the
// decoder needs it, so whatever follows the picture (an appended video, a misnamed disk image) is
// never loaded.
bool DecodeJpeg(FILE *File, bool Eighth, QImage &Out) {
  jpeg_decompress_struct cinfo;
  TJpegError err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = JpegErrorExit;
  err.pub.output_message = JpegSilentMessage;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  // Progressive files keep every coefficient of the full-size picture whatever the output scale; a
  // small damaged file can claim a picture of many gigabytes. Past this the decoder fails instead.
  cinfo.mem->max_memory_to_use = long(kAllocationLimitBytes);
  TJpegFileSource::Attach(&cinfo, File);
  jpeg_read_header(&cinfo, TRUE);
  // A damaged header may claim up to 65500 x 65500 pixels; even at one eighth that would be decoded
  // at length from nothing. A picture whose full size the limit could never hold is refused first.
  if (!FitsAllocationLimit(cinfo.image_width, cinfo.image_height)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  cinfo.scale_num = 1;
  cinfo.scale_denom = Eighth ? 8 : 1;
  cinfo.dct_method = JDCT_IFAST;
  cinfo.do_fancy_upsampling = FALSE;
  cinfo.do_block_smoothing = FALSE;
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(&cinfo);
  Out = QImage(int(cinfo.output_width), int(cinfo.output_height),
               cmyk ? QImage::Format_RGB32 : QImage::Format_RGB888);
  if (Out.isNull()) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = Out.scanLine(int(cinfo.output_scanline));
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  if (cmyk) {
    // Adobe writes CMYK inverted, which is what nearly every CMYK JPEG holds.
    for (int y = 0; y < Out.height(); ++y) {
      uchar *line = Out.scanLine(y);
      auto *pixels = reinterpret_cast<QRgb *>(line);
      for (int x = 0; x < Out.width(); ++x) {
        const int c = line[4 * x], m = line[4 * x + 1], ye = line[4 * x + 2], k = line[4 * x + 3];
        pixels[x] = qRgb(c * k / 255, m * k / 255, ye * k / 255);
      }
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

// Takes Fd over.
QImage LoadJpeg(int Fd, bool Eighth) {
  const std::unique_ptr<FILE, int (*)(FILE *)> file(::fdopen(Fd, "rb"), &std::fclose);
  if (!file) {
    ::close(Fd);
    return {};
  }
  QImage image;
  if (!DecodeJpeg(file.get(), Eighth, image))
    return {};
  return image;
}

// A picture file as a random-access device of at most the limit's size, read with pread from the
// descriptor opened once, so nothing past that size is ever asked for. Takes the descriptor over.
class TPictureDevice final : public QIODevice {
public:
  TPictureDevice(int Fd, qint64 Size) : m_fd(Fd), m_size(qBound<qint64>(0, Size, kAllocationLimitBytes)) {
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
  }
  ~TPictureDevice() override { ::close(m_fd); }
  bool isSequential() const override { return false; }
  qint64 size() const override { return m_size; }

protected:
  qint64 readData(char *Data, qint64 MaxSize) override {
    const qint64 at = pos();
    const qint64 want = qMin(MaxSize, m_size - at);
    if (want <= 0)
      return 0;
    ssize_t n;
    do
      n = ::pread(m_fd, Data, size_t(want), off_t(at));
    while (n < 0 && errno == EINTR);
    return n < 0 ? -1 : qint64(n);
  }
  qint64 writeData(const char *, qint64) override { return -1; }

private:
  int m_fd;
  qint64 m_size;
};

bool ReadAt(int Fd, qint64 At, void *Into, size_t Count) {
  ssize_t n;
  do
    n = ::pread(Fd, Into, Count, off_t(At));
  while (n < 0 && errno == EINTR);
  return n == ssize_t(Count);
}

qint64 BigEndian32(const unsigned char *P) {
  return qint64(P[0]) << 24 | qint64(P[1]) << 16 | qint64(P[2]) << 8 | qint64(P[3]);
}

// Qt's ICNS reader allocates each part at the length its header or the table of contents claims,
// before reading it, so a few bytes could claim gigabytes: lengths the file cannot hold are refused.
bool IcnsLengthsFit(int Fd, qint64 Size) {
  unsigned char head[8];
  if (Size < 8 || !ReadAt(Fd, 0, head, 8) || BigEndian32(head + 4) > Size)
    return false;
  for (qint64 at = 8; at + 8 <= Size;) {
    if (!ReadAt(Fd, at, head, 8))
      return false;
    const qint64 length = BigEndian32(head + 4);
    if (length < 8 || length > Size - at)
      return false;
    if (std::memcmp(head, "TOC ", 4) == 0) {
      std::vector<unsigned char> toc(size_t(length - 8));
      if (!toc.empty() && !ReadAt(Fd, at + 8, toc.data(), toc.size()))
        return false;
      for (size_t i = 0; i + 8 <= toc.size(); i += 8)
        if (BigEndian32(toc.data() + i + 4) > Size)
          return false;
    }
    at += length;
  }
  return true;
}

// Format: the lower-case extension without its dot. Takes Fd over.
QImage LoadGeneric(int Fd, qint64 Size, const QByteArray &Format) {
  TPictureDevice device(Fd, Size);
  if (Format.isEmpty() || (Format == "icns" && !IcnsLengthsFit(Fd, Size)))
    return {};
  SetReaderAllocationLimit();
  QImageReader reader(&device, Format);
  reader.setAutoDetectImageFormat(false);
  // Where the header tells the size, a picture the limit could never hold is refused before decoding.
  if (reader.supportsOption(QImageIOHandler::Size)) {
    const QSize size = reader.size();
    if (size.isValid() && !FitsAllocationLimit(size.width(), size.height()))
      return {};
  }
  return reader.read();
}

bool IsGzip(const QByteArray &Data) {
  return Data.startsWith("\x1f\x8b");
}

// Unpacks gzip data (one member or several), refusing what would unpack to more than Cap bytes.
bool Gunzip(const QByteArray &In, qint64 Cap, QByteArray &Out) {
  z_stream z{};
  if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK)
    return false;
  z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(In.constData()));
  z.avail_in = uInt(In.size());
  QByteArray out;
  std::vector<char> chunk(1 << 16);
  bool ok = true;
  for (;;) {
    z.next_out = reinterpret_cast<Bytef *>(chunk.data());
    z.avail_out = uInt(chunk.size());
    const int rc = inflate(&z, Z_NO_FLUSH);
    const qint64 produced = qint64(chunk.size()) - z.avail_out;
    if (out.size() + produced > Cap) {
      ok = false;
      break;
    }
    out.append(chunk.data(), qsizetype(produced));
    if (rc == Z_STREAM_END) {
      if (z.avail_in == 0)
        break;
      inflateReset(&z);
    } else if (rc == Z_BUF_ERROR && z.avail_in == 0) {
      break; // cut short: what came out is all there is
    } else if (rc != Z_OK) {
      ok = false;
      break;
    }
  }
  inflateEnd(&z);
  if (ok)
    Out = std::move(out);
  return ok;
}

// A picture inside an SVG document as the renderer decodes it: the text after the last "base64,".
// Harmless unless it is itself a document, whose own references nobody would have checked.
bool IsHarmlessDataPicture(QStringView Url) {
  const qsizetype at = Url.lastIndexOf(u"base64,");
  if (at < 0)
    return true; // the renderer ignores it
  QByteArray data = QByteArray::fromBase64(Url.mid(at + 7).toLatin1());
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  return !IsGzip(data) && !QImageReader::imageFormat(&buffer).startsWith("svg");
}

// Whether an SVG document can be drawn without the renderer opening any other file: every link
// names a part of the document ("#id") or data inside it ("data:"; for a picture element only
// that), and there is no style sheet instruction, no external entity and no malformed XML (the
// renderer acts on what it read before it finds a fault).
bool IsSelfContainedSvg(const QByteArray &Document) {
  QXmlStreamReader xml(Document);
  while (!xml.atEnd()) {
    switch (xml.readNext()) {
    case QXmlStreamReader::ProcessingInstruction:
    case QXmlStreamReader::EntityReference:
      return false;
    case QXmlStreamReader::DTD:
      for (const QXmlStreamEntityDeclaration &entity : xml.entityDeclarations())
        if (!entity.systemId().isEmpty() || !entity.publicId().isEmpty() || !entity.notationName().isEmpty())
          return false;
      break;
    case QXmlStreamReader::StartElement: {
      const bool picture = xml.name().compare(u"image", Qt::CaseInsensitive) == 0;
      for (const QXmlStreamAttribute &attribute : xml.attributes()) {
        if (!attribute.qualifiedName().endsWith(u"href", Qt::CaseInsensitive))
          continue;
        const QStringView link = attribute.value();
        if (link.isEmpty() || (!picture && link.startsWith(u'#')))
          continue;
        if (!link.startsWith(u"data:") || !IsHarmlessDataPicture(link))
          return false;
      }
      if (xml.name().compare(u"style", Qt::CaseInsensitive) == 0 &&
          xml.readElementText(QXmlStreamReader::IncludeChildElements)
              .contains(u"@import", Qt::CaseInsensitive))
        return false;
      break;
    }
    default:
      break;
    }
  }
  return !xml.hasError();
}

// Reads the SVG document behind Fd (unpacked when compressed), checks it and renders it straight at
// the size of its rectangle in Target. Takes Fd over.
bool DrawSvg(int Fd, QImage &Target, int &PicWidth, int &PicHeight, bool KeepAspect) {
  QByteArray document;
  const bool read = ReadWhole(Fd, kAllocationLimitBytes, document);
  ::close(Fd);
  if (!read || (IsGzip(document) && !Gunzip(document, kAllocationLimitBytes, document)) ||
      !IsSelfContainedSvg(document))
    return false;
  SetReaderAllocationLimit();
  QBuffer buffer(&document);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "svg");
  reader.setAutoDetectImageFormat(false);
  const QSize size = reader.size();
  if (size.isEmpty())
    return false;
  PicWidth = size.width();
  PicHeight = size.height();
  const QRect rect = FitRect(Target.width(), Target.height(), PicWidth, PicHeight, KeepAspect);
  if (rect.isEmpty())
    return true;
  reader.setScaledSize(rect.size());
  const QImage picture = reader.read();
  if (picture.isNull())
    return false;
  QPainter(&Target).drawImage(rect.topLeft(), picture);
  return true;
}

QImage MakeThumbnail(const QString &FileName, int Width, int Height, int &PicWidth, int &PicHeight,
                     bool KeepAspect) {
  QImage target(Width, Height, QImage::Format_RGB888);
  if (target.isNull())
    return {};
  target.fill(Qt::white);
  // Opened by the name's own bytes: a Qt class given the path would encode it its own way.
  const int fd = platform::OpenRegularFile(FileName).Fd;
  if (fd < 0)
    return {};
  struct stat st {};
  const qint64 size = ::fstat(fd, &st) == 0 ? qint64(st.st_size) : 0;
  const QString name = FileName.sliced(FileName.lastIndexOf(QLatin1Char('/')) + 1);
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  const QByteArray format = dot < 0 ? QByteArray() : name.sliced(dot + 1).toLower().toLatin1();
  if (format == "svg" || format == "svgz")
    return DrawSvg(fd, target, PicWidth, PicHeight, KeepAspect) ? target : QImage();
  const bool jpeg = format == "jpg" || format == "jpeg";
  const QImage picture = jpeg ? LoadJpeg(fd, !KeepAspect) : LoadGeneric(fd, size, format);
  if (picture.isNull())
    return {};
  PicWidth = picture.width();
  PicHeight = picture.height();
  const QRect rect = FitRect(Width, Height, PicWidth, PicHeight, KeepAspect);
  if (!rect.isEmpty()) {
    QPainter painter(&target);
    painter.drawImage(rect, picture);
  }
  return target;
}

} // namespace

QRect FitRect(int Width, int Height, int PicWidth, int PicHeight, bool KeepAspect) {
  if (!KeepAspect)
    return QRect(0, 0, Width, Height);
  if (PicWidth <= Width && PicHeight <= Height)
    return QRect(0, 0, PicWidth, PicHeight);
  // Divided by the larger of PicWidth / Width and PicHeight / Height, in exact integer arithmetic:
  // floating point would often make a side one pixel short (3000 x 4000 gave 59 lines, not 60).
  const qint64 pw = PicWidth, ph = PicHeight, w = Width, h = Height;
  if (w <= 0 || h <= 0)
    return QRect(0, 0, 0, 0);
  if (pw * h > ph * w)
    return QRect(0, 0, Width, int(ph * w / pw));
  return QRect(0, 0, int(pw * h / ph), Height);
}

QImage CreateThumbnail(const QString &FileName, int Width, int Height, int &PicWidth, int &PicHeight,
                       bool KeepAspect) {
  try {
    return MakeThumbnail(FileName, Width, Height, PicWidth, PicHeight, KeepAspect);
  } catch (...) {
    return {};
  }
}

void TDataImage::LoadFromFile(const QString &FileName) {
  int picWidth = 0, picHeight = 0;
  QImage bitmap = CreateThumbnail(FileName, GridWidth, GridHeight, picWidth, picHeight, false);
  if (bitmap.isNull() || picWidth < MinPictureSide || picHeight < MinPictureSide)
    return;
  try {
    FillFromBitmap(bitmap);
  } catch (...) {
    Total = 0;
  }
}

void TDataImage::FillFromBitmap(const QImage &Source) {
  Total = 0;
  Cells.fill(TCell{});
  const QImage bitmap =
      Source.format() == QImage::Format_RGB888 ? Source : Source.convertToFormat(QImage::Format_RGB888);
  const int width = bitmap.width(), height = bitmap.height();
  if (width <= 0 || height <= 0)
    return;
  // Cell of every pixel column and row, by the same floating-point bounds as the grid's definition.
  const double w = double(width) / Columns, h = double(height) / Rows;
  std::vector<int> columnOf(static_cast<size_t>(width)), rowOf(static_cast<size_t>(height));
  for (int x = 0; x < width; ++x) {
    int i = 1;
    while (i < Columns && !(x < i * w))
      ++i;
    columnOf[size_t(x)] = i;
  }
  for (int y = 0; y < height; ++y) {
    int j = 1;
    while (j < Rows && !(y < j * h))
      ++j;
    rowOf[size_t(y)] = j;
  }
  qint64 total = 0;
  for (int y = 0; y < height; ++y) {
    const uchar *line = bitmap.constScanLine(y);
    const int j = rowOf[size_t(y)];
    for (int x = 0; x < width; ++x) {
      const int v = Darkness(line[3 * x], line[3 * x + 1], line[3 * x + 2]);
      total += v;
      TCell &cell = Cell(columnOf[size_t(x)], j);
      cell.p += v;
      cell.c += 1;
    }
  }
  const qint64 third = (qint64(width) * height) / 3;
  for (TCell &cell : Cells)
    if (cell.c != 0)
      cell.p = cell.p * 1000 / cell.c;
  Total = third != 0 ? total * 1000 / third : 0;
}

double TDataImage::CellSimilarity(quint32 a, quint32 b) {
  const quint32 m = a > b ? a : b;
  if (m == 0)
    return 100.0;
  const double diff = a > b ? double(a - b) : double(b - a);
  return (1.0 - diff / m) * 100.0;
}

bool TDataImage::IsSimilar(const TDataImage &A, const TDataImage &B) {
  if (A.Total == 0 || B.Total == 0)
    return false;
  for (size_t k = 0; k < A.Cells.size(); ++k)
    if (CellSimilarity(quint32(A.Cells[k].p), quint32(B.Cells[k].p)) < CloseCellPercent)
      return false;
  return true;
}

qint32 TDataImage::CompareTotal(const TDataImage &A, const TDataImage &B) {
  if (A.Total > B.Total)
    return -1;
  if (A.Total < B.Total)
    return 1;
  return 0;
}
