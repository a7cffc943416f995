#include "app/frmabout.h"

#include "app/forms.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "platform/programstarter.h"
#include "platform/registry.h"
#include "ui/formwindow.h"
#include "ui/twips.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#ifdef Q_OS_WIN
const QString frmAbout::sysInfoProgram = QStringLiteral("\\MSINFO32.EXE");
#else
const QString frmAbout::sysInfoProgram = QStringLiteral("/MSINFO32.EXE");
#endif

namespace {

const QString applicationTitle = QStringLiteral("quokka");

} // namespace

frmAbout::frmAbout(Forms &forms, QWidget *parent)
    : QWidget(parent)
    , m_forms(forms)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("Informations"));
    setWindowIcon(QIcon(QStringLiteral(":/info.png")));
    setFixedSize(twipsSize(4335, 2925));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(twipsRect(3000, 2520, 1260, 345));
    cmdOK->setAccessibleName(QStringLiteral("OK"));
    cmdOK->setDefault(true);
    // As in a dialog: Enter clicks the focused button.
    cmdOK->setAutoDefault(true);

    cmdSysInfo = new QPushButton(QStringLiteral("&Systeminfo..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setGeometry(twipsRect(3000, 1800, 1245, 345));
    cmdSysInfo->setAccessibleName(QStringLiteral("Systeminfo"));
    cmdSysInfo->setAutoDefault(true);

    lblDisclaimer = new QLabel(
        QStringLiteral("Warning: Don't use this tool to hack password secured websites or other criminal usage!"), this);
    lblDisclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
    lblDisclaimer->setGeometry(twipsRect(0, 2160, 2895, 825));
    lblDisclaimer->setWordWrap(true);
    lblDisclaimer->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont bold(QStringLiteral("MS Sans Serif"));
    bold.setStyleHint(QFont::SansSerif);
    bold.setPointSizeF(8.25);
    bold.setBold(true);
    lblDisclaimer->setFont(bold);
    lblDisclaimer->setAccessibleName(QStringLiteral("Warning"));

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(twipsRect(0, -600, 4335, 2295));
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture1->setPixmap(QPixmap(QStringLiteral(":/logo.png")));
    Picture1->setAccessibleName(QStringLiteral("quokka logo"));

    lblDescription = new QLabel(QString(), this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setGeometry(twipsRect(0, 1680, 2925, 450));
    lblDescription->setWordWrap(true);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDescription->setAccessibleName(QStringLiteral("Description"));

    for (QLabel *label : {lblDisclaimer, lblDescription}) {
        label->setAutoFillBackground(true);
        label->setPalette(pal);
    }
    Picture1->lower();

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

void frmAbout::Form_Load()
{
    FormWindow::setCaption(this, QStringLiteral("Info zu ") + applicationTitle);
    // A tool-window frame: its title bar is drawn in a smaller font, the dialog keeps its own.
    QWidget *frame = FormWindow::frameOf(this);
    if (frame != this) {
        QFont own = font();
        own.setResolveMask(QFont::AllPropertiesResolved);
        QFont small = frame->font();
        small.setPointSizeF(small.pointSizeF() * 0.85);
        frame->setFont(small);
        setFont(own);
        frame->setFixedSize(frame->sizeHint());
    }
}

void frmAbout::keyPressEvent(QKeyEvent *event)
{
    // OK is both the default and the cancel button.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        cmdOK->click();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void frmAbout::cmdOK_Click()
{
    // The dialog lives in a frame of the main window: closing the frame discards both.
    FormWindow::frameOf(this)->close();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

void frmAbout::StartSysInfo()
{
    ProgramStarter &starter = m_forms.platform().programStarter();
    QString SysInfoPath;
    bool available = false;
    switch (readKeyValue(Registry::HKEY_LOCAL_MACHINE, gREGKEYSYSINFO, gREGVALSYSINFO, SysInfoPath)) {
    case Lookup::Read:
        // The value names the program itself: it is started without looking for it first.
        available = starter.startDetached(SysInfoPath);
        break;
    case Lookup::NotRead:
        if (readKeyValue(Registry::HKEY_LOCAL_MACHINE, gREGKEYSYSINFOLOC, gREGVALSYSINFOLOC, SysInfoPath)
            == Lookup::Read) {
            const QString program = SysInfoPath + sysInfoProgram;
            available = starter.fileExists(program) && starter.startDetached(program);
        }
        break;
    case Lookup::Error:
        break;
    }
    if (!available)
        m_forms.platform().messageBoxes().show(QStringLiteral("Systeminformationen sind momentan nicht verfügbar"),
                                               applicationTitle, MessageBoxes::Buttons::Ok, MessageBoxes::Icon::None);
}

bool frmAbout::GetKeyValue(std::uint32_t KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString &KeyVal)
{
    return readKeyValue(KeyRoot, KeyName, SubKeyRef, KeyVal) == Lookup::Read;
}

frmAbout::Lookup frmAbout::readKeyValue(std::uint32_t KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                                        QString &KeyVal)
{
    Registry &registry = m_forms.platform().registry();
    void *hKey = nullptr;
    // Reading needs no more than read access, which every user has.
    if (KeyRoot != Registry::HKEY_LOCAL_MACHINE
        || registry.openKey(KeyName, Registry::KEY_READ, &hKey) != Registry::ERROR_SUCCESS) {
        KeyVal.clear();
        return Lookup::NotRead;
    }

    const Registry::Value value = registry.queryValue(hKey, SubKeyRef, readBufferSize);
    if (value.status != Registry::ERROR_SUCCESS || std::uint32_t(value.data.size()) > readBufferSize) {
        KeyVal.clear();
        registry.closeKey(hKey);
        return Lookup::NotRead;
    }
    if (value.data.isEmpty()) {
        // Nothing delivered at all is an error of the lookup, not a missing value.
        registry.closeKey(hKey);
        return Lookup::Error;
    }

    QByteArray tmpVal = value.data;
    if (tmpVal.endsWith('\0'))
        tmpVal.chop(1);

    switch (value.type) {
    case Registry::REG_SZ:
        KeyVal = QString::fromLocal8Bit(tmpVal);
        break;
    case Registry::REG_DWORD:
        for (qsizetype i = tmpVal.size() - 1; i >= 0; --i)
            KeyVal += QStringLiteral("%1").arg(quint8(tmpVal.at(i)), 2, 16, QLatin1Char('0')).toUpper();
        KeyVal = QStringLiteral("&h") + KeyVal;
        break;
    default:
        break; // a type we do not read leaves the text as it came
    }
    registry.closeKey(hKey);
    return Lookup::Read;
}
