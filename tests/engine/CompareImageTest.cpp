#include "engine/CompareImage.h"
#include "MediaFiles.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/TestEnv.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <zlib.h>

namespace {

TDataImage GridOf(const QString &path) {
  TDataImage grid;
  grid.LoadFromFile(path);
  return grid;
}

// A grid whose every finished cell holds Value.
TDataImage Uniform(qint64 Value) {
  TDataImage grid;
  for (auto &cell : grid.Cells)
    cell = {Value, 863};
  grid.Total = Value * 3;
  return grid;
}

// False under the address sanitizer, which needs more.
bool LimitAddressSpaceTo1GiB() {
#ifdef __SANITIZE_ADDRESS__
  return false;
#endif
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) != 0)
    return false;
  limit.rlim_cur = rlim_t(1) << 30;
  return setrlimit(RLIMIT_AS, &limit) == 0;
}

// Pictures saved in a test folder.
class Pictures : public ::testing::Test {
protected:
  // Saves a picture of one colour (or Image) in the folder; its path.
  QString Picture(const QString &name, int width, int height, const QColor &color, const char *format) {
    EXPECT_TRUE(media::SavePicture(dir.filePath(name), width, height, color, format)) << name.toStdString();
    return dir.filePath(name);
  }
  // A thumbnail of the file; the picture's size goes to w and h.
  QImage Thumb(const QString &path, int width = 80, int height = 60, bool keepAspect = true) {
    return CreateThumbnail(path, width, height, w, h, keepAspect);
  }
  QString Image(const QString &name, const QImage &image, const char *format, int quality = 95) {
    EXPECT_TRUE(image.save(dir.filePath(name), format, quality)) << name.toStdString();
    return dir.filePath(name);
  }
  TestDir dir;
  int w = 0, h = 0;
};
class PictureGrid : public Pictures {};
class Thumbnail : public Pictures {};

