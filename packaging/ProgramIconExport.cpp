// drivecopy_icon_export FOLDER SIZE...: writes the program icon, drawn by the
// program's own artwork, as FOLDER/<SIZE>x<SIZE>/apps/drivecopy.png for each
// size, laid out as an icon theme's folder (share/icons/hicolor). Runs at
// build time on Qt's offscreen platform, so no display is needed.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <charconv>
#include <iostream>
#include <string_view>

#include "desktop/widgets/Artwork.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: drivecopy_icon_export FOLDER SIZE...\n";
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int toolkitArgc = 1;
  QGuiApplication application(toolkitArgc, argv);
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  for (int i = 2; i < argc; ++i) {
    const std::string_view word = argv[i];
    int size = 0;
    const auto [end, status] = std::from_chars(word.data(), word.data() + word.size(), size);
    if (status != std::errc() || end != word.data() + word.size() || size < 1 || size > 4096) {
      std::cerr << "drivecopy_icon_export: not a size: " << word << "\n";
      return 2;
    }
    const QString place = QString("%1x%1/apps").arg(size);
    const QString path = folder.filePath(place + "/drivecopy.png");
    const QImage icon = drivecopy::artwork::ProgramIcon(QSize(size, size)).toImage();
    if (!folder.mkpath(place) || !icon.save(path, "PNG")) {
      std::cerr << "drivecopy_icon_export: cannot write " << path.toStdString() << "\n";
      return 1;
    }
  }
  return 0;
}
