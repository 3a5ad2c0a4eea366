// Writes the seed corpus of the fuzz targets from the test generators and a few hand-made inputs:
//   fuzz_make_seeds <folder>   (the repository keeps its output in fuzz/corpus)
// The first byte of a picture, archive or music seed chooses the format, as the targets read it.
#include "engine/CompareImage.h"
#include "engine/UsePropertyFile.h"
#include "settings/ImageFormats.h"
#include "tests/engine/MediaFiles.h"
#include "tests/support/TestArchives.h"
#include "tests/support/TestEnv.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>
#include <zlib.h>

namespace {

QByteArray Gzip(const QByteArray &Data) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
  QByteArray out(qsizetype(deflateBound(&z, uLong(Data.size()))) + 32, '\0');
  z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(Data.constData()));
  z.avail_in = uInt(Data.size());
  z.next_out = reinterpret_cast<Bytef *>(out.data());
  z.avail_out = uInt(out.size());
  deflate(&z, Z_FINISH);
  out.resize(qsizetype(z.total_out));
  deflateEnd(&z);
  return out;
}

QString g_root;

void Put(const QString &Target, const QString &Name, const QByteArray &Bytes) {
  QDir().mkpath(g_root + '/' + Target);
  QFile file(g_root + '/' + Target + '/' + Name);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(Bytes) != Bytes.size())
    std::fprintf(stderr, "cannot write %s/%s\n", qPrintable(Target), qPrintable(Name));
}

// A generated file's bytes behind the byte that chooses its kind.
void PutMade(const QString &Target, const QString &Name, int Kind, const QString &Made) {
  Put(Target, Name, QByteArray(1, char(Kind)) + testenv::ReadFile(Made));
}

QImage Drawing() {
  QImage image(48, 40, QImage::Format_RGB32);
  image.fill(QColor(200, 180, 40));
  QPainter painter(&image);
  painter.fillRect(8, 8, 24, 20, QColor(20, 40, 160));
  return image;
}

void Pictures(const QString &Work) {
  const QStringList extensions = GetImageExtensions();
  const QList<QByteArray> writable = QImageWriter::supportedImageFormats();
  for (int i = 0; i < extensions.size(); ++i) {
    const QByteArray format = extensions.at(i).toLatin1();
    if (!writable.contains(format))
      continue;
    const QString path = Work + "/p." + extensions.at(i);
    if (Drawing().save(path, format.constData(), 80))
      PutMade("picture", "drawing." + extensions.at(i), i, path);
  }
  const QByteArray svg =
      "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' "
      "width='48' height='40'><defs><linearGradient id='g'><stop offset='0' stop-color='red'/>"
      "<stop offset='1' stop-color='blue'/></linearGradient><rect id='r' width='20' "
      "height='10'/></defs><rect width='48' height='40' fill='url(#g)'/><use xlink:href='#r' "
      "x='4' y='4'/><text x='2' y='38' font-size='8'>Aa</text></svg>";
  Put("picture", "drawing.svg", QByteArray(1, char(extensions.indexOf("svg"))) + svg);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  QImage(8, 8, QImage::Format_RGB32).save(&buffer, "PNG");
  const QByteArray embedded =
      "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' "
      "width='40' height='40'><image width='40' height='40' xlink:href='data:image/png;base64," +
      png.toBase64() + "'/></svg>";
  Put("picture", "embedded.svg", QByteArray(1, char(extensions.indexOf("svg"))) + embedded);
  // Formats Qt reads but does not write, by hand: a GIF of 1 x 1 pixel and a TGA of 2 x 2.
  Put("picture", "dot.gif",
      QByteArray(1, char(extensions.indexOf("gif"))) +
          QByteArray("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01"
                     "\x00\x00\x02\x02D\x01\x00;",
                     35));
  QByteArray tga(18, '\0');
  tga[2] = 2;
  tga[12] = 2;
  tga[14] = 2;
  tga[16] = 24;
  Put("picture", "square.tga", QByteArray(1, char(extensions.indexOf("tga"))) + tga + QByteArray(12, '\x7f'));
  Put("picture", "compressed.svgz", QByteArray(1, char(extensions.indexOf("svgz"))) + Gzip(svg));
}