// Left half black, right half white: columns 1 to 5 dark, 6 to 10 light. The picture is scaled to 300 x 230:
// columns are 30 pixels wide; rows 28.75 high, so rows 1 to 8 hold 29, 29, 29, 28, 29, 29, 29, 28 lines.
TEST_F(PictureGrid, CellsFollowColumnsAndRowsBetweenTheExtremes) {
  QImage image(640, 480, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter(&image).fillRect(0, 0, 320, 480, Qt::black);
  const TDataImage grid = GridOf(Image("half.png", image, "PNG"));
  EXPECT_EQ(grid.Total, (705000 + 3000000) / 2);
  qint64 pixels = 0;
  for (int i = 1; i <= 10; ++i)
    for (int j = 1; j <= 8; ++j) {
      EXPECT_EQ(grid.Cell(i, j).p, i <= 5 ? 1000000 : 235000) << i << "," << j;
      EXPECT_EQ(grid.Cell(i, j).c, 30 * (j % 4 == 0 ? 28 : 29)) << i << "," << j;
      pixels += grid.Cell(i, j).c;
    }
  EXPECT_EQ(pixels, 300 * 230);
  // Too small to use.
  EXPECT_NE(GridOf(Picture("40.bmp", 40, 40, Qt::gray, "BMP")).Total, 0);
  EXPECT_EQ(GridOf(Picture("34.bmp", 34, 200, Qt::gray, "BMP")).Total, 0);
}

// JPEG files are measured at one eighth, rounded up: 273 pixels give 35, 272 give 34.
TEST_F(PictureGrid, JpegFilesAreMeasuredAtOneEighth) {
  const TDataImage used = GridOf(Picture("273.jpg", 273, 273, Qt::white, "JPEG"));
  EXPECT_NEAR(double(used.Total), 705000, 705000 * 0.01);
  EXPECT_EQ(GridOf(Picture("272.JPEG", 272, 400, Qt::white, "JPEG")).Total, 0);
  EXPECT_EQ(GridOf(Picture("wide.jpg", 1000, 200, Qt::white, "JPEG")).Total, 0);
  EXPECT_FALSE(Thumb(dir.filePath("273.jpg"), 300, 230, false).isNull());
  EXPECT_EQ(w, 35);
  EXPECT_EQ(h, 35);
  // A thumbnail that keeps the shape is made from the whole picture.
  EXPECT_FALSE(Thumb(dir.filePath("273.jpg")).isNull());
  EXPECT_EQ(w, 273);
}

TEST_F(PictureGrid, FilesThatAreNoPictureOfTheirExtensionLeaveTheGridAlone) {
  Picture("png-inside.jpg", 400, 400, Qt::white, "PNG");
  dir.createFile("text.png", "not a picture");
  dir.createFile("cut.jpg", testenv::ReadFile(Picture("full.jpg", 400, 400, Qt::red, "JPEG")).left(40));
  for (const char *name : {"png-inside.jpg", "cut.jpg", "missing.png", "noext"}) {
    EXPECT_EQ(GridOf(dir.filePath(name)).Total, 0) << name;
    EXPECT_TRUE(Thumb(dir.filePath(name)).isNull()) << name;
  }
  // A grid that had values keeps them when the new file gives no picture.
  TDataImage kept = Uniform(500000);
  kept.LoadFromFile(dir.filePath("text.png"));
  EXPECT_EQ(kept.Total, 1500000);
}

// Two black cells are alike, not 0 % alike.
TEST_F(PictureGrid, CellSimilarityAndTotalOrder) {
  EXPECT_DOUBLE_EQ(TDataImage::CellSimilarity(0, 0), 100);
  EXPECT_DOUBLE_EQ(TDataImage::CellSimilarity(0, 5), 0);
  EXPECT_DOUBLE_EQ(TDataImage::CellSimilarity(1000, 900), 90);
  EXPECT_DOUBLE_EQ(TDataImage::CellSimilarity(900, 1000), 90);
  TDataImage black = Uniform(500000);
  black.Cell(4, 4).p = 0;
  EXPECT_TRUE(TDataImage::IsSimilar(black, black));
  const TDataImage big = Uniform(900000), small = Uniform(300000);
  EXPECT_EQ(TDataImage::CompareTotal(big, small), -1);
  EXPECT_EQ(TDataImage::CompareTotal(small, big), 1);
  EXPECT_EQ(TDataImage::CompareTotal(big, big), 0);
}

TEST_F(PictureGrid, SimilarityAndOrderOfGrids) {
  const TDataImage base = Uniform(500000);
  // A cell exactly 90 % alike is close; one unit less is not.
  TDataImage edge = base;
  edge.Cell(10, 8).p = 450000;
  EXPECT_TRUE(TDataImage::IsSimilar(base, edge));
  EXPECT_TRUE(TDataImage::IsSimilar(edge, base));
  edge.Cell(10, 8).p = 449999;
  EXPECT_FALSE(TDataImage::IsSimilar(base, edge));
  edge.Cell(10, 8).p = 555556; // the other way round: 500000 is 89.99996 % of it
  EXPECT_FALSE(TDataImage::IsSimilar(base, edge));
  EXPECT_FALSE(TDataImage::IsSimilar(TDataImage(), TDataImage()));
  // Pixel counts play no part; a grid without a total is never similar.
  edge = base;
  edge.Cell(1, 1).c = 1;
  EXPECT_TRUE(TDataImage::IsSimilar(base, edge));
  edge.Total = 0;
  EXPECT_FALSE(TDataImage::IsSimilar(edge, base));
  TDataImage big = Uniform(900000), small = Uniform(300000);
  big.Total = qint64(1) << 40;
  small.Total = (qint64(1) << 40) - 1;
  EXPECT_EQ(TDataImage::CompareTotal(big, small), -1);
}

// The bytes of Image written as Format, progressive when the format allows it.
QByteArray Encoded(const QImage &Image, const char *Format, bool Progressive = false) {
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, Format);
  writer.setProgressiveScanWrite(Progressive);
  return writer.write(Image) ? data : QByteArray();
}

// Writes the low Bytes bytes of Value, most significant first, at At.
void PutBE(QByteArray &Data, qsizetype At, quint32 Value, int Bytes) {
  for (int i = 0; i < Bytes; ++i)
    Data[At + i] = char(Value >> (8 * (Bytes - 1 - i)));
}

// A JPEG of 16 x 16 pixels whose frame header claims Width x Height.
QByteArray JpegClaiming(int Width, int Height, bool Progressive = false) {
  QImage image(16, 16, QImage::Format_RGB32);
  image.fill(Qt::gray);
  QByteArray data = Encoded(image, "jpeg", Progressive);
  const qsizetype sof = data.indexOf(Progressive ? "\xFF\xC2" : "\xFF\xC0");
  if (sof < 0)
    return {};
  PutBE(data, sof + 5, quint32(Height), 2);
  PutBE(data, sof + 7, quint32(Width), 2);
  return data;
}

