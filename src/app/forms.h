// The owner of every window's default instance: windows are created and loaded on first use.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class Platform;
class QWidget;
class MDIForm1;
class URLcheck;
class Form1;
class Form2;
class Form3;
class Form4;
class Form5;
class Form6;
class add;
class frmAbout;

/// Each accessor returns the window's default instance, creating and loading it first when it is
/// not loaded. Loading a child window of the frame also shows it inside the frame; loading a
/// top-level window does not. A window closed with its close box is destroyed and forgotten, so
/// its next use creates it afresh.
class Forms final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Forms)
public:
    explicit Forms(Platform &platform, QObject *parent = nullptr);
    ~Forms() override;

    Platform &platform() const { return m_platform; }

    class MDIForm1 *MDIForm1();
    class URLcheck *URLcheck();
    class Form1 *Form1();
    class Form2 *Form2();
    class Form3 *Form3();
    class add *add();
    class Form5 *Form5();
    class frmAbout *frmAbout();
    /// The shared browser window: loaded, not shown.
    class Form4 *Form4();
    /// A further, independent browser window: loaded, not shown.
    class Form4 *newForm4();
    /// The splash window; created by the start-up routine only.
    class Form6 *Form6();

    /// The loaded default instance, or null; never loads anything.
    class MDIForm1 *loadedMDIForm1() const;
    class URLcheck *loadedURLcheck() const;
    class Form1 *loadedForm1() const;
    class Form2 *loadedForm2() const;
    class Form3 *loadedForm3() const;
    class add *loadedAdd() const;
    class Form5 *loadedForm5() const;
    class frmAbout *loadedFrmAbout() const;
    class Form4 *loadedForm4() const;
    /// Every loaded browser window, the shared one included.
    QList<class Form4 *> browserWindows() const;

private:
    template <class W> W *child(QPointer<W> &slot);
    template <class W> W *topLevel(QPointer<W> &slot);

    Platform &m_platform;
    QPointer<class MDIForm1> m_mdiForm1;
    QPointer<class URLcheck> m_urlcheck;
    QPointer<class Form1> m_form1;
    QPointer<class Form2> m_form2;
    QPointer<class Form3> m_form3;
    QPointer<class add> m_add;
    QPointer<class Form5> m_form5;
    QPointer<class frmAbout> m_frmAbout;
    QPointer<class Form4> m_form4;
    QPointer<class Form6> m_form6;
    QList<QPointer<class Form4>> m_otherForm4s;
};
