#pragma once

#include "settings/ShutdownState.h"
#include "shell/kvrShadowDlg.h"

#include <QPoint>
#include <QTime>

#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTimer;
class QToolButton;

// The timed-shutdown dialog: no shutdown, shutdown at a clock time (with the time left shown and
// refreshed every second), or shutdown after the downloads. Built on the stack by the main window
// with its state, run with exec(); only "确定" writes the state.
class DingShiGuanJiDialog : public kvrShadowDlg
{
    Q_OBJECT

public:
    // `clock` gives the current time; tests pass a fixed one. Empty: QTime::currentTime.
    DingShiGuanJiDialog(QWidget *parent, ShutdownState *state, std::function<QTime()> clock = {});
    ~DingShiGuanJiDialog() override;

    // "H小时M分S秒" from now (whole seconds) to `target`, tomorrow's when it has passed today.
    QString formatLeftTime(const QTime &target) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void on_kvrTitleBar_btnclose_clicked();
    void on_comboBox_currentIndexChanged(const QString &text);
    void on_comboBox_2_currentIndexChanged(const QString &text);
    void onTimer();
    void on_radioButton_clicked();
    void on_radioButton_2_clicked();
    void on_radioButton_3_clicked();
    void on_DingSHiGuanJi_OK_clicked();
    void on_DingSHiGuanJi_QUXIao_clicked();

private:
    void buildForm();
    QTime now() const;
    // Shows the time left until the chosen hour and minute texts ("7点", "5分").
    void showLeftTime(const QString &hourText, const QString &minuteText);

    ShutdownState *m_pState;
    std::function<QTime()> m_clock;
    QTimer *m_pTimer = nullptr;

    QWidget *m_pTitleStrip = nullptr;
    QLabel *m_pLabelLeft = nullptr; // "label_3"
    QComboBox *m_pComboHour = nullptr;
    QComboBox *m_pComboMinute = nullptr;
    QRadioButton *m_pRadioNone = nullptr;
    QRadioButton *m_pRadioAtTime = nullptr;
    QRadioButton *m_pRadioAfterDownloads = nullptr;

    // Dragging by the title strip: where the press was and where the strip stood then (global).
    QPoint m_ptPress;
    QPoint m_ptStripAtPress;
};
