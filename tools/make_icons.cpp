// Draws the three File menu icons into a folder (default "data/icons"):
// fileopen.png (an open folder), filesave.png (a floppy disk) and exit.png (a door with an arrow),
// and the application icon, a stippled ball on a sheet, as stippon.svg and stippon_48.png and
// stippon_256.png, both drawn from one list of dots.
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const int SIZE = 48;

// The application icon in a square of APP_UNITS units, with the ball lit from the upper left.
const double APP_UNITS = 256.0;
const double SHEET_MARGIN = 12.0;
const double SHEET_CORNER = 36.0;
const double SHEET_EDGE = 5.0;
const double DOT_PITCH = 11.0;
const double DOT_JITTER = 1.6;
const double BALL_X = 124.0, BALL_Y = 116.0, BALL_RADIUS = 84.0;
const double SHADOW_X = 150.0, SHADOW_Y = 214.0, SHADOW_RX = 80.0, SHADOW_RY = 16.0;
const double SHADOW_DARKNESS = 0.3;
const double LIGHT[3] = {-0.48, -0.58, 0.66};
const double AMBIENT = 0.12;
const double FAINTEST_DOT = 0.04;
const int APP_PNG_SIZES[] = {48, 256};
const char* const SHEET_FILL = "#f6f1e6";
const char* const SHEET_STROKE = "#7d6b52";
const char* const INK = "#1e1b29";

struct _dot {
  double x, y, r;
};

// A fixed hash of a grid position: the same "random" offsets on every run.
double jitter(int row, int column, uint32_t salt) {
  uint32_t h = uint32_t(row) * 73856093u ^ uint32_t(column) * 19349663u ^ salt * 83492791u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return (double(h & 0xffff) / 0xffff * 2.0 - 1.0) * DOT_JITTER;
}

// How dark the ball and its shadow are at a point, 0 (paper) to 1 (ink).
double darkness(double x, double y) {
  const double dx = (x - BALL_X) / BALL_RADIUS, dy = (y - BALL_Y) / BALL_RADIUS;
  const double d2 = dx * dx + dy * dy;
  if (d2 < 1.0) {
    const double dz = std::sqrt(1.0 - d2);
    const double lit = std::max(0.0, dx * LIGHT[0] + dy * LIGHT[1] + dz * LIGHT[2]);
    return 1.0 - (AMBIENT + (1.0 - AMBIENT) * lit);
  }
  const double sx = (x - SHADOW_X) / SHADOW_RX, sy = (y - SHADOW_Y) / SHADOW_RY;
  const double s2 = sx * sx + sy * sy;
  return s2 < 1.0 ? SHADOW_DARKNESS * (1.0 - s2) : 0.0;
}

// Dots on a hexagonal grid, their area following the darkness, as in a stippled print.
std::vector<_dot> app_dots() {
  std::vector<_dot> dots;
  const double row_pitch = DOT_PITCH * std::sqrt(3.0) / 2.0;
  const double inner = SHEET_MARGIN + SHEET_EDGE + DOT_PITCH / 2.0;
  for (int row = 0; inner + row * row_pitch < APP_UNITS - inner; ++row) {
    for (int column = 0; inner + column * DOT_PITCH < APP_UNITS - inner; ++column) {
      const double x =
          inner + column * DOT_PITCH + (row % 2) * DOT_PITCH / 2.0 + jitter(row, column, 1);
      const double y = inner + row * row_pitch + jitter(row, column, 2);
      const double dark = darkness(x, y);
      if (dark < FAINTEST_DOT) continue;
      dots.push_back({x, y, DOT_PITCH * 0.58 * std::sqrt(dark)});
    }
  }
  return dots;
}

std::string app_svg(const std::vector<_dot>& dots) {
  char line[200];
  std::snprintf(line, sizeof line,
                "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%g\" height=\"%g\" "
                "viewBox=\"0 0 %g %g\">\n",
                APP_UNITS, APP_UNITS, APP_UNITS, APP_UNITS);
  std::string svg = line;
  const double side = APP_UNITS - 2.0 * SHEET_MARGIN;
  std::snprintf(line, sizeof line,
                "<rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" rx=\"%g\" fill=\"%s\" "
                "stroke=\"%s\" stroke-width=\"%g\"/>\n",
                SHEET_MARGIN, SHEET_MARGIN, side, side, SHEET_CORNER, SHEET_FILL, SHEET_STROKE,
                SHEET_EDGE);
  svg += line;
  svg += std::string("<g fill=\"") + INK + "\">\n";
  for (const _dot& dot : dots) {
    std::snprintf(line, sizeof line, "<circle cx=\"%.2f\" cy=\"%.2f\" r=\"%.2f\"/>\n", dot.x, dot.y,
                  dot.r);
    svg += line;
  }
  return svg + "</g>\n</svg>\n";
}

QImage app_png(const std::vector<_dot>& dots, int size) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / APP_UNITS, size / APP_UNITS);
  const double side = APP_UNITS - 2.0 * SHEET_MARGIN;
  painter.setPen(QPen(QColor(SHEET_STROKE), SHEET_EDGE));
  painter.setBrush(QColor(SHEET_FILL));
  painter.drawRoundedRect(QRectF(SHEET_MARGIN, SHEET_MARGIN, side, side), SHEET_CORNER,
                          SHEET_CORNER);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(INK));
  for (const _dot& dot : dots) painter.drawEllipse(QPointF(dot.x, dot.y), dot.r, dot.r);
  return image;
}

