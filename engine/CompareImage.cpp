#include "engine/CompareImage.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <csetjmp>
#include <cstdio>
#include <jerror.h>
#include <jpeglib.h>
#include <memory>
#include <vector>

namespace {

// Pictures that would need more than this to decode are refused rather than risk the process.
constexpr int kAllocationLimitMb = 512;
constexpr qint64 kAllocationLimitBytes = qint64(kAllocationLimitMb) * 1024 * 1024;

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
  cinfo.scale_num = 1;
  cinfo.scale_denom = Eighth ? 8 : 1;
  cinfo.dct_method = JDCT_IFAST;
  cinfo.do_fancy_upsampling = FALSE;
  cinfo.do_block_smoothing = FALSE;
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_calc_output_dimensions(&cinfo);
  if (qint64(cinfo.output_width) * qint64(cinfo.output_height) * 4 > kAllocationLimitBytes) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
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

QImage LoadJpeg(const QString &FileName, bool Eighth) {
  const std::unique_ptr<FILE, int (*)(FILE *)> file(std::fopen(QFile::encodeName(FileName).constData(), "rb"),
                                                    &std::fclose);
  if (!file)
    return {};
  QImage image;
  if (!DecodeJpeg(file.get(), Eighth, image))
    return {};
  return image;
}

// Format: the lower-case extension without its dot.
QImage LoadGeneric(const QString &FileName, const QByteArray &Format) {
  if (Format.isEmpty())
    return {};
  QImageReader reader(FileName, Format);
  reader.setAutoDetectImageFormat(false);
  // The limit is process-wide in Qt; set it once so the thumbnail thread and the search never race on it.
  static const bool limitSet = (QImageReader::setAllocationLimit(kAllocationLimitMb), true);
  Q_UNUSED(limitSet);
  return reader.read();
}

QImage MakeThumbnail(const QString &FileName, int Width, int Height, int &PicWidth, int &PicHeight,
                     bool KeepAspect) {
  QImage target(Width, Height, QImage::Format_RGB888);
  if (target.isNull())
    return {};
  target.fill(Qt::white);
  const QByteArray format = QFileInfo(FileName).suffix().toLower().toLatin1();
  const bool jpeg = format == "jpg" || format == "jpeg";
  const QImage picture = jpeg ? LoadJpeg(FileName, !KeepAspect) : LoadGeneric(FileName, format);
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
