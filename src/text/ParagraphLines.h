#pragma once
#include <string>
#include <string_view>

namespace drivecopy {

// `text` with the lines of each paragraph joined by single blanks, for a box
// that wraps its text by itself: hard line breaks inside a paragraph would
// break its lines a second time, raggedly. Paragraphs (separated by an empty
// line) stay apart, one empty line between them; blanks at the ends of lines
// and empty lines at the ends of the text go. Line breaks may be CR LF or LF;
// the result uses LF.
std::string JoinParagraphLines(std::string_view text);

}  // namespace drivecopy
