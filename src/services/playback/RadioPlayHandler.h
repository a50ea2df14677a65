#pragma once

#include "services/core/spis.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class httpRequestHandler;

// The playing list of the radio (playing-list id 4): a queue of network songs that a radio channel
// hands over, played in order and refilled from the web service before it runs out. A channel's
// entries replace the queue and start its first song; the playback controller asks here for the
// next and previous songs while the radio plays.
//
// An entry is the song id, "[]", then the display text (artist "-" title); an entry without "[]"
// carries no song and is skipped.
//
// Songs that fail to start are counted; once as many songs in a row have failed as the queue
// holds, the next song is none and the radio stops, rather than asking the service for ever.
//
// Threads: GUI thread only.
class RadioPlayHandler : public QObject
{
    Q_OBJECT
public:
    explicit RadioPlayHandler(QObject *owner = nullptr);
    ~RadioPlayHandler() override;

    void setSongData(QStringList &items, bool bReplace);
    // The answer to the more-songs request (type 28); empty when it failed.
    void dealwithMoreRadioSongResponse(const QString &answer);
    void playTheRadioSong(int index);
    void getNextSong(spis &s);
    bool getRealNextSong(spis &s);
    bool getRealPrevSong(spis &s);
    QString changePLCurPlayingNetSong(const QString &id, const QString &path, const QString &duration,
                                      const QString &size, const QString &picture);
    void changePLCurPlayingNetSongDur(QString &sDur, const QString &path);
    static void cloneSongInfo(const spis *source, spis &target);
    // The playback controller: the radio's song failed to start / a song started playing.
    void dealWithWrong(int nReason);
    void songStarted() { m_nWrongCount = 0; }

    // Registers the answer of the more-songs request (type 28) with the client.
    void registerRoutes(httpRequestHandler *client);

    // The radio channel the user chose (its id in the more-songs address).
    void setCurFmId(const QString &id) { m_sCurFmId = id; }
    QString curFmId() const { return m_sCurFmId; }

    int count() const { return int(m_queue.size()); }
    int currentIndex() const { return m_nCurIndex; }
    const spis *entry(int index) const;

private:
    // The index after the current one, asking for more songs when it is the last; wraps to 0.
    int followingIndex(const char *debugText);

    std::vector<std::unique_ptr<spis>> m_queue;
    int m_nCurIndex = -1;
    int m_nWrongCount = 0; // songs that failed in a row
    QString m_sCurFmId;
};

// The one radio queue, created by the main window's constructor.
extern RadioPlayHandler *g_pRadioPlayHandler;
