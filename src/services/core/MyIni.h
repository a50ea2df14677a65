#pragma once

#include <QObject>
#include <QString>

// Single values of one INI file. Every call opens the file and closes it again, so each caller
// sees what the others wrote and nothing stays open. No lock of its own: the daily log
// serialises its writes, everything else runs on the GUI thread.
class MyIni : public QObject
{
    Q_OBJECT
public:
    MyIni(QObject *parent, const QString &path);

    void setValue(const QString &key, const QString &value);
    // The stored text; empty for a missing key or file.
    QString value(const QString &key) const;

    QString path() const { return m_sPath; }

private:
    const QString m_sPath;
};
