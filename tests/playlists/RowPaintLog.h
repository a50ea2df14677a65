#pragma once

// What the row-painter suites look at: a paint device that records the texts and pictures drawn
// on it (where, and in which colour), the pictures a row should show, and a list view under a
// cursor of the test's choosing.

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QCursor>
#include <QPaintEngine>
#include <QPainter>
#include <QTextItem>
#include <QtTest>

#include <climits>
#include <memory>
#include <optional>

namespace RowPaintLog {

// ---- A paint device that keeps what was drawn on it ----

struct DrawnText
{
    QString text;
    QPointF at; // the baseline's left end
    QColor colour;
};

struct DrawnPixmap
{
    QRectF target;
    QImage image;
};

class PaintLog;

class PaintLogEngine : public QPaintEngine
{
public:
    explicit PaintLogEngine(PaintLog *log)
        : QPaintEngine(QPaintEngine::AllFeatures)
        , m_log(log)
    {
    }
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &changed) override
    {
        if (changed.state() & QPaintEngine::DirtyPen)
            m_pen = changed.pen();
        if (changed.state() & QPaintEngine::DirtyTransform)
            m_transform = changed.transform();
    }
    void drawTextItem(const QPointF &p, const QTextItem &item) override;
    void drawPixmap(const QRectF &r, const QPixmap &pm, const QRectF &) override;
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
    void drawRects(const QRectF *, int) override {}
    void drawLines(const QLineF *, int) override {}
    Type type() const override { return QPaintEngine::User; }

private:
    PaintLog *m_log;
    QPen m_pen;
    QTransform m_transform;
};

class PaintLog : public QPaintDevice
{
public:
    explicit PaintLog(const QSize &size)
        : m_size(size)
        , m_engine(this)
    {
    }
    ~PaintLog() override = default;
    QPaintEngine *paintEngine() const override { return const_cast<PaintLogEngine *>(&m_engine); }

    QList<DrawnText> texts;
    QList<DrawnPixmap> pixmaps;

    // The lines of text drawn inside the row: a text mixing scripts reaches the device as one
    // item per font, so items following each other on one baseline are joined.
    QList<DrawnText> linesIn(const QRect &row) const
    {
        QList<DrawnText> lines;
        for (const DrawnText &t : textsIn(row)) {
            if (!lines.isEmpty() && lines.last().at.y() == t.at.y() && lines.last().colour == t.colour)
                lines.last().text += t.text;
            else
                lines << t;
        }
        return lines;
    }

    // The texts drawn inside the band of rows [top, bottom].
    QList<DrawnText> textsIn(const QRect &row) const
    {
        QList<DrawnText> found;
        for (const DrawnText &t : texts)
            if (t.at.y() >= row.top() && t.at.y() <= row.bottom())
                found << t;
        return found;
    }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return m_size.width();
        case PdmHeight:
            return m_size.height();
        case PdmWidthMM:
            return m_size.width() * 254 / 960;
        case PdmHeightMM:
            return m_size.height() * 254 / 960;
        case PdmNumColors:
            return INT_MAX;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(QPaintDevice::devicePixelRatioFScale());
        default:
            return 96; // the four resolutions
        }
    }

private:
    QSize m_size;
    PaintLogEngine m_engine;
};

inline void PaintLogEngine::drawTextItem(const QPointF &p, const QTextItem &item)
{
    m_log->texts.append({item.text(), m_transform.map(p), m_pen.color()});
}

inline void PaintLogEngine::drawPixmap(const QRectF &r, const QPixmap &pm, const QRectF &)
{
    m_log->pixmaps.append({m_transform.mapRect(r), pm.toImage()});
}

// ---- Pictures ----

inline QImage resourceImage(const QString &path)
{
    return QImage(path).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// What a picture drawn on a plain background looks like.
inline QImage onBackground(const QImage &picture, const QColor &background)
{
    QImage image(picture.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    QPainter painter(&image);
    painter.drawImage(0, 0, picture);
    return image;
}

inline QImage solid(const QSize &size, const QColor &colour)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

inline QImage block(const QImage &shot, const QRect &rect)
{
    return shot.copy(rect).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// ---- A list view under the cursor ----

// Puts the cursor at a point of the view (not of its viewport) and lets the view see it move.
inline void moveCursor(QAbstractItemView *view, const QPoint &inView)
{
    const QPoint global = view->mapToGlobal(inView);
    QCursor::setPos(global);
    QTest::mouseMove(view->viewport(), view->viewport()->mapFromGlobal(global));
    QCoreApplication::processEvents();
}

inline void parkCursor(QAbstractItemView *view)
{
    QCursor::setPos(view->mapToGlobal(QPoint(-300, -300)));
}

inline QImage shoot(QAbstractItemView *view)
{
    return view->viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

inline std::unique_ptr<PaintLog> record(QAbstractItemView *view)
{
    auto log = std::make_unique<PaintLog>(view->viewport()->size());
    view->viewport()->render(log.get());
    return log;
}

inline std::optional<DrawnText> textAt(const QList<DrawnText> &texts, const QString &text)
{
    for (const DrawnText &t : texts)
        if (t.text == text)
            return t;
    return std::nullopt;
}

} // namespace RowPaintLog
