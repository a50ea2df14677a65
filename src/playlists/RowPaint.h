#pragma once

#include <QAbstractItemModel>
#include <QBrush>
#include <QColor>
#include <QElapsedTimer>
#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <QString>

class QPainter;
class QPoint;
class QRect;

// What the row painters of the song lists and of the download list have in common.
// GUI thread only, as the painters are.
namespace RowPaint {

inline constexpr int kRowHeight = 30;
// Texts and button pictures start this far below a row's top.
inline constexpr int kTextTop = 7;
// The second row button stands this far right of the first.
inline constexpr int kSecondButtonOffset = 22;

const QString &unknownAlbum();
const QString &unknownArtist();

// A style variable "r,g,b" as a colour: missing gives white; a part that is no number, or is
// absent, reads as 0; values are held to 0..255 so a typo cannot give an invalid colour.
QColor styleColour(const QString &key);

// The row backgrounds: the selected green and the even and odd rows' colours of the skin
// ("wplNormal", "wplAlter"), read once when the painter is made.
struct Brushes
{
    Brushes();
    const QBrush &forRow(int row) const { return row % 2 == 1 ? odd : even; }

    QBrush selected;
    QBrush even;
    QBrush odd;
};

// The pair of picture buttons a row shows (first and second zone), each in four looks.
class ButtonPictures
{
public:
    // names[selected][zone][cursorInside]: resource names below
    // ":/qss/debug/images/btnimage/", without ".png".
    using Names = const char *const[2][2][2];
    explicit ButtonPictures(Names &names);

    // The play and more buttons of library, favourite and download rows.
    static Names &playAndMore();

    const QPixmap &picture(bool selected, int zone, bool cursorInside) const
    {
        return m_pictures[selected ? 1 : 0][zone][cursorInside ? 1 : 0];
    }
    // Both buttons, the first with its top-left at `at`; a button under the cursor takes its
    // hover look. zone1 and cursor are in the same coordinates, whatever those are.
    void draw(QPainter *painter, const QPoint &at, bool selected, const QRect &zone1,
              const QPoint &cursor) const;

private:
    QPixmap m_pictures[2][2][2];
};

// Whether files exist, remembered for at most a second and for one model's rows: the lists
// repaint every row on each mouse move (and the download list every second), which must not
// touch the disk each time. A deleted or new file shows at the first repaint after the second.
class FileCache
{
public:
    // Forgets everything when the rows are another model's or the second is up; true when it
    // did, so a painter can drop facts of its own that live as long.
    bool renew(const QAbstractItemModel *model);
    // An empty path is no file.
    bool isFile(const QString &path);

private:
    QPointer<const QAbstractItemModel> m_model;
    QElapsedTimer m_age;
    QHash<QString, bool> m_isFile;
};

} // namespace RowPaint
