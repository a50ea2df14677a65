#include "settings/DingShiGuanJiDialog.h"

#include "shell/kvrMessageBox.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int kTickMs = 1000;
constexpr int kDaySeconds = 86400;
// What the dialog offers when nothing is stored: half an hour from now.
constexpr int kDefaultDelaySeconds = 1800;

const QString kHourSuffix = QStringLiteral("点");
const QString kMinuteSuffix = QStringLiteral("分");

QLabel *makeLabel(const QString &name, const QString &text, const QString &style = QString())
{
    auto *label = new QLabel(text);
    label->setObjectName(name);
    if (!style.isEmpty())
        label->setStyleSheet(style);
    return label;
}

QRadioButton *makeRadio(const QString &name, const QString &text)
{
    auto *radio = new QRadioButton(text);
    radio->setObjectName(name);
    radio->setFocusPolicy(Qt::NoFocus);
    return radio;
}

QHBoxLayout *tightRow()
{
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    return row;
}

// "7点" -> "07": the list text without its unit, two digits.
QString twoDigits(QString text, const QString &unit)
{
    return text.remove(unit).rightJustified(2, u'0');
}
} // namespace

DingShiGuanJiDialog::DingShiGuanJiDialog(QWidget *parent, ShutdownState *state, std::function<QTime()> clock)
    : kvrShadowDlg(parent)
    , m_pState(state)
    , m_clock(std::move(clock))
{
    buildForm();
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    m_pTitleStrip->installEventFilter(this);

    for (int hour = 0; hour < 24; ++hour)
        m_pComboHour->addItem(QString::number(hour) + kHourSuffix);
    for (int minute = 0; minute < 60; ++minute)
        m_pComboMinute->addItem(QString::number(minute) + kMinuteSuffix);
    setFont(QApplication::font());

    const QTime later = now().addSecs(kDefaultDelaySeconds);
    m_pComboHour->setCurrentIndex(later.hour());
    m_pComboMinute->setCurrentIndex(later.minute());

    m_pTimer = new QTimer(this);
    connect(m_pTimer, &QTimer::timeout, this, &DingShiGuanJiDialog::onTimer);
    m_pTimer->start(kTickMs);

    switch (m_pState->mode) {
    case 2:
        m_pRadioAtTime->setChecked(true);
        break;
    case 3:
        m_pTimer->stop();
        m_pRadioAfterDownloads->setChecked(true);
        break;
    default:
        m_pTimer->stop();
        m_pRadioNone->setChecked(true);
        break;
    }

    // Index 0 (hour 0, minute 0) cannot be told from "never chosen", so it is not restored.
    if (m_pState->hourIndex != 0)
        m_pComboHour->setCurrentIndex(m_pState->hourIndex);
    if (m_pState->minuteIndex != 0)
        m_pComboMinute->setCurrentIndex(m_pState->minuteIndex);
}

DingShiGuanJiDialog::~DingShiGuanJiDialog() = default;

