#include "settings/kvrEqWidget.h"

kvrEqWidget::kvrEqWidget(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("eqwidget"));
}
