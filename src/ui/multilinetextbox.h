// A multi-line text box whose text has CR LF between lines, as the list's edit text has.
#pragma once

#include <QPlainTextEdit>

/// Shows one line of the list per line of the box. A lone LF inside a line is part of that line and
/// shows as a break within it. The text comes back exactly as it was set until the user changes it.
class MultiLineTextBox final : public QPlainTextEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MultiLineTextBox)
public:
    explicit MultiLineTextBox(QWidget *parent = nullptr);
    /// The text with CR LF between lines.
    QString text() const;
    /// Sets the text; CR LF and a lone CR each start a new line in the box. The box then holds no
    /// typed change.
    void setText(const QString &text);
    /// Whether the user typed since the text was set or marked kept.
    bool hasTypedChanges() const;
    /// The text as it stands is kept (saved): it holds no typed change any more.
    void markKept();
    /// Sets a hint as the box's text: it is real text, but whenever the box gets the focus while it
    /// holds the hint unchanged, the hint is selected, so that typing or pasting replaces it.
    void setHint(const QString &hint);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    bool holdsHint() const;

    QString m_text;
    QString m_hint;
    bool m_exact = true;
    /// The hint was selected as the focus came with a mouse press, which would put the cursor down.
    bool m_keepHintSelected = false;
};
