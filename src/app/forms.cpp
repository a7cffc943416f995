#include "app/forms.h"

#include "app/form6.h"
#include "app/frmabout.h"
#include "app/mdiform1.h"
#include "browser/form4.h"
#include "browser/urlcheck.h"
#include "lists/add.h"
#include "lists/form1.h"
#include "lists/form2.h"
#include "lists/form3.h"
#include "lists/form5.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace {

/// The frame of a child window; tells when a close was accepted.
class FormFrame final : public QMdiSubWindow {
    Q_OBJECT
public:
    using QMdiSubWindow::QMdiSubWindow;
signals:
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override
    {
        QMdiSubWindow::closeEvent(event);
        if (event->isAccepted())
            emit closed();
    }
};

} // namespace

Forms::Forms(Platform &platform, QObject *parent)
    : QObject(parent)
    , m_platform(platform)
{
}

Forms::~Forms()
{
    // Discards every window without closing it: no unload handling runs here.
    for (const auto &w : std::as_const(m_otherForm4s))
        delete w.data();
    delete m_form4.data();
    delete m_form6.data();
    delete m_mdiForm1.data();
}

template <class W> W *Forms::child(QPointer<W> &slot)
{
    if (slot)
        return slot;
    QMdiArea *area = MDIForm1()->mdiArea();
    auto *form = new W(*this);
    slot = form;
    auto *frame = new FormFrame(nullptr, Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                                                 | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    frame->setWidget(form);
    // Forget the window as soon as its close is accepted; Qt deletes it once its handlers returned.
    connect(frame, &FormFrame::closed, this, [&slot] { slot = nullptr; });
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->setWindowTitle(form->windowTitle());
    frame->setWindowIcon(form->windowIcon());
    frame->setObjectName(form->objectName() + QStringLiteral("Frame"));
    area->addSubWindow(frame);
    frame->adjustSize();
    frame->setFixedSize(frame->sizeHint());
    form->Form_Load();
    frame->setWindowTitle(form->windowTitle());
    frame->show();
    return form;
}

template <class W> W *Forms::topLevel(QPointer<W> &slot)
{
    if (slot)
        return slot;
    auto *form = new W(*this);
    slot = form;
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->Form_Load();
    return form;
}

MDIForm1 *Forms::MDIForm1()
{
    if (!m_mdiForm1) {
        m_mdiForm1 = new class MDIForm1(*this);
        m_mdiForm1->Form_Load();
    }
    return m_mdiForm1;
}

URLcheck *Forms::URLcheck() { return child(m_urlcheck); }
Form1 *Forms::Form1() { return child(m_form1); }
Form2 *Forms::Form2() { return child(m_form2); }
Form3 *Forms::Form3() { return child(m_form3); }
add *Forms::add() { return child(m_add); }
Form5 *Forms::Form5() { return child(m_form5); }
frmAbout *Forms::frmAbout() { return child(m_frmAbout); }
Form4 *Forms::Form4() { return topLevel(m_form4); }

Form4 *Forms::newForm4()
{
    QPointer<class Form4> slot;
    class Form4 *form = topLevel(slot);
    m_otherForm4s.removeAll(nullptr);
    m_otherForm4s.append(slot);
    return form;
}

Form6 *Forms::Form6()
{
    if (!m_form6) {
        m_form6 = new class Form6(*this);
        m_form6->Form_Load();
    }
    return m_form6;
}

QList<Form4 *> Forms::browserWindows() const
{
    QList<class Form4 *> all;
    if (m_form4)
        all.append(m_form4);
    for (const auto &w : m_otherForm4s)
        if (w)
            all.append(w);
    return all;
}

MDIForm1 *Forms::loadedMDIForm1() const { return m_mdiForm1; }
URLcheck *Forms::loadedURLcheck() const { return m_urlcheck; }
Form1 *Forms::loadedForm1() const { return m_form1; }
Form2 *Forms::loadedForm2() const { return m_form2; }
Form3 *Forms::loadedForm3() const { return m_form3; }
add *Forms::loadedAdd() const { return m_add; }
Form5 *Forms::loadedForm5() const { return m_form5; }
frmAbout *Forms::loadedFrmAbout() const { return m_frmAbout; }
Form4 *Forms::loadedForm4() const { return m_form4; }

#include "forms.moc"
