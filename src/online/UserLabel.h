#pragma once

#include <QLabel>

// The user's picture in the window's top-left corner. The user-picture cache shows the picture;
// the account pop-up it opens comes with the account.
class UserLabel : public QLabel
{
    Q_OBJECT
public:
    explicit UserLabel(QWidget *parent = nullptr);
};