void DingShiGuanJiDialog::buildForm()
{
    setObjectName(QStringLiteral("DingShiGuanJiDialog"));
    setWindowTitle(QStringLiteral("Dialog"));
    setStyleSheet(QStringLiteral("QLabel{color:#666666;}"));
    setFixedSize(410, 276);

    // Title strip.
    m_pTitleStrip = new QWidget;
    m_pTitleStrip->setObjectName(QStringLiteral("widget"));
    m_pTitleStrip->setStyleSheet(QStringLiteral("background-color: rgb(238, 238, 238);"));
    m_pTitleStrip->setFixedHeight(40);
    auto *title = makeLabel(QStringLiteral("label_5"), tr("定时关机"),
                            QStringLiteral("color:#333333;font-size: 14px;"));
    auto *close = new QToolButton;
    close->setObjectName(QStringLiteral("kvrTitleBar_btnclose"));
    close->setToolTip(tr("关闭"));
    close->setProperty("css", QStringLiteral("YouShangJiaoGuanBiAnNiu"));
    connect(close, &QToolButton::clicked, this, &DingShiGuanJiDialog::on_kvrTitleBar_btnclose_clicked);
    auto *titleRow = new QHBoxLayout(m_pTitleStrip);
    titleRow->setContentsMargins(14, 0, 6, 0);
    titleRow->setSpacing(0);
    titleRow->addWidget(title);
    titleRow->addStretch();
    titleRow->addWidget(close, 0, Qt::AlignVCenter);

    // The three choices.
    m_pRadioNone = makeRadio(QStringLiteral("radioButton"), tr("不设置定时关机"));
    m_pRadioAtTime = makeRadio(QStringLiteral("radioButton_2"), tr("定时关机 "));
    m_pRadioAfterDownloads = makeRadio(QStringLiteral("radioButton_3"), tr("下载完成后自动关机"));
    connect(m_pRadioNone, &QRadioButton::clicked, this, &DingShiGuanJiDialog::on_radioButton_clicked);
    connect(m_pRadioAtTime, &QRadioButton::clicked, this, &DingShiGuanJiDialog::on_radioButton_2_clicked);
    connect(m_pRadioAfterDownloads, &QRadioButton::clicked, this,
            &DingShiGuanJiDialog::on_radioButton_3_clicked);

    const QString grey = QStringLiteral("color: rgb(125, 125, 125);");
    m_pLabelLeft = makeLabel(QStringLiteral("label_3"), QString(), grey);
    auto *atTimeRow = tightRow();
    atTimeRow->addWidget(m_pRadioAtTime);
    atTimeRow->addSpacing(8);
    atTimeRow->addWidget(makeLabel(QStringLiteral("label"), tr("电脑将在"), grey));
    atTimeRow->addWidget(m_pLabelLeft);
    atTimeRow->addWidget(makeLabel(QStringLiteral("label_2"), tr("后关机"), grey));
    atTimeRow->addStretch();

    m_pComboHour = new QComboBox;
    m_pComboHour->setObjectName(QStringLiteral("comboBox"));
    m_pComboMinute = new QComboBox;
    m_pComboMinute->setObjectName(QStringLiteral("comboBox_2"));
    connect(m_pComboHour, &QComboBox::currentTextChanged, this,
            &DingShiGuanJiDialog::on_comboBox_currentIndexChanged);
    connect(m_pComboMinute, &QComboBox::currentTextChanged, this,
            &DingShiGuanJiDialog::on_comboBox_2_currentIndexChanged);
    auto *timeRow = tightRow();
    timeRow->addSpacing(22); // under the radio's text, past its indicator
    timeRow->addWidget(makeLabel(QStringLiteral("label_4"), tr("关机时间")));
    timeRow->addSpacing(10);
    timeRow->addWidget(m_pComboHour);
    timeRow->addSpacing(8);
    timeRow->addWidget(m_pComboMinute);
    timeRow->addStretch();

    auto *ok = new QPushButton(tr("确定"));
    ok->setObjectName(QStringLiteral("DingSHiGuanJi_OK"));
    auto *cancel = new QPushButton(tr("关闭"));
    cancel->setObjectName(QStringLiteral("DingSHiGuanJi_QUXIao"));
    connect(ok, &QPushButton::clicked, this, &DingShiGuanJiDialog::on_DingSHiGuanJi_OK_clicked);
    connect(cancel, &QPushButton::clicked, this, &DingShiGuanJiDialog::on_DingSHiGuanJi_QUXIao_clicked);
    auto *buttonRow = tightRow();
    buttonRow->addStretch();
    buttonRow->addWidget(ok);
    buttonRow->addSpacing(10);
    buttonRow->addWidget(cancel);

    auto *body = new QVBoxLayout;
    body->setContentsMargins(24, 14, 20, 16);
    body->setSpacing(6);
    body->addWidget(m_pRadioNone);
    body->addLayout(atTimeRow);
    body->addLayout(timeRow);
    body->addWidget(m_pRadioAfterDownloads);
    body->addStretch();
    body->addLayout(buttonRow);

    // The strip runs from the window's top edge, 16 pixels in from its sides (the shadow's width).
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 0, 16, 16);
    layout->setSpacing(0);
    layout->addWidget(m_pTitleStrip);
    layout->addLayout(body);
}

QTime DingShiGuanJiDialog::now() const
{
    return m_clock ? m_clock() : QTime::currentTime();
}

QString DingShiGuanJiDialog::formatLeftTime(const QTime &target) const
{
    const QTime current = now();
    const QTime whole(current.hour(), current.minute(), current.second());
    int d = whole.secsTo(target);
    if (d < 0)
        d += kDaySeconds;
    return QStringLiteral("%1小时%2分%3秒").arg(d / 3600).arg(d / 60 % 60).arg(d % 60);
}

