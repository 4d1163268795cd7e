#pragma once

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QString>

namespace stippon {

class _stipple_document;

// The window's status bar: what was done last and the enlarged-input note on the left; the file,
// the print's size and the zoom on the right.
class _status_line {
 public:
  QLabel* message = nullptr;
  QLabel* note = nullptr;
  QLabel* file = nullptr;
  QLabel* size = nullptr;
  QLabel* zoom = nullptr;
  // A long recomputation's progress, and its Cancel button when it can be cancelled.
  QProgressBar* work = nullptr;
  QPushButton* cancel = nullptr;

  explicit _status_line(QStatusBar* bar);

  void show_done(const QString& text, const QString& path = QString());
  // Clears a message that no longer holds, unless another has taken its place.
  void take_back(const QString& text);
  void show_file(const QString& path);
  // The print in the chosen units and in pixels at the save resolution; nothing before a picture.
  void show_print(const _stipple_document& doc);
  // Screen pixels per print pixel, in percent.
  void show_zoom(double scale);
  void show_enlarged(bool on);
  void show_work(int thousandths, bool cancellable);
  void end_work();
};

// "14024 × 9348": a raster's pixels.
QString pixels_text(unsigned width, unsigned height);
// "Saved prints/cat_1200ppi.pgm, 14024 × 9348, in 2.1 s": a path under the working directory
// relative to it, any other by its file name (the status bar shows the folder on hovering),
// and what the file holds.
QString done_text(const QString& verb, const QString& path, const QString& what, double seconds);
QString done_text(const QString& verb, const QString& path, unsigned width, unsigned height,
                  double seconds);
// "210.0 × 148.5 mm, 542113 dots": a drawing's page, given in pixels at 300 ppi, and its dots.
QString drawing_text(unsigned width, unsigned height, size_t dots);

}  // namespace stippon
