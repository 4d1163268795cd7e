// Draws the three File menu icons into a folder (default "data/icons"):
// fileopen.png (an open folder), filesave.png (a floppy disk) and exit.png (a door with an arrow).
#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cstdio>

namespace {

const int SIZE = 48;

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

bool save(const QImage& image, const QString& folder, const char* name) {
  const QString path = QDir(folder).filePath(name);
  if (image.save(path, "PNG")) return true;
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
                  save(exit_icon(), folder, "exit.png");
  return ok ? 0 : 1;
}
