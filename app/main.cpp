// The program: one instance per user. A start while another instance runs
// hands its link (or a reopen) to that instance and ends.
#include <QApplication>

#include "startup/QuorixApplication.h"

int main(int argc, char** argv) {
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