// Data after the end of a JPEG picture is never read into memory.
TEST_F(PictureGrid, JpegWithALargeTailDecodesWithinLittleMemory) {
  QFile file(Picture("tail.jpg", 400, 400, Qt::black, "JPEG"));
  ASSERT_TRUE(file.resize(qint64(3) << 30)); // sparse: costs no disk
  if (!LimitAddressSpaceTo1GiB())
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit allows";
  EXPECT_EQ(GridOf(dir.filePath("tail.jpg")).Total, 3000000);
}

// The scaled side is the exact quotient, truncated: a portrait photo of 3000 x 4000 fills all 60 lines.
TEST_F(Thumbnail, FitRectScalesExactly) {
  EXPECT_EQ(FitRect(80, 60, 3000, 4000, true), QRect(0, 0, 45, 60));
  EXPECT_EQ(FitRect(80, 60, 1, 62, true), QRect(0, 0, 0, 60));
  EXPECT_EQ(FitRect(80, 60, 20, 10, true), QRect(0, 0, 20, 10));
  EXPECT_EQ(FitRect(80, 60, 20, 10, false), QRect(0, 0, 80, 60));
}

QByteArray Svg(const QByteArray &Body, const QByteArray &Prolog = {}) {
  return Prolog +
         "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' "
         "width='100' height='80'>" +
         Body + "</svg>";
}

// Head, then Filler bytes of blanks, then Tail, gzip-compressed in a stream.
QByteArray Gzip(const QByteArray &Head, qint64 Filler = 0, const QByteArray &Tail = {}) {
  z_stream z{};
  if (deflateInit2(&z, 9, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_RLE) != Z_OK)
    return {};
  QByteArray out;
  std::vector<char> chunk(1 << 20);
  const QByteArray blanks(1 << 20, ' ');
  auto feed = [&](const QByteArray &In, int Flush) {
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(In.constData()));
    z.avail_in = uInt(In.size());
    do {
      z.next_out = reinterpret_cast<Bytef *>(chunk.data());
      z.avail_out = uInt(chunk.size());
      deflate(&z, Flush);
      out.append(chunk.data(), qsizetype(chunk.size() - z.avail_out));
    } while (z.avail_out == 0);
  };
  feed(Head, Z_NO_FLUSH);
  for (qint64 left = Filler; left > 0; left -= blanks.size())
    feed(blanks.left(qsizetype(qMin<qint64>(left, blanks.size()))), Z_NO_FLUSH);
  feed(Tail, Z_FINISH);
  deflateEnd(&z);
  return out;
}

// Smoothing is off: a progressive JPEG cut after its first scan shows every 8 x 8 block in one colour.
TEST_F(Thumbnail, CutProgressiveJpegIsNotSmoothed) {
  QImage image(64, 64, QImage::Format_RGB32);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      image.setPixel(x, y, qRgb(x * 4, y * 4, (x * y) % 256));
  const QByteArray data = Encoded(image, "jpeg", true);
  const qsizetype secondScan = data.indexOf("\xFF\xDA", data.indexOf("\xFF\xDA") + 2);
  ASSERT_GT(secondScan, 0);
  const QImage thumb = Thumb(dir.createFile("cut.jpg", data.left(secondScan)), 64, 64);
  ASSERT_FALSE(thumb.isNull());
  ASSERT_EQ(QSize(w, h), QSize(64, 64));
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      ASSERT_EQ(thumb.pixel(x, y), thumb.pixel(x / 8 * 8, y / 8 * 8)) << x << "," << y;
}

