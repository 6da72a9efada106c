#pragma once
#include <string>

#include "platform/Platform.h"
#include "text/MessageTexts.h"

namespace drivecopy {

// The create-image log: the image path exactly as given, with ".log"
// appended ("D:\backup.img" gives "D:\backup.img.log", "D:\x" gives "D:\x.log").
std::string CreateImageLogName(const std::string& imagePath);

// A date written with a Windows date pattern: d (day), dd (two-digit day),
// ddd / dddd (English day name, short / long), M, MM, MMM, MMMM (month as
// number or English name), y (year without century, no padding), yy (two
// digits), yyy and longer (full year); text in single quotes is literal, ''
// is a quote, and every other character is copied as it stands.
std::string FormatDate(const std::string& pattern, const CalendarDate& date);

// The clone log: `currentDirectory`, then `separator` unless the directory
// already ends in it, then "TALVO_Cloning_Log ", the date in
// `shortDateFormat`, and ".txt". All clone runs of one day share this name.
// Characters of the date that a file name cannot hold (/ \ : * ? " < > |)
// become '-', so a format such as "M/d/yyyy" gives "3-15-2013" instead of a
// path into a folder that does not exist.
std::string CloneLogName(const std::string& currentDirectory, char separator,
                         const std::string& shortDateFormat, const CalendarDate& date);

// The memo line announcing a log when the "Write log file" box is ticked. The
// shared message "Creating a log file %s.log" names its file as "%s.log";
// here that whole "%s.log" (or, in a translation without ".log", the "%s")
// becomes the exact name of the file written, so the line names that file and
// no other. A translation without "%s" gets the name after a blank.
std::string LogAnnouncement(const MessageTexts& texts, const std::string& logFileName);

// The clone window's line: LogAnnouncement with the clone log's name, which
// ends in ".txt" (the shared message would otherwise name "....txt.log").
std::string CloneLogAnnouncement(const MessageTexts& texts, const std::string& cloneLogName);

// The create window's line: the image path in the message's "%s", which
// names CreateImageLogName(imagePath).
std::string CreateImageLogAnnouncement(const MessageTexts& texts, const std::string& imagePath);

}  // namespace drivecopy
