#include "platform/viewpicture.h"

#include "platform/webbrowser.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QPixmap>
#include <QThreadPool>
#include <QWidget>

ViewPicture::ViewPicture(QObject *parent)
    : QObject(parent)
{
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &ViewPicture::grabOnce);
}

void ViewPicture::start(QWidget *view, const QImage &before)
{
    ++m_generation;
    m_encoding = false;
    m_view = view;
    m_before = before;
    m_lastGrab = QImage();
    m_clock.start();
    // The first grab comes at once: a page painted already needs only the second to agree.
    m_timer.start();
    grabOnce();
}

void ViewPicture::stop()
{
    ++m_generation;
    m_encoding = false;
    m_timer.stop();
}

QImage ViewPicture::grab(QWidget *view)
{
    if (!view)
        return {};
    return view->grab().toImage();
}

QByteArray ViewPicture::thumbnailPng(const QImage &picture, int width)
{
    if (picture.isNull())
        return {};
    const QImage small = picture.scaledToWidth(qMin(width, picture.width()), Qt::SmoothTransformation);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!small.save(&buffer, "PNG"))
        return {};
    return png;
}

void ViewPicture::grabOnce()
{
    if (!m_timer.isActive())
        return;
    if (!m_view) {
        take({});
        return;
    }
    const QImage picture = grab(m_view);
    const bool steady = !picture.isNull() && picture == m_lastGrab;
    m_lastGrab = picture;
    const qint64 waited = m_clock.elapsed();
    if (waited >= restlessMs) {
        take(picture);
        return;
    }
    if (!steady || (picture == m_before && waited < samePageMs))
        return;
    take(picture);
}

void ViewPicture::take(const QImage &picture)
{
    m_timer.stop();
    m_before = picture;
    m_encoding = true;
    const quint64 generation = m_generation;
    QPointer<ViewPicture> self(this);
    // Scaling and encoding take longer than the grab: they are done on the thread pool.
    QThreadPool::globalInstance()->start([self, generation, picture] {
        QByteArray png = thumbnailPng(picture, PageCopy::thumbnailWidth);
        QMetaObject::invokeMethod(qApp, [self, generation, picture, png = std::move(png)] {
            if (!self || generation != self->m_generation)
                return;
            self->m_encoding = false;
            emit self->taken(picture, png);
        }, Qt::QueuedConnection);
    });
}
