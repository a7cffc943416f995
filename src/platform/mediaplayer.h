// A media player that only ever receives play and stop: the start-up sound and the busy animations.
#pragma once

#include <QObject>

class QWidget;

/// Owned by the QObject parent it was created with.
class MediaPlayer : public QObject {
public:
    using QObject::QObject;
    ~MediaPlayer() override = default;
    /// Play while playing and stop while stopped are harmless repetitions.
    virtual void play() = 0;
    virtual void stop() = 0;
    virtual bool isPlaying() const = 0;
    /// The widget that shows the media, or null for sound.
    virtual QWidget *widget() = 0;
};
