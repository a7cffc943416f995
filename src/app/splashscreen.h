// The splash window: a picture and a hidden clock label that hands over to the main window.
#pragma once

#include <QWidget>

class Windows;
class QLabel;

class SplashScreen final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SplashScreen)
public:
    explicit SplashScreen(Windows &windows, QWidget *parent = nullptr);

    /// Starts the clock: a first reading now, then one at each turn of the second.
    void load();
    /// Reads the clock into m_clockLabel's caption.
    void tick();
    void clockChanged();
    /// How many times m_clockLabel's caption has changed.
    qint16 changeCount() const { return m_changes; }

    QLabel *m_picture;
    QLabel *m_clockLabel;

private:
    /// Sets m_clockLabel's caption; a caption that differs from the one held is a change.
    void setClockCaption(const QString &caption);

    Windows &m_windows;
    qint16 m_changes = 0;
    bool m_unloaded = false;
};