// A compressed SVG is unpacked under the same cap as any picture; beyond it, unreadable whatever its name.
TEST_F(Thumbnail, CompressedSvgIsUnpackedWithinTheLimit) {
  const QByteArray black = Svg("<rect width='100' height='80' fill='black'/>");
  const QImage small = Thumb(dir.createFile("small.svgz", Gzip(black)));
  ASSERT_FALSE(small.isNull());
  EXPECT_EQ(QSize(w, h), QSize(100, 80));
  EXPECT_EQ(small.pixel(74, 59), qRgb(0, 0, 0)); // 100 x 80 fits as 75 x 60
  EXPECT_EQ(small.pixel(75, 30), qRgb(255, 255, 255));
  EXPECT_EQ(GridOf(dir.filePath("small.svgz")).Total, 3000000);

  // A valid picture whose comment unpacks to just past 512 MB.
  const QByteArray head = black.left(black.size() - 6) + "<!--";
  const QByteArray bomb = Gzip(head, 512 * 1024 * 1024, "--></svg>");
  ASSERT_LT(bomb.size(), 1024 * 1024);
  EXPECT_TRUE(Thumb(dir.createFile("bomb.svgz", bomb)).isNull());
  EXPECT_EQ(GridOf(dir.createFile("bomb.svg", bomb)).Total, 0);
}

// An SVG linking to anything but a part of itself or data inside it is unreadable: a FIFO cannot hold
// the reader and another picture cannot show up in its thumbnail.
TEST_F(Thumbnail, SvgLinkingOutsideItselfIsRefused) {
  QImage redImage(100, 80, QImage::Format_RGB32);
  redImage.fill(Qt::red);
  const QString red = dir.createFile("red.png", Encoded(redImage, "png"));
  const QByteArray redData = "data:image/png;base64," + Encoded(redImage, "png").toBase64();
  const QByteArray inner = "data:image/svg+xml;base64," + Svg("<rect width='100' height='80'/>").toBase64();
  const QString fifo = dir.filePath("pipe.png");
  ASSERT_TRUE(hostile::MakeFifo(fifo));
  const QByteArray kDeclaration =
      "<?xml version='1.0' encoding='UTF-8' standalone='no'?>\n<!DOCTYPE svg "
      "PUBLIC '-//W3C//DTD SVG 1.1//EN' 'http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd'>\n";
  const QByteArray picture = "<image x='0' y='0' width='100' height='80' ";
  const struct {
    const char *name;
    QByteArray svg;
    bool shown;
  } cases[] = {
      {"relative", Svg(picture + "xlink:href='red.png'/>"), false},
      {"absolute", Svg(picture + "xlink:href='" + red.toUtf8() + "'/>"), false},
      {"url", Svg(picture + "xlink:href='file://" + red.toUtf8() + "'/>"), false},
      {"plain-href", Svg(picture + "href='" + red.toUtf8() + "'/>"), false},
      {"spaced-data", Svg(picture + "xlink:href=' " + redData + "'/>"), false},
      {"fragment-picture", Svg(picture + "xlink:href='#red.png'/>"), false},
      {"fifo", Svg(picture + "xlink:href='" + fifo.toUtf8() + "'/>"), false},
      {"style-sheet", Svg("", "<?xml-stylesheet type=\"text/css\" href=\"" + fifo.toUtf8() + "\"?>"), false},
      {"import", Svg("<style>@import url(" + red.toUtf8() + ");</style>"), false},
      {"entity", Svg("", "<!DOCTYPE svg [<!ENTITY e SYSTEM '" + red.toUtf8() + "'>]>"), false},
      {"other-document", Svg("<use xlink:href='other.svg#a'/>"), false},
      {"inner-document", Svg(picture + "xlink:href='" + inner + "'/>"), false},
      {"malformed", Svg(picture + "xlink:href='" + redData + "'/><g>"), false},
      {"embedded", Svg(picture + "xlink:href='" + redData + "'/>"), true},
      {"fragment",
       Svg("<defs><rect id='a' width='100' height='80' fill='red'/></defs><use xlink:href='#a'/>"), true},
      {"declared", Svg("<!-- by hand --><rect width='100' height='80' fill='red'/>", kDeclaration), true},
  };
  for (const auto &c : cases) {
    const QString path = dir.createFile(QString::fromLatin1(c.name) + ".svg", c.svg);
    QImage thumb;
    EXPECT_TRUE(hostile::FinishesWithoutWaitingOn(fifo, [&] { thumb = Thumb(path); })) << c.name;
    EXPECT_EQ(!thumb.isNull(), c.shown) << c.name;
    if (c.shown) {
      EXPECT_EQ(thumb.pixel(40, 30), qRgb(255, 0, 0)) << c.name;
    }
  }
}

