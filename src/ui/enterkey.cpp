#include "ui/enterkey.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>

namespace {

const char usesEnterProperty[] = "quokkaUsesEnter";

/// Sees the keys that the controls of its window left unused, as they pass up to the window.
class EnterFilter final : public QObject {
public:
    EnterFilter(QWidget *window, QAbstractButton *defaultButton)
        : QObject(window)
        , m_window(window)
        , m_defaultButton(defaultButton)
    {
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_window || event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        if (key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))
            return false;
        // The key came up from a control of this window that left it unused: the focused one, as a rule.
        QWidget *focus = QApplication::focusWidget();
        if (focus && focus != m_window && !m_window->isAncestorOf(focus))
            focus = nullptr;
        if (focus && EnterKey::usesEnterItself(focus, m_window))
            return false;
        // A focused button takes Enter as it takes Space, as in every desktop dialog.
        auto *button = qobject_cast<QAbstractButton *>(focus);
        if (!button)
            button = m_defaultButton;
        if (!button || !button->isEnabled() || !button->isVisibleTo(m_window))
            return false;
        button->click();
        return true;
    }

private:
    QWidget *m_window;
    QPointer<QAbstractButton> m_defaultButton;
};

} // namespace

namespace EnterKey {

void giveDefaultButton(QWidget *window, QAbstractButton *defaultButton)
{
    window->installEventFilter(new EnterFilter(window, defaultButton));
}

void leaveEnterTo(QWidget *control)
{
    control->setProperty(usesEnterProperty, true);
}

bool usesEnterItself(const QWidget *control, const QWidget *window)
{
    for (const QWidget *w = control; w && w != window; w = w->parentWidget()) {
        if (w->property(usesEnterProperty).toBool())
            return true;
        if (const auto *text = qobject_cast<const QPlainTextEdit *>(w); text && !text->isReadOnly())
            return true;
        if (const auto *text = qobject_cast<const QTextEdit *>(w); text && !text->isReadOnly())
            return true;
    }
    return false;
}

} // namespace EnterKey
