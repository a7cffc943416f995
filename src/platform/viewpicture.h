// The picture of a web view once it shows the page it has loaded, for a copy's thumbnail.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QWidget;

/// A web engine paints a loaded page some frames after the load has ended: a grab as the load ends
/// is the page shown before it. This grabs the view every 50 ms and takes the picture once two grabs
/// in a row agree and differ from what the view showed before the new page. A page that looks like
/// the one before (the same page again) is taken once it has stayed so for two seconds, and one that
/// never holds still (an animation) is taken as it is after five. The thumbnail is scaled and encoded
/// off the calling thread.
class ViewPicture final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ViewPicture)
public:
    explicit ViewPicture(QObject *parent = nullptr);

    /// Starts grabbing @p view; @p before is the picture of what it showed before the page (null
    /// when nothing was shown). An earlier start not yet taken is forgotten.
    void start(QWidget *view, const QImage &before);
    void stop();
    bool isTaking() const { return m_timer.isActive() || m_encoding; }

    /// The grab of @p view as compared here: the whole view, or null when it cannot be grabbed.
    static QImage grab(QWidget *view);
    /// @p picture scaled to at most @p width pixels wide, as PNG; empty for a null picture.
    static QByteArray thumbnailPng(const QImage &picture, int width);

    static constexpr int intervalMs = 50;
    static constexpr int samePageMs = 2000;
    static constexpr int restlessMs = 5000;

signals:
    /// The view's picture of the new page, and its thumbnail as PNG (empty when none could be made).
    void taken(const QImage &picture, const QByteArray &thumbnailPng);

private:
    void grabOnce();
    void take(const QImage &picture);

    QPointer<QWidget> m_view;
    QImage m_before;
    QImage m_lastGrab;
    QTimer m_timer;
    QElapsedTimer m_clock;
    /// Tells the encoding of an earlier start from the current one.
    quint64 m_generation = 0;
    bool m_encoding = false;
};
