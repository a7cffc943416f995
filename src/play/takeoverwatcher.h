// Watches for the person while the list plays: their hands on a page, or a message box waiting for them.
#pragma once

#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>

class QWidget;

/// While active, an application-wide event filter: a click, a key, the wheel or a touch inside a
/// watched window part means the person took over; a modal or window-modal dialog that shows (a
/// message box of the program) holds the player until it closes, and so does a page's own message
/// (a PageDialog: alert, confirm, prompt), which is not modal. Inactive, it costs nothing.
class TakeOverWatcher final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TakeOverWatcher)
public:
    explicit TakeOverWatcher(QObject *parent = nullptr);
    ~TakeOverWatcher() override;

    /// Input inside @p part (or its children) counts as the person's; forgotten when it is destroyed.
    void watch(QWidget *part);
    void unwatch(QWidget *part);
    bool isWatching(const QWidget *part) const;
    /// Starts or stops watching. Stopping tells dialogClosed() for every dialog still open.
    void setActive(bool active);
    bool isActive() const { return m_active; }
    int openDialogCount() const { return int(m_dialogs.size()); }

signals:
    void personActed();
    /// @p pageMessage: the dialog is a page's own message rather than one of the program's boxes.
    void dialogOpened(bool pageMessage);
    void dialogClosed(bool pageMessage);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static bool isWaitingDialog(const QWidget *widget);
    static bool isPageMessage(const QWidget *widget);
    bool insideWatchedPart(const QWidget *widget) const;
    void dialogShown(QWidget *dialog);
    void dialogGone(QObject *dialog);

    bool m_active = false;
    QList<QPointer<QWidget>> m_parts;
    /// The dialogs open, each with whether it is a page's message.
    QList<QPair<QObject *, bool>> m_dialogs;
};
