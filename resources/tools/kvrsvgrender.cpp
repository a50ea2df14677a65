// Renders the player's vector pictures into the files the build embeds or installs.
//
//   kvrsvgrender <manifest> <svg folder> <output folder>
//
// Each manifest line: <svg> <output path> <width> <height> [hidpi] [ico=16,32,...]
// "hidpi" also writes the picture at twice the size as "<name>@2x.<ext>"; "ico=" writes a Windows
// icon file holding one 32-bit image per listed size. A picture whose proportions differ from the
// drawing's is filled edge to edge and cropped in the middle. Lines starting with '#' are comments.

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>
#include <QTextStream>
#include <QtEndian>

#include <cstdio>

namespace {

QImage render(QSvgRenderer &svg, int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const QRectF box = svg.viewBoxF();
    const double scale = qMax(width / box.width(), height / box.height());
    const QSizeF drawn(box.width() * scale, box.height() * scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    svg.render(&painter, QRectF(QPointF((width - drawn.width()) / 2, (height - drawn.height()) / 2), drawn));
    return image;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(data);
    return file.commit();
}

QByteArray png(const QImage &image)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}

template <typename T> void put(QByteArray &out, T value)
{
    const T le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char *>(&le), sizeof(T));
}

// A 32-bit DIB entry: BITMAPINFOHEADER, bottom-up BGRA rows, then an all-clear AND mask (the alpha
// channel already says what is transparent).
QByteArray dibEntry(const QImage &source)
{
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int size = image.width();
    const int maskStride = ((size + 31) / 32) * 4;
    QByteArray out;
    put<quint32>(out, 40);
    put<qint32>(out, size);
    put<qint32>(out, size * 2);
    put<quint16>(out, 1);
    put<quint16>(out, 32);
    put<quint32>(out, 0);
    put<quint32>(out, quint32(size * size * 4 + maskStride * size));
    put<qint32>(out, 0);
    put<qint32>(out, 0);
    put<quint32>(out, 0);
    put<quint32>(out, 0);
    for (int y = size - 1; y >= 0; --y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < size; ++x) {
            const QRgb p = line[x];
            out.append(char(qBlue(p)));
            out.append(char(qGreen(p)));
            out.append(char(qRed(p)));
            out.append(char(qAlpha(p)));
        }
    }
    out.append(QByteArray(maskStride * size, '\0'));
    return out;
}

QByteArray icoFile(QSvgRenderer &svg, const QList<int> &sizes)
{
    QList<QByteArray> entries;
    for (int size : sizes)
        entries.append(dibEntry(render(svg, size, size)));
    QByteArray out;
    put<quint16>(out, 0);
    put<quint16>(out, 1);
    put<quint16>(out, quint16(entries.size()));
    quint32 offset = 6 + 16 * quint32(entries.size());
    for (int i = 0; i < entries.size(); ++i) {
        const int size = sizes.at(i);
        out.append(char(size >= 256 ? 0 : size));
        out.append(char(size >= 256 ? 0 : size));
        out.append(char(0));
        out.append(char(0));
        put<quint16>(out, 1);
        put<quint16>(out, 32);
        put<quint32>(out, quint32(entries.at(i).size()));
        put<quint32>(out, offset);
        offset += quint32(entries.at(i).size());
    }
    for (const QByteArray &entry : entries)
        out.append(entry);
    return out;
}

QString hiDpiName(const QString &path)
{
    const QFileInfo info(path);
    const QString base = info.path() + u'/' + info.completeBaseName() + QStringLiteral("@2x");
    return info.suffix().isEmpty() ? base : base + u'.' + info.suffix();
}

} // namespace

int main(int argc, char *argv[])
{
    // Rendering needs no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: kvrsvgrender <manifest> <svg folder> <output folder>\n");
        return 2;
    }
    const QString manifestPath = QString::fromLocal8Bit(argv[1]);
    const QDir svgDir(QString::fromLocal8Bit(argv[2]));
    const QDir outDir(QString::fromLocal8Bit(argv[3]));

    QFile manifest(manifestPath);
    if (!manifest.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "kvrsvgrender: cannot read %s\n", argv[1]);
        return 1;
    }
    QTextStream in(&manifest);
    int lineNo = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        ++lineNo;
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList f = line.split(u' ', Qt::SkipEmptyParts);
        bool okW = false, okH = false;
        const int w = f.value(2).toInt(&okW);
        const int h = f.value(3).toInt(&okH);
        if (f.size() < 4 || !okW || !okH || w <= 0 || h <= 0) {
            std::fprintf(stderr, "%s:%d: bad line\n", argv[1], lineNo);
            return 1;
        }
        QSvgRenderer svg(svgDir.filePath(f.at(0)));
        if (!svg.isValid()) {
            std::fprintf(stderr, "%s:%d: cannot render %s\n", argv[1], lineNo, qPrintable(f.at(0)));
            return 1;
        }
        const QString out = outDir.filePath(f.at(1));
        bool ok = true;
        for (int i = 4; i < f.size() && ok; ++i) {
            if (f.at(i) == QLatin1String("hidpi")) {
                ok = writeFile(hiDpiName(out), png(render(svg, w * 2, h * 2)));
            } else if (f.at(i).startsWith(QLatin1String("ico="))) {
                QList<int> sizes;
                for (const QString &s : f.at(i).mid(4).split(u',', Qt::SkipEmptyParts))
                    sizes.append(qBound(1, s.toInt(), 256));
                ok = writeFile(out, icoFile(svg, sizes));
            } else {
                std::fprintf(stderr, "%s:%d: unknown option %s\n", argv[1], lineNo, qPrintable(f.at(i)));
                return 1;
            }
        }
        if (ok && !f.mid(4).join(u' ').contains(QLatin1String("ico=")))
            ok = writeFile(out, png(render(svg, w, h)));
        if (!ok) {
            std::fprintf(stderr, "kvrsvgrender: cannot write %s\n", qPrintable(out));
            return 1;
        }
    }
    return 0;
}
