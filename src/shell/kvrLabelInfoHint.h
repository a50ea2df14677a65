#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QStaticText>

class QPropertyAnimation;
class QTimer;

// The toast: a dark, rounded, half-transparent strip of text shown over a window for 1800 ms,
// then faded out in 400 ms. A new hint while one is shown replaces it and restarts the wait.
class kvrLabelInfoHint : public QLabel
{
    Q_OBJECT

public:
    explicit kvrLabelInfoHint(QWidget *parent = nullptr);
    ~kvrLabelInfoHint() override;

    int stripWidth() const { return m_nWidth; }
    // The text as shown: a text too wide for the window is shortened in the middle (the whole
    // text is then the tool tip).
    QString hintText() const { return m_staticText.text(); }

public slots:
    void showHint(QWidget *centerShow, QString sText);
    void closeAnimatOpacity();
    void onTimer();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QTimer *m_pTimer = nullptr;
    QColor m_textColor;
    QBrush m_background;
    QStaticText m_staticText;
    QFont m_font;
    QPropertyAnimation *m_pFade = nullptr;
    int m_nWidth = 156;
};
