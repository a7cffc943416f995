#include "ui/multilinetextbox.h"

#include <QTextBlock>

MultiLineTextBox::MultiLineTextBox(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
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
