#include "ui/multilinetextbox.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QTextBlock>

#include <utility>

MultiLineTextBox::MultiLineTextBox(QWidget *parent)
    : QPlainTextEdit(parent)
{
    // A list longer than the box shows that there is more of it.
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabChangesFocus(true);
    // Any change after setText(), by the user or by code, ends the exact copy.
    connect(document(), &QTextDocument::contentsChange, this, [this] { m_exact = false; });
}

QString MultiLineTextBox::text() const
{
    // toPlainText() would turn no-break spaces into spaces and line separators into line breaks.
    if (m_exact)
        return m_text;
    QString text;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (block != document()->begin())
            text += QLatin1String("\r\n");
        QString line = block.text();
        // A break within a line is a lone LF of the list (or one the user typed with Shift+Enter).
        line.replace(QChar::LineSeparator, QLatin1Char('\n'));
        text += line;
    }
    return text;
}

void MultiLineTextBox::setText(const QString &text)
{
    m_text = text;
    // Only CR LF and a lone CR end a line of the list; a lone LF stays inside its line.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QString(QChar::ParagraphSeparator));
    shown.replace(QLatin1Char('\r'), QChar::ParagraphSeparator);
    shown.replace(QLatin1Char('\n'), QChar::LineSeparator);
    setPlainText(shown);
    m_exact = true;
    markKept();
}

bool MultiLineTextBox::hasTypedChanges() const
{
    return document()->isModified();
}

void MultiLineTextBox::markKept()
{
    document()->setModified(false);
}

void MultiLineTextBox::setHint(const QString &hint)
{
    setText(hint);
    m_hint = hint;
}

bool MultiLineTextBox::holdsHint() const
{
    return !m_hint.isNull() && !hasTypedChanges() && text() == m_hint;
}

void MultiLineTextBox::focusInEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusInEvent(event);
    if (!holdsHint())
        return;
    selectAll();
    m_keepHintSelected = event->reason() == Qt::MouseFocusReason;
}

void MultiLineTextBox::mousePressEvent(QMouseEvent *event)
{
    // The click that brought the focus leaves the hint selected instead of placing the cursor in it.
    if (std::exchange(m_keepHintSelected, false) && holdsHint()) {
        event->accept();
        return;
    }
    QPlainTextEdit::mousePressEvent(event);
}