TEST_F(Thumbnail, OnlyRegularFilesAreRead) {
  const QString fifo = dir.filePath("pipe.jpg");
  ASSERT_TRUE(hostile::MakeFifo(fifo));
  ASSERT_TRUE(hostile::MakeFifo(dir.filePath("pipe.png")));
  ASSERT_TRUE(QFile::link("/dev/zero", dir.filePath("zero.bmp")));
  ASSERT_TRUE(QFile::link(Picture("black.png", 50, 50, Qt::black, "PNG"), dir.filePath("link.png")));
  for (const char *name : {"pipe.jpg", "pipe.png", "zero.bmp", "link.png"}) {
    QImage thumb;
    const QString path = dir.filePath(name);
    EXPECT_TRUE(hostile::FinishesWithoutWaitingOn(
        path.endsWith(".bmp") || path.endsWith("link.png") ? fifo : path, [&] { thumb = Thumb(path); }))
        << name;
    EXPECT_TRUE(thumb.isNull()) << name;
  }
  EXPECT_NE(GridOf(dir.filePath("black.png")).Total, 0);
}

// A PNG of 16 x 16 pixels whose header claims Width x Height (its checksum made to match).
QByteArray PngClaiming(quint32 Width, quint32 Height) {
  QImage image(16, 16, QImage::Format_RGB32);
  image.fill(Qt::gray);
  QByteArray data = Encoded(image, "png");
  PutBE(data, 16, Width, 4);
  PutBE(data, 20, Height, 4);
  PutBE(data, 29, quint32(crc32(0, reinterpret_cast<const Bytef *>(data.constData() + 12), 17)), 4);
  return data;
}

// A damaged header may claim a picture the 512 MB limit could never hold (4 bytes a pixel): refused
// before decoding, even where only its eighth would be decoded, and a progressive one too.
TEST_F(PictureGrid, PicturesClaimingMoreThanTheLimitAreRefusedUnread) {
  const QByteArray progressive = JpegClaiming(20000, 20000, true);
  ASSERT_FALSE(progressive.isEmpty());
  for (const QString &path : {dir.createFile("progressive.jpg", progressive),
                              dir.createFile("huge.jpg", JpegClaiming(65500, 65500)),
                              dir.createFile("huge.png", PngClaiming(65500, 65500))}) {
    EXPECT_TRUE(Thumb(path, 300, 230, false).isNull()) << path.toStdString();
    EXPECT_TRUE(Thumb(path).isNull()) << path.toStdString();
    EXPECT_EQ(GridOf(path).Total, 0) << path.toStdString();
  }
  // 11585 x 11585 x 4 bytes is just within the limit, 11586 x 11586 just beyond.
  EXPECT_NE(GridOf(dir.createFile("within.jpg", JpegClaiming(11585, 11585))).Total, 0);
  EXPECT_EQ(GridOf(dir.createFile("beyond.jpg", JpegClaiming(11586, 11586))).Total, 0);
}

// An ICNS part claiming 4 GiB makes Qt's reader allocate it before reading: refused; an honest one shows.
TEST_F(Thumbnail, IcnsClaimingMoreThanItHoldsIsRefusedUnread) {
  QImage image(32, 32, QImage::Format_RGB32);
  image.fill(Qt::blue);
  QByteArray honest = Encoded(image, "icns");
  if (honest.isEmpty())
    GTEST_SKIP() << "this Qt writes no ICNS";
  const QByteArray lying = QByteArray::fromHex(
      "69636e73000000d8544f43200000001069637035ffffffffffffffff000000c089504e470d0a1a0a0000000d49484452"
      "00000020000000200802000000fc18eda3000000097048597300000ec400000ec401952b0e1b0000006a494441544889"
      "633cb1636e73000000d8544f4320282c6041e3ef38a17fe78904f1fa3d2c2ea8c8bc24c182f3b7148f5e2221e11aa83e"
      "c06fc1d08f83510b462d18b560d482c160017a71ed6171c140f501f1fa95655e906681a11a09a61303867e1c8c5a306a"
      "01e500006e2812b6c4efc8ec0000000049454e44ae426082");
  dir.createFile("lying.icns", lying);
  EXPECT_FALSE(Thumb(dir.createFile("honest.icns", honest)).isNull());
  if (!LimitAddressSpaceTo1GiB())
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit allows";
  EXPECT_TRUE(Thumb(dir.filePath("lying.icns")).isNull());
  EXPECT_EQ(GridOf(dir.filePath("lying.icns")).Total, 0);
}

} // namespace
