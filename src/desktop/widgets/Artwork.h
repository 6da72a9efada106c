#pragma once
#include <QIcon>
#include <QImage>
#include <QPixmap>

// Every picture the program shows is drawn here at run time: nothing is read
// from image files. Colours follow the main window's blue (RGB 127, 179, 211).
namespace drivecopy::artwork {

// The start screen's 4 x 4 background tile; its four one-pixel rows are, from
// the top, RGB 127,179,211 / 128,179,211 / 155,195,217 / 152,194,217.
QImage StartScreenTile();

enum class StartButton { CreateImage, RestoreImage, CloneDrives };
// A 209 x 59 start-screen button image: an icon and `caption` (when empty,
// the English one: "Create Image", "Restore Image", "Clone Drives") in blue
// and dark grey, or in green for the hover image; transparent background.
QPixmap StartButtonImage(StartButton button, bool hover, const QString& caption = {});

// The program icon (a drive with a copy arrow), drawn at `size`.
QPixmap ProgramIcon(const QSize& size);

enum class DriveIconKind { HardDisk, Usb, Floppy, Removable };
// 32 x 32 list icons for drives by interface type.
QIcon DriveIcon(DriveIconKind kind);

// The small folder image of the create window's path button (about 24 x 22).
QPixmap FolderImage();

}  // namespace drivecopy::artwork
