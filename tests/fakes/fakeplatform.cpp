#include "fakes/fakeplatform.h"

#include <QLabel>
#include <QDateTime>
#include <QTime>
#include <QTimer>

MessageBoxes::Answer FakeMessageBoxes::show(const QString &text, const QString &title, Buttons buttons, Icon icon)
{
    const Box box{text, title, buttons, icon};
    shown.append(box);
    if (onShow)
        onShow(box);
    return answers.isEmpty() ? defaultAnswer : answers.takeFirst();
}

QString FakeClock::timeOfDay() const
{
    readAt.append(QDateTime::currentMSecsSinceEpoch());
    return followsSystemTime ? QTime::currentTime().toString(QStringLiteral("HH:mm:ss")) : time;
}

long FakeRegistry::openKey(const QString &keyPath, std::uint32_t access, void **handle)
{
    openedWith.append(access);
    opened.append(keyPath);
    if (refusedAccess && access == refusedAccess)
        return 5; // ERROR_ACCESS_DENIED
    auto it = keys.find(keyPath);
    if (it == keys.end())
        return 2; // ERROR_FILE_NOT_FOUND
    *handle = &it.value();
    ++openHandles;
    return 0;
}

Registry::Value FakeRegistry::queryValue(void *handle, const QString &valueName, std::uint32_t bufferSize)
{
    auto *values = static_cast<QMap<QString, StoredValue> *>(handle);
    auto it = values->find(valueName);
    if (it == values->end())
        return {2, 0, {}};
    if (std::uint32_t(it->data.size()) > bufferSize)
        return {234, it->type, {}}; // ERROR_MORE_DATA
    return {0, it->type, it->data};
}

void FakeRegistry::closeKey(void *)
{
    --openHandles;
}

QString FakeProgramStarter::findOnPath(const QString &name) const
{
    searchedOnPath.append(name);
    return onPath.value(name);
}

bool FakeProgramStarter::startDetached(const QString &program, const QStringList &arguments)
{
    // Like QProcess::startDetached: an empty or unknown program does not start.
    if (!startWorks || program.isEmpty() || unstartable.contains(program))
        return false;
    started.append(program);
    startedArguments.append(arguments);
    return true;
}

FakeWebBrowser::FakeWebBrowser(QWidget *parent)
    : WebBrowser(nullptr)
    , m_widget(new QWidget(parent))
{
    setParent(m_widget);
}

bool FakeWebBrowser::navigate(const QString &address)
{
    navigations.append(address);
    if (address.isEmpty())
        return true;
    history = history.mid(0, position + 1);
    history.append(address);
    position = int(history.size()) - 1;
    setPageUrl(address);
    return true;
}

bool FakeWebBrowser::goBack()
{
    if (position <= 0)
        return false;
    setPageUrl(history[--position]);
    return true;
}

bool FakeWebBrowser::goForward()
{
    if (position + 1 >= history.size())
        return false;
    setPageUrl(history[++position]);
    return true;
}

void FakeWebBrowser::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    emit busyChanged(busy);
}

void FakeWebBrowser::setPageTitle(const QString &title)
{
    if (title == m_title)
        return;
    m_title = title;
    emit titleChanged(title);
}

void FakeWebBrowser::setPageUrl(const QString &url)
{
    if (url == m_url)
        return;
    m_url = url;
    emit urlChanged(url);
}

void FakeWebBrowser::goHome()
{
    ++homes;
    navigate(homeAddress);
}

void FakePageCopier::copy(const QUrl &url, int timeoutMs, std::function<void(const PageCopy &)> done)
{
    Q_UNUSED(timeoutMs);
    asked.append(url);
    PageCopy copy;
    copy.ok = true;
    copy.address = url.toString();
    copy.mhtml = "MIME-Version: 1.0\r\nContent-Type: text/html\r\n\r\n<title>" + url.toEncoded() + "</title>";
    copy.text = url.toString();
    copy.thumbnailPng = thumbnailPng;
    // Later, as the engine answers: never inside the call.
    QTimer::singleShot(0, this, [done = std::move(done), copy] { done(copy); });
}

WebBrowser *FakePlatform::createWebBrowser(QWidget *parent)
{
    auto *b = new FakeWebBrowser(parent);
    browsers.append(b);
    return b;
}

MediaPlayer *FakePlatform::createAnimation(const QString &file, QWidget *parent)
{
    auto *p = new FakeMediaPlayer(file, parent, new QLabel(parent));
    animations.append(p);
    return p;
}

MediaPlayer *FakePlatform::createSound(const QString &file, int volume, QObject *parent)
{
    auto *p = new FakeMediaPlayer(file, parent, nullptr);
    sounds.append(p);
    soundVolumes.append(volume);
    return p;
}
