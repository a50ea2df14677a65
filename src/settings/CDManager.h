#pragma once

#include "services/seams/FolderSeam.h"

#include <QLatin1StringView>
#include <QObject>
#include <QString>

// Keys of the desktop-lyric style in the per-user "configu.ini" (the folder keys are in
// FolderDefaults.h). The "b" keys are restore copies: the main window writes "lrcoffsetb" on the
// first start as its sign that the lyric position is set, and the manager writes "lrcfontsb"
// when it saves; nothing reads the others.
namespace LrcStyleKeys {
inline constexpr QLatin1StringView kPlayed{"lrcplayed"};
inline constexpr QLatin1StringView kRemain{"lrcremain"};
inline constexpr QLatin1StringView kFont{"lrcfont"};
inline constexpr QLatin1StringView kFontSize{"lrcfonts"};
inline constexpr QLatin1StringView kOffset{"lrcoffset"};
inline constexpr QLatin1StringView kPlayedCopy{"lrcplayedb"};
inline constexpr QLatin1StringView kRemainCopy{"lrcremainb"};
inline constexpr QLatin1StringView kFontCopy{"lrcfontb"};
inline constexpr QLatin1StringView kFontSizeCopy{"lrcfontsb"};
inline constexpr QLatin1StringView kOffsetCopy{"lrcoffsetb"};
} // namespace LrcStyleKeys

// The one holder of the three working folders (streamed-song cache, downloads, lyrics) and of the
// desktop-lyric style. It reads "configu.ini" in g_sDataDir when it is built, makes the folders,
// and writes everything back only in saveSetting: while the program runs the members are the
// truth, and the pages that change them assign them directly.
//
// The folder members keep whatever form they were saved in (older files hold "\" separators, the
// download folder ends in a separator); the getters answer with "/" separators and no trailing
// separator, which is how the engine services join names to them. The manager is also the
// services' folder seam: it installs itself when built and removes itself when it goes.
//
// GUI thread only.
class CDManager : public QObject, public FolderSeam
{
    Q_OBJECT
public:
    explicit CDManager(QObject *parent = nullptr);
    ~CDManager() override;

    QString getCacheDir() const override;
    QString getDownDir() const override;
    QString getLrcDir() const override;

    // Writes the folders and the style values to "configu.ini".
    void saveSetting();
    // The path of a downloaded copy of the song ("singer - title.mp3" first, then
    // "title - singer.mp3" in the download folder), or "" when there is none.
    QString findDownloadedSong(const QString &title, const QString &singer) const;

    // Twelve decimal integers separated by ",": red, green, blue and alpha of the top, middle and
    // bottom stops of the lyric gradient; "played" is the sung part, "remain" the rest.
    QString m_sLrcPlayed;
    QString m_sLrcRemain;
    QString m_sLrcFont;
    int m_nLrcFontSize = 32;
    int m_nLrcOffset = 100; // the desktop-lyric window's distance from the top of the screen, px
    QString m_sCacheDir;
    QString m_sDownDir;
    QString m_sLrcDir;

signals:
    void cacheDirChanged(QString dir);
    void downDirChanged(QString dir);
    void lrcDirChanged(QString dir);

private:
    void makeFolders();
};

// The manager the main window builds during its construction; null before and after.
extern CDManager *CD_MANAGER;
