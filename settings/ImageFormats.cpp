#include "settings/ImageFormats.h"

#include <QImageReader>

QStringList GetImageExtensions() {
  QStringList extensions{QStringLiteral("jpeg"), QStringLiteral("jpg")};
  for (const QByteArray &format : QImageReader::supportedImageFormats())
    extensions << QString::fromLatin1(format).toLower();
  extensions.sort(Qt::CaseInsensitive);
  extensions.removeDuplicates();
  return extensions;
}

QString GetImageExtensionList() {
  QStringList masks;
  for (const QString &extension : GetImageExtensions())
    masks << QStringLiteral("*.") + extension;
  return masks.join(QLatin1Char(';'));
}
