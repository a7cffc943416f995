// A multi-line text box whose text has CR LF between lines, as the list's edit text has.
#pragma once

#include <QPlainTextEdit>

class MultiLineTextBox final : public QPlainTextEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MultiLineTextBox)
public:
    explicit MultiLineTextBox(QWidget *parent = nullptr);
    /// The text with CR LF between lines.
    QString text() const;
    /// Sets the text; CR LF, a lone CR and a lone LF each start a new line in the box.
    void setText(const QString &text);
};
