#pragma once

#include <QFrame>

// The result pop-up under the search box: songs of the user's lists by title and pinyin
// initials, and songs of the service. The main window creates it once; finding songs comes
// with instant search.
class WgtInstantSearch : public QFrame
{
    Q_OBJECT
public:
    explicit WgtInstantSearch(QWidget *parent = nullptr);

public slots:
    void searchNetResponse(const QString &s, int nType, quintptr uUserData);
    void searchEditFinished();
};
