#include "app/aboutdialog.h"

#include "app/windows.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "platform/programstarter.h"
#include "platform/registry.h"
#include "ui/windowframe.h"
#include "ui/twips.h"

#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#ifdef Q_OS_WIN
const QString AboutDialog::systemInfoProgramName = QStringLiteral("\\MSINFO32.EXE");
#else
const QString AboutDialog::systemInfoProgramName = QStringLiteral("/MSINFO32.EXE");
#endif

const QList<AboutDialog::SystemInfoProgram> AboutDialog::systemInfoProgramsOnPath{
    {QStringLiteral("hardinfo2"), {}, {}},
    {QStringLiteral("hardinfo"), {}, {}},
    {QStringLiteral("kinfocenter"), {}, {}},
    // GNOME's About page: in the System panel since GNOME 46, its own panel before.
    {QStringLiteral("gnome-control-center"), {QStringLiteral("system"), QStringLiteral("about")},
     QStringLiteral("gnome-about-panel.desktop")},
    {QStringLiteral("gnome-control-center"), {QStringLiteral("info-overview")},
     QStringLiteral("gnome-info-overview-panel.desktop")},
};

namespace {

const QString applicationTitle = QStringLiteral("quokka");

} // namespace

AboutDialog::AboutDialog(Windows &windows, QWidget *parent)
    : QWidget(parent)
    , m_windows(windows)
{
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(QStringLiteral("Informations"));
    setWindowIcon(QIcon(QStringLiteral(":/info.png")));
    setFixedSize(twipsSize(4335, 2925));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);

    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_okButton->setGeometry(twipsRect(3000, 2520, 1260, 345));
    m_okButton->setAccessibleName(QStringLiteral("OK"));
    m_okButton->setDefault(true);
    // As in a dialog: Enter clicks the focused button.
    m_okButton->setAutoDefault(true);

    m_systemInfoButton = new QPushButton(QStringLiteral("&Systeminfo..."), this);
    m_systemInfoButton->setObjectName(QStringLiteral("systemInfoButton"));
    m_systemInfoButton->setGeometry(twipsRect(3000, 1800, 1245, 345));
    m_systemInfoButton->setAccessibleName(QStringLiteral("Systeminfo..."));
    m_systemInfoButton->setAutoDefault(true);

    m_warningLabel = new QLabel(
        QStringLiteral("Warning: Don't use this tool to hack password secured websites or other criminal usage!"), this);
    m_warningLabel->setObjectName(QStringLiteral("warningLabel"));
    m_warningLabel->setGeometry(twipsRect(0, 2160, 2895, 825));
    m_warningLabel->setWordWrap(true);
    m_warningLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont bold(QStringLiteral("MS Sans Serif"));
    bold.setStyleHint(QFont::SansSerif);
    bold.setPointSizeF(8.25);
    bold.setBold(true);
    m_warningLabel->setFont(bold);
    m_warningLabel->setAccessibleDescription(QStringLiteral("Warning"));

    m_logo = new QLabel(this);
    m_logo->setObjectName(QStringLiteral("logo"));
    m_logo->setGeometry(twipsRect(0, -600, 4335, 2295));
    m_logo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_logo->setPixmap(QPixmap(QStringLiteral(":/logo.png")));
    m_logo->setAccessibleName(QStringLiteral("quokka logo"));

    m_descriptionLabel = new QLabel(QString(), this);
    m_descriptionLabel->setObjectName(QStringLiteral("descriptionLabel"));
    m_descriptionLabel->setGeometry(twipsRect(0, 1680, 2925, 450));
    m_descriptionLabel->setWordWrap(true);
    m_descriptionLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_descriptionLabel->setAccessibleDescription(QStringLiteral("Description"));

    for (QLabel *label : {m_warningLabel, m_descriptionLabel}) {
        label->setAutoFillBackground(true);
        label->setPalette(pal);
    }
    m_logo->lower();

    connect(m_okButton, &QPushButton::clicked, this, &AboutDialog::closeDialog);
    connect(m_systemInfoButton, &QPushButton::clicked, this, &AboutDialog::startSystemInfo);
}

