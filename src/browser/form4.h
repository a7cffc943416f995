// The browser window: a free-standing browser with an address box, a navigation toolbar and a status bar.
#pragma once

#include <QWidget>

class Forms;
class QComboBox;
class WebBrowser;

class Form4 final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form4)
public:
    explicit Form4(Forms &forms, QWidget *parent = nullptr);
    void Form_Load();

    QComboBox *cboAddress = nullptr;
    WebBrowser *brow = nullptr;

private:
    Forms &m_forms;
};