void DingShiGuanJiDialog::showLeftTime(const QString &hourText, const QString &minuteText)
{
    const QTime target = QTime::fromString(twoDigits(hourText, kHourSuffix) +
                                               twoDigits(minuteText, kMinuteSuffix) + QStringLiteral("00"),
                                           QStringLiteral("hhmmss"));
    m_pLabelLeft->setText(formatLeftTime(target));
}

void DingShiGuanJiDialog::on_kvrTitleBar_btnclose_clicked()
{
    reject();
}

void DingShiGuanJiDialog::on_comboBox_currentIndexChanged(const QString &text)
{
    showLeftTime(text, m_pComboMinute->currentText());
}

void DingShiGuanJiDialog::on_comboBox_2_currentIndexChanged(const QString &text)
{
    showLeftTime(m_pComboHour->currentText(), text);
}

void DingShiGuanJiDialog::onTimer()
{
    showLeftTime(m_pComboHour->currentText(), m_pComboMinute->currentText());
}

void DingShiGuanJiDialog::on_radioButton_clicked()
{
    m_pTimer->stop();
    m_pRadioNone->setChecked(true);
}

void DingShiGuanJiDialog::on_radioButton_2_clicked()
{
    if (!m_pTimer->isActive())
        m_pTimer->start(kTickMs);
    m_pRadioAtTime->setChecked(true);
}

void DingShiGuanJiDialog::on_radioButton_3_clicked()
{
    m_pTimer->stop();
    m_pRadioAfterDownloads->setChecked(true);
}

void DingShiGuanJiDialog::on_DingSHiGuanJi_OK_clicked()
{
    QTimer *tick = m_pState->tickTimer;
    auto startTick = [tick] {
        if (tick && !tick->isActive())
            tick->start(kTickMs);
    };

    if (m_pRadioNone->isChecked()) {
        m_pState->mode = 1;
        if (tick)
            tick->stop();
    } else if (m_pRadioAtTime->isChecked()) {
        m_pState->mode = 2;
        // The count starts from what the dialog shows, "H小时M分S秒".
        const QString left = m_pLabelLeft->text();
        const qsizetype hoursEnd = left.indexOf(QStringLiteral("小时"));
        const qsizetype minutesEnd = left.indexOf(kMinuteSuffix, hoursEnd + 2);
        const qint64 hours = left.left(hoursEnd).toLongLong();
        const qint64 minutes = left.mid(hoursEnd + 2, minutesEnd - hoursEnd - 2).toLongLong();
        const qint64 seconds = left.mid(minutesEnd + 1).remove(QStringLiteral("秒")).toLongLong();
        m_pState->secondsLeft = (hours * 60 + minutes) * 60 + seconds;
        startTick();
    } else if (m_pRadioAfterDownloads->isChecked()) {
        const int rows = m_pState->downloadRowCount ? m_pState->downloadRowCount() : 0;
        if (rows <= 0) {
            kvrMessageBox box(this, tr("提醒"), tr("当前下载列表里没有歌曲哦"), 2);
            box.exec();
            return;
        }
        m_pState->mode = 3;
        startTick();
    }

    m_pState->hourIndex = m_pComboHour->currentIndex();
    m_pState->minuteIndex = m_pComboMinute->currentIndex();
    accept();
}

void DingShiGuanJiDialog::on_DingSHiGuanJi_QUXIao_clicked()
{
    reject();
}

bool DingShiGuanJiDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_pTitleStrip)
        return kvrShadowDlg::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton)
            m_ptPress = mouse->globalPosition().toPoint();
        m_ptStripAtPress = m_pTitleStrip->mapToGlobal(QPoint(0, 0));
        return true;
    }
    if (event->type() == QEvent::MouseMove) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->buttons() & Qt::LeftButton) {
            // The strip's own offset in the window (16 pixels across with the shadow, none
            // without it) keeps the window's corner where the strip's grip puts it.
            move(m_ptStripAtPress - m_pTitleStrip->pos() + mouse->globalPosition().toPoint() - m_ptPress);
        }
        return true;
    }
    return kvrShadowDlg::eventFilter(watched, event);
}
