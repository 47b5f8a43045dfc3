// The program: one instance per user. A start while another instance runs
// hands its link (or a reopen) to that instance and ends.
#include <QApplication>
#include <unistd.h>

#include "startup/QuorixApplication.h"

int main(int argc, char** argv) {
    // The web engine's helper processes refuse to start with their sandbox
    // for the root user and end the program instead; as root it runs without.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The web engine of document sharing shares its drawing contexts with the application.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorix"));
    QApplication::setDesktopFileName(QStringLiteral("quorix"));

    QuorixApplication quorix(QApplication::arguments());
    if (quorix.handOffToRunningInstance()) return 0;
    quorix.start();
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [&quorix] { quorix.willTerminate(); });
    const int status = QApplication::exec();
    // A program that ends without having joined says so to whoever started it.
    return status != 0 ? status : quorix.exitStatus();
}
