// A small notice over a full-screen page that tells how to go on playing, and fades away by itself.
#pragma once

#include <QLabel>

class QGraphicsOpacityEffect;
class QPropertyAnimation;
class QTimer;

/// Shown at the top of its window, over the page, for a few seconds; then it fades out and hides.
/// It takes no input: a click on it reaches the page below.
class PauseNotice final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PauseNotice)
public:
    /// How long the notice stays fully there, and how long it then takes to fade away.
    static constexpr int shownMsecs = 4000;
    static constexpr int fadeMsecs = 1500;

    explicit PauseNotice(QWidget *window);
    /// Shows @p text afresh (a notice already fading comes back whole).
    void tell(const QString &text);
    /// Hides it at once.
    void dismiss();
    bool isFading() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void place();

    QGraphicsOpacityEffect *m_opacity;
    QPropertyAnimation *m_fade;
    QTimer *m_stay;
};
