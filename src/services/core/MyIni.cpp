#include "services/core/MyIni.h"

#include <QSettings>

MyIni::MyIni(QObject *parent, const QString &path)
    : QObject(parent)
    , m_sPath(path)
{
}

void MyIni::setValue(const QString &key, const QString &value)
{
    QSettings ini(m_sPath, QSettings::IniFormat);
    ini.setValue(key, value);
}

QString MyIni::value(const QString &key) const
{
    QSettings ini(m_sPath, QSettings::IniFormat);
    return ini.value(key).toString();
}
