#include "playlists/kvrListView.h"

#include <QMouseEvent>

kvrListView::kvrListView(QWidget *parent)
    : QListView(parent)
{
    setMouseTracking(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::ClickFocus);
}

void kvrListView::mouseMoveEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid())
        update(index);
    QListView::mouseMoveEvent(event);
}
