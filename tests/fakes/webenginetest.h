// The start of a test that drives the real web engine.
#pragma once

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

/// The test's own home folder, removed when the test ends: HOME and the XDG folders point into it,
/// so that downloads, the profile and settings land where the test looks and nowhere else.
QTemporaryDir *testHomeFolder();

/// Points HOME and the XDG folders into testHomeFolder() and makes the source folder the working
/// folder (the shipped start page and animations are read from there, as the program does).
void prepareWebEngineTest();

class WebBrowser;

/// The notice a web view shows over its page (a refused address, a blocked download), or null.
QLabel *noticeOf(WebBrowser *browser);

/// main() of such a test: prepared as above, in an application that shares OpenGL contexts as the
/// program's does.
template <class Test>
int runWebEngineTest(int argc, char **argv)
{
    prepareWebEngineTest();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    Test test;
    return QTest::qExec(&test, argc, argv);
}
