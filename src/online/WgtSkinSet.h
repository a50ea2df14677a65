#pragma once

#include <QFrame>
#include <QLabel>
#include <QPixmap>

// Set while a chosen picture is being applied to the main window; thumbnails ignore clicks
// meanwhile. Program-wide; GUI thread only.
extern bool g_bChangingSkin;

// One thumbnail of the skin pop-up. A click applies its full-size picture to the main window (the
// skin pop-up's parent) and stores it in "configu.ini" for the next start.
class PicLabel : public QLabel
{
    Q_OBJECT

public:
    explicit PicLabel(QWidget *parent = nullptr);
    ~PicLabel() override;

    int m_nType = -1; // -1 an empty slot, 0 the thumbnail of a picture
    QString m_sImage; // the thumbnail's path; the picture's is the same without "_mini"

public slots:
    void changeSkin();

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

// The skin chooser: a frameless pop-up under the main window's skin button with up to nine
// thumbnails of the pictures in the program's "images/bkimg" folder, read once at construction.
// The main window makes one with itself as parent and connects its skin command to showWgt(); the
// pop-up hides when it loses the focus.
class WgtSkinSet : public QFrame
{
    Q_OBJECT

public:
    explicit WgtSkinSet(QWidget *parent = nullptr);
    ~WgtSkinSet() override;

    // Set when the pop-up lost the focus to a click on the skin button, whose clicked() would
    // otherwise open it again at once.
    bool m_bSkipShow = false;

public slots:
    void showWgt();

protected:
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_pixBackground;
};
