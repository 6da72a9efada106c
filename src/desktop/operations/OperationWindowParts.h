#pragma once
#include <QRect>
#include <QString>
#include <initializer_list>
#include <string>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QWidget;

namespace drivecopy {

class LabelButton;
class OperationMemo;

// What the three operation windows (create image, restore image, clone
// drives) share in look and small behaviour, so that they look and feel alike.

// A top-level window of fixed size with a title bar, the system menu, a
// minimise button and no maximise button.
Qt::WindowFlags OperationWindowFlags();

// The bold "Start" / "Abort" labels: bold, 13 pixels, dark grey, right-aligned.
void StyleCommandLabel(LabelButton& label);

// While an operation window is shown the main window is disabled and hidden;
// afterwards it comes back enabled, where it was (a window manager may
// otherwise place a window it maps again anywhere).
void HideMainWindow(QWidget& mainWindow);
void ShowMainWindowAgain(QWidget& mainWindow);

// Makes the translated captions fit: Cancel keeps its right edge and grows to
// the left for a longer text; Start ends a little before Cancel's text and
// grows to the left too. Check boxes under `container` widen to their text as
// far as their parent allows. Run after the captions are set (on show).
void FitCommandLabels(LabelButton& start, LabelButton& cancel);
void FitCheckBoxes(QWidget& container);

// Hover rule of the command labels: entering turns the text green
// (69, 196, 97) and, when `handCursor`, the cursor into the hand; leaving
// turns the text dark grey (76, 76, 76) and the cursor back to the default.
// A disabled label is drawn light grey either way.
// `colour` false leaves the text colour alone (the clone window's labels).
void ShowCommandLabelHover(LabelButton& label, bool entered, bool handCursor, bool colour = true);

// A label or check box named `objectName` on `parent` at `bounds`.
QLabel* MakeLabel(QWidget& parent, const char* objectName, const QString& caption, const QRect& bounds,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
QCheckBox* MakeCheckBox(QWidget& parent, const char* objectName, const QString& caption, const QRect& bounds);

// A read-only memo with a vertical scroll bar; `wrapLines` false adds the
// horizontal bar and keeps every line on one row.
QPlainTextEdit* MakeOperationMemoView(QWidget& parent, const QString& objectName, bool wrapLines);

// Appends one line to the window's memo lines (what the log saves) and to its
// view. A line holding CR LF shows as several rows.
void AppendMemoLine(OperationMemo& lines, QPlainTextEdit& view, const std::string& line);

// Shows a line in the view only: for a line a job has already put into the
// memo lines itself and reports to its observer.
void ShowMemoLine(QPlainTextEdit& view, const std::string& line);

// Progress captions ("Bytes Remaining:") with their value labels beside
// them: the values start at `designLeft`, or further right when a caption in
// the window's language is longer, so that a caption is never cut or covered.
struct CaptionAndValue {
  QLabel* Caption;
  QLabel* Value;
};
void AlignValueColumn(std::initializer_list<CaptionAndValue> rows, int designLeft);

// Moves `window` so that its centre lies on the centre of `over`.
void CentreOver(QWidget& window, const QWidget& over);

// The colours of the command labels.
inline constexpr int HoverRed = 69, HoverGreen = 196, HoverBlue = 97;
inline constexpr int RestingGrey = 76;
inline constexpr int DisabledGrey = 170;  // a disabled label (Start while a job runs)

}  // namespace drivecopy
