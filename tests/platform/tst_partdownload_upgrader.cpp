// The upgrader's part downloader against the shared table of answers (PartDownloadTable.h).

#include "PartDownloadTable.h"
#include "upgrader/download.h"

#include <QTemporaryDir>

class TestUpgraderPartDownload : public QObject
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

QTEST_MAIN(TestUpgraderPartDownload)
#include "tst_partdownload_upgrader.moc"
