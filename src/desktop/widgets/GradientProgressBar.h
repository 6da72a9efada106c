#pragma once
#include <QWidget>

namespace drivecopy {

// A progress bar from 0 to Maximum() whose filled part is drawn as a colour
// gradient of one of two schemes: Sky (blues, the main bars) and Grass
// (greens, the thin buffer bar).
class GradientProgressBar : public QWidget {
  Q_OBJECT
 public:
  enum class ColourScheme { Sky, Grass };

  explicit GradientProgressBar(ColourScheme scheme, QWidget* parent = nullptr);

  int Position() const { return position_; }
  int Maximum() const { return maximum_; }
  ColourScheme Scheme() const { return scheme_; }
  void SetPosition(int position);  // clamped to 0..Maximum(); repaints
  void SetMaximum(int maximum);    // at least 1

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  ColourScheme scheme_;
  int position_ = 0;
  int maximum_ = 100;
};

}  // namespace drivecopy
