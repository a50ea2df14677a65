// One program's part downloader against the shared table of answers (PartDownloadTable.h). Built
// twice: for the player, and with KVR_PART_DOWNLOAD_UPGRADER for the upgrader, whose class has
// the same name.

#include "PartDownloadTable.h"

#ifdef KVR_PART_DOWNLOAD_UPGRADER
#include "upgrader/download.h"
#else
#include "services/downloads/download.h"
#endif

#include <QTemporaryDir>

class TestPartDownload : public QObject
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

QTEST_MAIN(TestPartDownload)
#include "tst_partdownload.moc"
