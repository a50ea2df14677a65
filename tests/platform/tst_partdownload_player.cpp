// The player's part downloader against the shared table of answers (PartDownloadTable.h).

#include "PartDownloadTable.h"
#include "services/downloads/download.h"

#include <QTemporaryDir>

class TestPlayerPartDownload : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_fake.start(false)); }
    void answers_data() { addPartAnswerRows(); }
    void answers() { runPartAnswer<download>(m_fake, m_dir.path()); }

private:
    FakeWebService m_fake;
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestPlayerPartDownload)
#include "tst_partdownload_player.moc"
