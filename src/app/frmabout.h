// The About dialog: the logo, a description, a warning, and the system information button.
#pragma once

#include <QWidget>

class Forms;
class QLineEdit;
class QPushButton;

class frmAbout final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAbout)
public:
    explicit frmAbout(Forms &forms, QWidget *parent = nullptr);
    void Form_Load();

    QPushButton *cmdOK = nullptr;

private:
    Forms &m_forms;
};
