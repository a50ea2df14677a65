#include "playlists/RowPaint.h"

#include "services/core/ProgramHelpers.h"
#include "shell/kvrPixmap.h"

#include <QFileInfo>
#include <QPainter>
#include <QStringList>

namespace RowPaint {

namespace {

constexpr int kCacheLifeMs = 1000;

} // namespace

const QString &unknownAlbum()
{
    static const QString text = QStringLiteral("未知专辑");
    return text;
}

const QString &unknownArtist()
{
    static const QString text = QStringLiteral("未知艺术家");
    return text;
}

QColor styleColour(const QString &key)
{
    const QString value = g_getListValue(key);
    if (value.isEmpty())
        return QColor(Qt::white);
    const QStringList parts = value.split(QLatin1Char(','));
    const auto part = [&parts](int i) { return qBound(0, parts.value(i).toInt(), 255); };
    return QColor(part(0), part(1), part(2), 255);
}

Brushes::Brushes()
    : selected(QColor(100, 170, 35))
    , even(styleColour(QStringLiteral("wplNormal")))
    , odd(styleColour(QStringLiteral("wplAlter")))
{
}

ButtonPictures::ButtonPictures(Names &names)
{
    for (int selected = 0; selected < 2; ++selected)
        for (int zone = 0; zone < 2; ++zone)
            for (int inside = 0; inside < 2; ++inside)
                m_pictures[selected][zone][inside] =
                    kvrPixmap(QStringLiteral(":/qss/debug/images/btnimage/%1.png")
                                  .arg(QLatin1String(names[selected][zone][inside])));
}

ButtonPictures::Names &ButtonPictures::playAndMore()
{
    static const char *const names[2][2][2] = {
        {{"local/playing_normal", "local/playing_hover"}, {"local/more_op_normal", "local/more_op_hover"}},
        {{"local/playing_selected__Normal", "local/playing_selected_hover"},
         {"local/more_selected__Normal", "local/more_op_selected_hover"}}};
    return names;
}

void ButtonPictures::draw(QPainter *painter, const QPoint &at, bool selected, const QRect &zone1,
                          const QPoint &cursor) const
{
    const QRect zone2 = zone1.translated(kSecondButtonOffset, 0);
    painter->drawPixmap(at, picture(selected, 0, zone1.contains(cursor)));
    painter->drawPixmap(at + QPoint(kSecondButtonOffset, 0), picture(selected, 1, zone2.contains(cursor)));
}

bool FileCache::renew(const QAbstractItemModel *model)
{
    if (m_model == model && m_age.isValid() && m_age.elapsed() <= kCacheLifeMs)
        return false;
    m_isFile.clear();
    m_model = model;
    m_age.start();
    return true;
}

bool FileCache::isFile(const QString &path)
{
    if (path.isEmpty())
        return false;
    auto found = m_isFile.constFind(path);
    if (found == m_isFile.constEnd())
        found = m_isFile.insert(path, QFileInfo(path).isFile());
    return *found;
}

} // namespace RowPaint
