// The questions a web page puts to the person (alert, confirm, prompt, a download nobody asked for),
// shown so that no page can hold the program, its other windows or their close boxes.
#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;

/// How often one page may put questions: the person can stop them, and a page that asks again as soon
/// as it is answered is offered that stop. Plain logic, told the time by its caller; how fast the person
/// answers does not matter, only how soon the page asks again.
class PageDialogLimiter {
public:
    /// The burst-th question in a row that came within quickMilliseconds of the answer before it marks
    /// a page that will not stop by itself.
    static constexpr int burst = 3;
    static constexpr qint64 quickMilliseconds = 3000;

    enum class Show {
        Plain,              ///< the page's first question: just the question
        OfferingToStop,     ///< a further one: with the choice to stop them, not chosen
        UrgingToStop,       ///< the burst-th in a row: with that choice already made
        Suppressed,         ///< the person stopped them: answered at once, shown to nobody
    };
    /// A page asks a question at @p nowMilliseconds; says how to show it, and counts it.
    Show next(qint64 nowMilliseconds);
    /// The question was answered at @p nowMilliseconds.
    void answered(qint64 nowMilliseconds) { m_lastAnswer = nowMilliseconds; }
    /// The person chose to stop this page's questions.
    void stop() { m_stopped = true; }
    /// The person went to another page: it starts with no questions counted.
    void reset();
    bool isStopped() const { return m_stopped; }

private:
    qint64 m_lastAnswer = -1;
    int m_inARow = 0;
    int m_count = 0;
    bool m_stopped = false;
};

/// Remembers the person's last input to a page (a click, a key) so that what the page does next can be
/// told apart from what it does on its own. Each input allows one thing (one download).
class UserActionClock {
public:
    /// How long after the person's input the page's action counts as following it.
    static constexpr qint64 windowMilliseconds = 10000;
    void acted(qint64 nowMilliseconds) { m_lastAction = nowMilliseconds; }
    /// True when the person acted within windowMilliseconds and that input was not used yet; uses it.
    bool take(qint64 nowMilliseconds);

private:
    qint64 m_lastAction = -1;
};

/// One question from a page in a window of its own. It is modeless: every window of the program, the
/// page's own window included, stays usable while it is open, and closing the page's window answers it.
class PageDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PageDialog)
public:
    enum class Kind { Alert, Confirm, Prompt, Download };
    struct Request {
        Kind kind = Kind::Alert;
        QString title;
        QString message;
        QString defaultText; ///< Prompt: the text the box starts with
        PageDialogLimiter::Show show = PageDialogLimiter::Show::Plain;
    };
    struct Answer {
        bool accepted = false;   ///< OK (or Save); false for Cancel, Esc, the close box
        QString text;            ///< Prompt: the text typed
        bool stopMore = false;   ///< the person chose that this page asks nothing more
        bool windowClosing = false; ///< the page's window was asked to close while the question was open
    };
    /// The longest message shown; a page's longer text is cut there.
    static constexpr int maxMessageLength = 3000;

    /// Shows @p request beside the window of @p page and waits for the answer in a local event loop,
    /// without blocking any window. A request to close a window that holds @p page ends the question
    /// (as Cancel) and is carried out once this call has returned, so that the page is never deleted
    /// while the engine waits for the answer.
    /// @p shown, when given, points to the dialog while it is open.
    static Answer ask(const Request &request, QWidget *page, QPointer<PageDialog> *shown = nullptr);

    PageDialog(const Request &request, QWidget *parent);

    QLabel *m_message = nullptr;
    QLineEdit *m_textBox = nullptr;
    QCheckBox *m_stopBox = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
};
