#pragma once

#include <QColor>
#include <QProgressBar>
#include <QString>

class QLabel;
class QTimer;

// The play panel's seek bar. The bar's own value is what the style sheet draws as the chunk (the
// download progress of a network song, the play position of a local one); the play position is
// drawn on top of it in the "zspLeft" colour with a round handle. A click seeks there; while the
// mouse moves over the bar a small tip shows the time under the mouse.
//
// It reacts to the mouse only while a stream is open. The main window leaves the bar alone while
// a seek is pending and clears the flag once it has seeked.
class kvrSlideProg : public QProgressBar
{
    Q_OBJECT

public:
    explicit kvrSlideProg(QWidget *parent = nullptr);
    ~kvrSlideProg() override;

    // Stores the play position clamped to the bar's range and repaints; emits nothing.
    void setCurValue(int value);
    int curValue() const { return m_nPos; }

    bool isSeekPending() const { return m_bSeekPending; }
    void setSeekPending(bool pending) { m_bSeekPending = pending; }

    QColor playedColour() const { return m_playedColour; }
    QLabel *timeTip() const { return m_pTip; }
    QLabel *handle() const { return m_pHandle; }

    // The value under bar coordinate x.
    int valueAt(int x) const;

    // Written by the main window from its curSliderPosChanging() handler: the tip shows it.
    QString m_sHoverText;

signals:
    void curSliderPosChanged(int nNewPos);
    void curSliderPosChanging(int nNewPos);

public slots:
    void EnableMyself();

private slots:
    void emitSliderChangedSignal();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *m_pTip = nullptr;
    bool m_bSeekPending = false;
    QTimer *m_pEmitTimer = nullptr;
    int m_nPos = 0;
    QLabel *m_pHandle = nullptr;
    int m_nHandleWidth = 32;
    int m_nHandleHeight = 32;
    QColor m_playedColour;
};
