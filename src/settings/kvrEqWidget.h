#pragma once

#include <QWidget>

// The equalizer window. The main window creates it hidden at start; its presets, bands and the
// filters they set come with the equalizer itself.
class kvrEqWidget : public QWidget
{
    Q_OBJECT
public:
    explicit kvrEqWidget(QWidget *parent = nullptr);

    // Puts the eight bands on the stream that just started.
    void attachEqEffects();
};
