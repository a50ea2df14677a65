#include "settings/kvrEqWidget.h"

#include "settings/SettingsLog.h"

kvrEqWidget::kvrEqWidget(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("eqwidget"));
}

void kvrEqWidget::attachEqEffects()
{
    qCDebug(lcSettings) << "equalizer bands are not attached yet";
}
