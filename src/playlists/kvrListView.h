#pragma once

#include <QListView>

// The list view of every song list: whole rows, several at once, no horizontal scrolling. The
// row delegate draws its two row buttons in the variant under the cursor, so the view repaints
// the row under a moving cursor even while the cursor stays inside that row (the item view on
// its own repaints only when the hovered row changes).
//
// GUI thread only.
class kvrListView : public QListView
{
    Q_OBJECT
public:
    explicit kvrListView(QWidget *parent);

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
};
