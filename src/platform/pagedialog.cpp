#include "platform/pagedialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

PageDialogLimiter::Show PageDialogLimiter::next(qint64 nowMilliseconds)
{
    if (m_stopped)
        return Show::Suppressed;
    ++m_count;
    const bool quick = m_lastAnswer >= 0 && nowMilliseconds >= m_lastAnswer
        && nowMilliseconds - m_lastAnswer <= quickMilliseconds;
    m_inARow = quick ? m_inARow + 1 : 1;
    if (m_inARow >= burst)
        return Show::UrgingToStop;
    return m_count == 1 ? Show::Plain : Show::OfferingToStop;
}

void PageDialogLimiter::reset()
{
    m_lastAnswer = -1;
    m_inARow = 0;
    m_count = 0;
    m_stopped = false;
}

bool UserActionClock::take(qint64 nowMilliseconds)
{
    if (m_lastAction < 0 || nowMilliseconds - m_lastAction > windowMilliseconds || nowMilliseconds < m_lastAction)
        return false;
    m_lastAction = -1;
    return true;
}

namespace {

/// While a question is open, holds back every request to close a window that holds the page: the
/// question ends at once, and the window closes after the engine has had its answer.
class CloseDeferral final : public QObject {
public:
    CloseDeferral(QWidget *page, QDialog *dialog) : m_dialog(dialog)
    {
        for (QWidget *w = page; w; w = w->parentWidget()) {
            w->installEventFilter(this);
            m_watched.append(w);
        }
    }
    ~CloseDeferral() override
    {
        for (const QPointer<QWidget> &w : std::as_const(m_watched))
            if (w)
                w->removeEventFilter(this);
        for (const QPointer<QWidget> &w : std::as_const(m_closing))
            if (w)
                QTimer::singleShot(0, w, [w] {
                    if (w)
                        w->close();
                });
    }
    bool closeWanted() const { return !m_closing.isEmpty(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Close)
            return false;
        auto *widget = static_cast<QWidget *>(watched);
        if (!m_closing.contains(widget))
            m_closing.append(widget);
        event->ignore();
        if (m_dialog)
            m_dialog->reject();
        return true;
    }

private:
    QPointer<QDialog> m_dialog;
    QList<QPointer<QWidget>> m_watched;
    QList<QPointer<QWidget>> m_closing;
};

QString shortened(QString text, int length)
{
    if (text.size() > length) {
        text.truncate(length);
        text.append(QChar(0x2026));
    }
    return text;
}

} // namespace

PageDialog::PageDialog(const Request &request, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("pageDialog"));
    // Modeless: a page's question never holds another window, nor the page's own.
    setWindowModality(Qt::NonModal);
    setWindowTitle(shortened(request.title, 200));
    setAccessibleName(windowTitle());

    auto *layout = new QVBoxLayout(this);
    // What a page says is text, never markup of this program.
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("message"));
    m_message->setTextFormat(Qt::PlainText);
    m_message->setText(shortened(request.message, maxMessageLength));
    m_message->setWordWrap(true);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_message->setMinimumWidth(360);
    m_message->setMaximumWidth(640);
    m_message->setAccessibleName(m_message->text());
    layout->addWidget(m_message);

    if (request.kind == Kind::Prompt) {
        m_textBox = new QLineEdit(request.defaultText, this);
        m_textBox->setObjectName(QStringLiteral("textBox"));
        m_textBox->setAccessibleName(QStringLiteral("Answer"));
        m_textBox->selectAll();
        layout->addWidget(m_textBox);
    }

    const bool download = request.kind == Kind::Download;
    m_stopBox = new QCheckBox(download ? QStringLiteral("Don't let this page start more downloads on its own")
                                       : QStringLiteral("Don't let this page show more dialogs"),
                              this);
    m_stopBox->setObjectName(QStringLiteral("stopBox"));
    m_stopBox->setAccessibleName(m_stopBox->text());
    m_stopBox->setVisible(request.show != PageDialogLimiter::Show::Plain);
    m_stopBox->setChecked(request.show == PageDialogLimiter::Show::UrgingToStop);
    layout->addWidget(m_stopBox);

    m_buttons = new QDialogButtonBox(this);
    m_buttons->setObjectName(QStringLiteral("buttons"));
    QPushButton *ok = m_buttons->addButton(download ? QStringLiteral("Save") : QStringLiteral("OK"),
                                           QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("okButton"));
    QPushButton *cancel = nullptr;
    if (request.kind != Kind::Alert) {
        cancel = m_buttons->addButton(download ? QStringLiteral("Don't save") : QStringLiteral("Cancel"),
                                      QDialogButtonBox::RejectRole);
        cancel->setObjectName(QStringLiteral("cancelButton"));
    }
    // A file nobody asked for is not saved by a stray Enter.
    QPushButton *byDefault = download ? cancel : ok;
    byDefault->setDefault(true);
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (m_textBox)
        m_textBox->setFocus();
    else
        byDefault->setFocus();
}

PageDialog::Answer PageDialog::ask(const Request &request, QWidget *page, QPointer<PageDialog> *shown)
{
    QPointer<PageDialog> dialog = new PageDialog(request, page ? page->window() : nullptr);
    if (shown)
        *shown = dialog;
    dialog->setWindowFlag(Qt::Dialog);
    Answer answer;
    {
        CloseDeferral deferral(page, dialog);
        QEventLoop loop;
        connect(dialog, &QDialog::finished, &loop, &QEventLoop::quit);
        connect(dialog, &QObject::destroyed, &loop, &QEventLoop::quit);
        if (page)
            connect(page, &QObject::destroyed, &loop, &QEventLoop::quit);
        dialog->show();
        dialog->raise();
        dialog->activateWindow();
        // Ends with the answer, or when the program quits (every event loop ends then).
        loop.exec(QEventLoop::DialogExec);
        answer.windowClosing = deferral.closeWanted();
        if (dialog) {
            answer.accepted = dialog->result() == QDialog::Accepted && !answer.windowClosing;
            answer.stopMore = !dialog->m_stopBox->isHidden() && dialog->m_stopBox->isChecked();
            if (dialog->m_textBox && answer.accepted)
                answer.text = dialog->m_textBox->text();
        }
    }
    delete dialog.data();
    return answer;
}