void AboutDialog::load()
{
    WindowFrame::setCaption(this, QStringLiteral("Info zu ") + applicationTitle);
    // A tool-window frame: its title bar is drawn in a smaller font, the dialog keeps its own.
    QWidget *frame = WindowFrame::frameOf(this);
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

void AboutDialog::keyPressEvent(QKeyEvent *event)
{
    // OK is both the default and the cancel button.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        m_okButton->click();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void AboutDialog::closeDialog()
{
    // The dialog lives in a frame of the main window: closing the frame discards both.
    WindowFrame::frameOf(this)->close();
}

void AboutDialog::startSystemInfo()
{
    ProgramStarter &starter = m_windows.platform().programStarter();
    Registry &registry = m_windows.platform().registry();
    QString programPath;
    std::uint32_t type = 0;
    bool available = false;
    // What the configuration holds that is not used, told once the lookup is done.
    QStringList ignored;
    const auto noteIgnoredConfiguration = [&] {
        const QString note = registry.ignoredConfiguration();
        if (!note.isEmpty() && !ignored.contains(note))
            ignored.append(note);
    };
    // A program named by a relative path would be looked for in whatever folder Quokka runs in.
    const auto isFullPath = [&](const QString &path) {
        if (QDir::isAbsolutePath(path))
            return true;
        if (type == Registry::REG_SZ)
            ignored.append(QStringLiteral("Quokka did not start \"%1\": the settings must name the system "
                                          "information program by its full path, such as /usr/bin/hardinfo.")
                               .arg(path));
        return false;
    };
    const Lookup first = readKeyValue(Registry::HKEY_LOCAL_MACHINE, systemInfoProgramValue.key,
                                      systemInfoProgramValue.name, programPath, &type);
    noteIgnoredConfiguration();
    switch (first) {
    case Lookup::Read:
        // The value names the program itself: it is started without looking for it first.
        available = isFullPath(programPath) && starter.startDetached(programPath);
        break;
    case Lookup::NotRead: {
        const Lookup second = readKeyValue(Registry::HKEY_LOCAL_MACHINE, systemInfoFolderValue.key,
                                           systemInfoFolderValue.name, programPath, &type);
        noteIgnoredConfiguration();
        if (second == Lookup::Read && isFullPath(programPath)) {
            const QString program = programPath + systemInfoProgramName;
            if (starter.fileExists(program)) {
                available = starter.startDetached(program);
                break;
            }
        }
        // The configuration names no program: look for a system information program on PATH.
        for (const SystemInfoProgram &candidate : systemInfoProgramsOnPath) {
            const QString program = starter.findOnPath(candidate.name);
            if (program.isEmpty())
                continue;
            if (!candidate.launcher.isEmpty() && starter.findLauncher(candidate.launcher).isEmpty())
                continue;
            available = starter.startDetached(program, candidate.arguments);
            break;
        }
        break;
    }
    case Lookup::Error:
        break;
    }
    MessageBoxes &boxes = m_windows.platform().messageBoxes();
    if (!ignored.isEmpty())
        boxes.show(ignored.join(QStringLiteral("\n\n")), applicationTitle, MessageBoxes::Buttons::Ok,
                   MessageBoxes::Icon::Information);
    if (!available)
        boxes.show(QStringLiteral("Systeminformationen sind momentan nicht verfügbar"), applicationTitle,
                   MessageBoxes::Buttons::Ok, MessageBoxes::Icon::None);
}

bool AboutDialog::readRegistryText(std::uint32_t root, const QString &keyPath, const QString &valueName, QString &text)
{
    return readKeyValue(root, keyPath, valueName, text) == Lookup::Read;
}

AboutDialog::Lookup AboutDialog::readKeyValue(std::uint32_t root, const QString &keyPath, const QString &valueName,
                                        QString &text, std::uint32_t *type)
{
    Registry &registry = m_windows.platform().registry();
    void *key = nullptr;
    // Reading needs no more than read access, which every user has.
    if (root != Registry::HKEY_LOCAL_MACHINE
        || registry.openKey(keyPath, Registry::KEY_READ, &key) != Registry::ERROR_SUCCESS) {
        text.clear();
        return Lookup::NotRead;
    }

    const Registry::Value value = registry.queryValue(key, valueName, readBufferSize);
    if (value.status != Registry::ERROR_SUCCESS || std::uint32_t(value.data.size()) > readBufferSize) {
        text.clear();
        registry.closeKey(key);
        return Lookup::NotRead;
    }
    if (value.data.isEmpty()) {
        // Nothing delivered at all is an error of the lookup, not a missing value.
        registry.closeKey(key);
        return Lookup::Error;
    }

    if (type)
        *type = value.type;
    QByteArray bytes = value.data;
    if (bytes.endsWith('\0'))
        bytes.chop(1);

    switch (value.type) {
    case Registry::REG_SZ:
        text = QString::fromLocal8Bit(bytes);
        break;
    case Registry::REG_DWORD:
        for (qsizetype i = bytes.size() - 1; i >= 0; --i)
            text += QStringLiteral("%1").arg(quint8(bytes.at(i)), 2, 16, QLatin1Char('0')).toUpper();
        text = QStringLiteral("&h") + text;
        break;
    default:
        break; // a type we do not read leaves the text as it came
    }
    registry.closeKey(key);
    return Lookup::Read;
}