void Archives(const QString &Work) {
  using testarchive::Entry;
  const QList<Entry> entries{{"a.txt", "alpha"},
                             {"docs/b.txt", QByteArray(300, 'b')},
                             {"docs", {}, true},
                             {"empty.txt", {}},
                             {"docs/c.bin", QByteArray("\x00\x01\x02\x03", 4)}};
  const struct {
    const char *name;
    int kind;
  } kinds[] = {{"a.zip", 0}, {"a.rar", 1}, {"a.exe", 2}};
  for (const auto &k : kinds) {
    const QString path = Work + '/' + k.name;
    if (testarchive::WriteByName(path, entries))
      PutMade("archive", k.name, k.kind, path);
  }
  const QString locked = Work + "/locked.zip";
  if (testarchive::WriteZip(locked, {{"secret.txt", "hidden"}}, "pw"))
    PutMade("archive", "locked.zip", 0, locked);
  const QString link = Work + "/link.zip";
  Entry linked{"up", {}};
  linked.linkTarget = "../../etc";
  if (testarchive::WriteZip(link, {linked, {"up/x.txt", "x"}, {"../escape.txt", "e"}}))
    PutMade("archive", "link.zip", 0, link);
}

void Tags(const QString &Work) {
  const media::Tag tag{"Title", "Artist", "Album"};
  if (media::SaveMp3(Work + "/a.mp3", &tag, &tag))
    PutMade("tags", "both.mp3", 0, Work + "/a.mp3");
  if (media::SaveMp3(Work + "/v1.mp3", &tag, nullptr))
    PutMade("tags", "v1.mp3", 0, Work + "/v1.mp3");
  if (media::SaveOgg(Work + "/a.ogg", tag))
    PutMade("tags", "a.ogg", 1, Work + "/a.ogg");
  if (media::SaveWma(Work + "/a.wma", tag))
    PutMade("tags", "a.wma", 2, Work + "/a.wma");
}

void Results(const QString &Work) {
  // Folders that exist nowhere, so the seed stays the same from run to run.
  const QString data = QStringLiteral("/pairhound-seed");
  TUseFileList list;
  list.SetFilter({1, 2, 3, 4}, QStringList{data + "/"}, QStringList(), QStringLiteral("zr"));
  const int plain = list.AddFile(data + '/', "a.txt", 5, nullptr);
  list.GetItem(plain)->FileItem.Code = 42;
  list.GetItem(plain)->WhatRead_Code = true;
  const int copy = list.AddFile(data + "/sub/", "a copy.txt", 5, nullptr);
  list.GetItem(copy)->FileItem.Code = 42;
  list.GetItem(copy)->WhatRead_Code = true;
  TUseFileProperty *song = list.GetItem(list.AddFile(data + '/', "b.mp3", 4000, nullptr));
  song->SetMusicTag({"Song <live>", "Me", "Album"});
  song->WhatRead_Mp3 = true;
  TUseFileProperty *picture = list.GetItem(list.AddFile(data + '/', "c.png", 900, nullptr));
  picture->DataImage = std::make_unique<TDataImage>();
  picture->DataImage->FillFromBitmap(Drawing().scaled(300, 230));
  const int box = list.AddFile(data + '/', "box.zip", 300, nullptr);
  list.GetItem(box)->Owner = list.GetItem(box);
  list.AddFile("docs/", "in.txt", 10, list.GetItem(box));
  list.SaveToFile(Work + "/r.wzr");
  const QByteArray saved = testenv::ReadFile(Work + "/r.wzr");
  Put("resultfile", "sample.wzr", saved);
  Put("resultfile", "empty.wzr", "<WhatFind=[1]><PathsInclude=/;><Archive=>\r\n0\r\n");
  const QList<QByteArray> lines = saved.split('\n');
  for (int i = 0; i < lines.size(); ++i)
    if (!lines.at(i).trimmed().isEmpty())
      Put("recordtext", QString("line%1").arg(i), lines.at(i).trimmed());
  Put("recordtext", "nested", "<a=<b=<c=1>>><d=x>y>><Main_Size=-1>");
}

void Texts() {
  Put("translation", "English.wzl", testenv::ReadFile(testenv::SourceDir() + "/Language/English.wzl"));
  Put("translation", "forms.wzl",
      "Language=Forms\n2045=[first\n  second ]\n243=Marked %s of %s, %1:s %0:S %% %9:s %x\n"
      "1=Quillfern Twinsweep|Twinsweep\n2046=[a]b\n x = y \n");
  Put("filemask", "sets", "*.[a-c!]?[!x-z]*\nname.b1q\nNAME.Bxa\n.b\n");
  Put("filemask", "list", "*.jpg;*.JPEG;a*b*c;;[;x\nphoto.JPG\naXbYc\nx\n");
  Put("filemask", "stars", "**a*?*b\nab\naxxb\nzzazzbzz\n");
}

} // namespace

int main(int argc, char **argv) {
  testenv::IsolateUserFolders();
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_make_seeds <folder>\n");
    return 2;
  }
  g_root = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
  QTemporaryDir work;
  Pictures(work.path());
  Archives(work.path());
  Tags(work.path());
  Results(work.path());
  Texts();
  return 0;
}
