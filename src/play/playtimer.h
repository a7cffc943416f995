// The one-shot timer a playing list waits on: one per page, so that tests can put a fake in.
#pragma once

#include <QObject>
#include <QTimer>

/// A single-shot timer. The player starts it once for each page and sleeps until it fires.
class PlayTimer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~PlayTimer() override = default;

    /// (Re)starts the timer: timeout() follows once, after @p msecs.
    virtual void start(int msecs) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    /// Milliseconds until timeout(); 0 when the timer is not running.
    virtual int remainingMsecs() const = 0;

signals:
    void timeout();
};

/// The real timer: a coarse single-shot QTimer (a page's delay need not be exact to the millisecond,
/// and a coarse timer lets the system bundle wake-ups).
class QtPlayTimer final : public PlayTimer {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtPlayTimer)
public:
    explicit QtPlayTimer(QObject *parent = nullptr);
    void start(int msecs) override;
    void stop() override;
    bool isActive() const override;
    int remainingMsecs() const override;

private:
    QTimer m_timer;
};