QImage blank() {
  QImage image(SIZE, SIZE, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  return image;
}

QPen outline(const QColor& colour, qreal width = 2.0) {
  return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QImage open_icon() {
  QImage image = blank();
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor edge(120, 80, 10);

  // The back of the folder with its tab.
  QPainterPath back;
  back.moveTo(4, 12);
  back.lineTo(17, 12);
  back.lineTo(21, 16);
  back.lineTo(38, 16);
  back.lineTo(38, 40);
  back.lineTo(4, 40);
  back.closeSubpath();
  painter.setPen(outline(edge));
  painter.setBrush(QColor(222, 168, 52));
  painter.drawPath(back);

  // A sheet of paper sticking out.
  painter.setPen(outline(QColor(130, 130, 130), 1.5));
  painter.setBrush(Qt::white);
  painter.drawRect(QRectF(16, 8, 19, 24));

  // The front flap, tilted open.
  const QPolygonF front({QPointF(4, 40), QPointF(12, 22), QPointF(45, 22), QPointF(38, 40)});
  QLinearGradient light(0, 22, 0, 40);
  light.setColorAt(0, QColor(255, 222, 120));
  light.setColorAt(1, QColor(240, 188, 70));
  painter.setPen(outline(edge));
  painter.setBrush(light);
  painter.drawPolygon(front);
  return image;
}

QImage save_icon() {
  QImage image = blank();
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);

  // The disk body, its top right corner cut.
  QPainterPath body;
  body.moveTo(5, 5);
  body.lineTo(37, 5);
  body.lineTo(43, 11);
  body.lineTo(43, 43);
  body.lineTo(5, 43);
  body.closeSubpath();
  QLinearGradient blue(0, 5, 0, 43);
  blue.setColorAt(0, QColor(70, 110, 190));
  blue.setColorAt(1, QColor(35, 65, 140));
  painter.setPen(outline(QColor(20, 35, 80)));
  painter.setBrush(blue);
  painter.drawPath(body);

  // The metal shutter with its window.
  painter.setPen(outline(QColor(90, 90, 90), 1.5));
  painter.setBrush(QColor(205, 210, 215));
  painter.drawRect(QRectF(13, 6, 20, 13));
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(35, 65, 140));
  painter.drawRect(QRectF(26, 8.5, 4, 8));

  // The label, with writing lines.
  painter.setPen(outline(QColor(150, 150, 150), 1.5));
  painter.setBrush(Qt::white);
  painter.drawRoundedRect(QRectF(10, 25, 28, 16), 2, 2);
  painter.setPen(outline(QColor(160, 160, 200), 1.5));
  painter.drawLine(QPointF(14, 30), QPointF(34, 30));
  painter.drawLine(QPointF(14, 35), QPointF(30, 35));
  return image;
}

QImage exit_icon() {
  QImage image = blank();
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);

  // The door frame, and the door swung open towards the viewer.
  painter.setPen(outline(QColor(70, 45, 20)));
  painter.setBrush(QColor(60, 60, 70));
  painter.drawRect(QRectF(6, 4, 22, 40));
  const QPolygonF door({QPointF(6, 4), QPointF(18, 9), QPointF(18, 47), QPointF(6, 44)});
  QLinearGradient wood(6, 0, 18, 0);
  wood.setColorAt(0, QColor(150, 95, 45));
  wood.setColorAt(1, QColor(190, 125, 65));
  painter.setBrush(wood);
  painter.drawPolygon(door);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(240, 200, 80));
  painter.drawEllipse(QPointF(15.5, 27), 1.6, 1.6);

  // The arrow leading out.
  const QPolygonF arrow({QPointF(22, 21), QPointF(33, 21), QPointF(33, 14), QPointF(45, 25),
                         QPointF(33, 36), QPointF(33, 29), QPointF(22, 29)});
  painter.setPen(outline(QColor(120, 10, 10), 1.5));
  painter.setBrush(QColor(215, 40, 35));
  painter.drawPolygon(arrow);
  return image;
}

bool save(const QImage& image, const QString& folder, const QString& name) {
  const QString path = QDir(folder).filePath(name);
  if (image.save(path, "PNG")) return true;
  std::fprintf(stderr, "Cannot write %s\n", qPrintable(path));
  return false;
}

bool save_app_icon(const QString& folder) {
  const std::vector<_dot> dots = app_dots();
  for (int size : APP_PNG_SIZES)
    if (!save(app_png(dots, size), folder, QString("stippon_%1.png").arg(size))) return false;
  const QString path = QDir(folder).filePath("stippon.svg");
  QFile file(path);
  const std::string svg = app_svg(dots);
  if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
      file.write(svg.data(), qint64(svg.size())) == qint64(svg.size()))
    return true;
  std::fprintf(stderr, "Cannot write %s\n", qPrintable(path));
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("data/icons");
  if (!QDir().mkpath(folder)) {
    std::fprintf(stderr, "Cannot create %s\n", qPrintable(folder));
    return 1;
  }
  const bool ok = save(open_icon(), folder, "fileopen.png") &&
                  save(save_icon(), folder, "filesave.png") &&
                  save(exit_icon(), folder, "exit.png") && save_app_icon(folder);
  return ok ? 0 : 1;
}
