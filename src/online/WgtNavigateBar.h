#pragma once

#include <QFrame>
#include <QList>
#include <QPointer>
#include <QString>

#include <array>

class QToolButton;

// The row of tags in the main window's top bar: names and target pages come from the service
// (type 24, navtag.xml), a click asks the main window to open the tag's page in the drawer. The
// bar asks once after start-up and shows nothing until a good answer arrives.
class WgtNavigateBar : public QFrame
{
    Q_OBJECT
public:
    // The tags the bar holds; later ones in an answer are ignored.
    static constexpr int kMaxTags = 16;

    struct Tag
    {
        QString name;
        QString url;
    };

    explicit WgtNavigateBar(QWidget *parent = nullptr);

    // Asks the service for the tags; the answer arrives in loadandShowMe.
    void requestXml();
    // The answer of a type-24 request, or an empty text when it failed. A good answer replaces
    // the tags and buttons of an earlier one; a bad or empty one leaves the bar as it is.
    void loadandShowMe(const QString &sXml, quintptr uUserData);

    int tagCount() const { return m_nTagCount; }
    Tag tag(int index) const;
    QList<QToolButton *> buttons() const;

signals:
    void navigate2Url(QString sUrl);
    void navigateInited();

public slots:
    void emitnavigate2Url();

private:
    std::array<Tag, kMaxTags> m_tags;
    int m_nTagCount = 0;
    QList<QPointer<QToolButton>> m_buttons;
};

// The main window's navigation bar; null until the window creates it.
extern WgtNavigateBar *g_pNavigateBar;
