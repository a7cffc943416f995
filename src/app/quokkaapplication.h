// The application object: an error that no handler traps ends in the fatal-error box.
#pragma once

#include <QApplication>
#include <QIcon>

class FatalError;

class QuokkaApplication final : public QApplication {
    Q_OBJECT
public:
    QuokkaApplication(int &argc, char **argv);
    /// The program's icon at every size: from the icon theme where it is installed, else built in.
    static QIcon programIcon();
    void setFatalError(FatalError *fatal) { m_fatal = fatal; }
    bool notify(QObject *receiver, QEvent *event) override;

private:
    FatalError *m_fatal = nullptr;
};
