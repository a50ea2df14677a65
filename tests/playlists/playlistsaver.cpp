// The saving child of tst_playlistkill: saves the play queue file in <data folder> over and over,
// alternating the two queues of KillLists.h, until it is killed. It builds the queues, writes "r",
// and waits for one byte on its standard input, "A" or "B": the queue the file holds now. It then
// saves the other one first. It writes "s" before and "c" after each save ("e" when a save
// failed), unbuffered, so the test knows whether a kill landed inside a save. The test starts
// each child while it still kills the one before, and lets it go once the file is checked.
//   playlistsaver <data folder>

#include "KillLists.h"

#include "playlists/PlayListFile.h"

#include <QString>

#include <unistd.h>

namespace {

void say(char c)
{
    (void)!write(STDOUT_FILENO, &c, 1);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    const QList<_tag_playlistsonginfo_> a = killlists::queue(QLatin1Char('A'));
    const QList<_tag_playlistsonginfo_> b = killlists::queue(QLatin1Char('B'));
    const QList<const _tag_playlistsonginfo_ *> lists[2] = {killlists::pointers(a), killlists::pointers(b)};
    PlayListFile file(QString::fromLocal8Bit(argv[1]), kPlayQueueList);
    say('r');
    char holds = 0;
    if (read(STDIN_FILENO, &holds, 1) != 1)
        return 3;
    for (int n = holds == 'A' ? 1 : 0;; n = 1 - n) {
        say('s');
        say(file.save(lists[n]) ? 'c' : 'e');
    }
}
