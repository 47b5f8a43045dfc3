#include "platform/ConversionScript.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <mutex>

namespace {

std::mutex gFactoryMutex;
ConversionScript::Factory gFactory;

// The scripts beside the code: one per family of office documents, all
// written by the same converter.
bool isScriptResource(const QString& name) {
    static const char* const kScripts[] = {"changePDF_p",   "changePDF_n",   "changePDF_k",
                                           "changePDF_xls", "changePDF_doc", "changePDF_pptx"};
    for (const char* s : kScripts)
        if (name == QLatin1String(s)) return true;
    return false;
}

}  // namespace

std::optional<ConversionScript::Loaded> ConversionScript::load(const QString& resourceName) {
    Factory factory;
    {
        std::lock_guard lock(gFactoryMutex);
        factory = gFactory;
    }
    return factory ? factory(resourceName) : loadOffice(resourceName);
}

void ConversionScript::setFactory(Factory factory) {
    std::lock_guard lock(gFactoryMutex);
    gFactory = std::move(factory);
}

std::optional<ConversionScript::Loaded> ConversionScript::loadOffice(const QString& resourceName) {
    if (!isScriptResource(resourceName)) return std::nullopt;
    Loaded loaded;
    if (const auto program = OfficeConversionScript::findConverter()) {
        loaded.script = std::make_unique<OfficeConversionScript>(*program);
    } else {
        loaded.error = ScriptErrorInfo{OfficeConversionScript::kConverterMissing, QStringLiteral("soffice"),
                                       QStringLiteral("LibreOffice (soffice) is not installed")};
    }
    return loaded;
}

// ---- LibreOffice ----

// One conversion: its process, its private folders and its time-out.
struct OfficeConversionScript::Run {
    QTemporaryDir dir;  // profile/, out/ and the document's copy
    QProcess process;
    QTimer timer;
    QString pdfPath, output;
    Completion done;
    bool ended = false;

    void finish(const std::optional<ScriptErrorInfo>& error) {
        if (ended) return;
        ended = true;
        timer.stop();
        Completion callback = std::move(done);
        if (callback) callback(error);
    }
};

OfficeConversionScript::OfficeConversionScript(QString program, std::chrono::milliseconds timeout)
    : program_(std::move(program)), timeout_(timeout) {}

OfficeConversionScript::~OfficeConversionScript() {
    if (run_) {
        run_->ended = true;
        run_->process.disconnect();
        run_->timer.disconnect();
        if (run_->process.state() != QProcess::NotRunning) {
            run_->process.kill();
            run_->process.waitForFinished(5000);
        }
    }
}

std::optional<QString> OfficeConversionScript::findConverter() {
    const QString path = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (path.isEmpty()) return std::nullopt;
    return path;
}

void OfficeConversionScript::convertPdf(const QString& documentPath, const QString& pdfPath,
                                        Completion done) {
    auto run = std::make_shared<Run>();
    run_ = run;
    run->done = std::move(done);
    run->pdfPath = pdfPath;
    const auto fail = [run](int number, const QString& message) {
        // Reported from the event loop, as a finished conversion is.
        QTimer::singleShot(0, &run->timer, [run, number, message] {
            run->finish(ScriptErrorInfo{number, std::nullopt, message});
        });
    };
    if (!run->dir.isValid()) return fail(kConversionFailed, QStringLiteral("no temporary folder"));
    // The converter names its output after its input: it reads a copy with a
    // plain name, so any file name (spaces, quotes, a leading dash) is safe.
    const QString suffix = QFileInfo(documentPath).suffix();
    const QString source = run->dir.filePath(QStringLiteral("source.") + suffix);
    if (!QFile::copy(documentPath, source))
        return fail(kConversionFailed, QStringLiteral("the document cannot be read"));
    const QString outDir = run->dir.filePath(QStringLiteral("out"));
    run->output = outDir + QStringLiteral("/source.pdf");

    const QStringList arguments{
        QStringLiteral("--headless"),
        QStringLiteral("--norestore"),
        QStringLiteral("--nolockcheck"),
        QStringLiteral("--nodefault"),
        QStringLiteral("-env:UserInstallation=") +
            QUrl::fromLocalFile(run->dir.filePath(QStringLiteral("profile"))).toString(QUrl::FullyEncoded),
        QStringLiteral("--convert-to"),
        QStringLiteral("pdf"),
        QStringLiteral("--outdir"),
        outDir,
        source,  // an absolute path: never taken for an option
    };
    run->process.setProgram(program_);
    run->process.setArguments(arguments);
    run->process.setWorkingDirectory(run->dir.path());
    run->process.setProcessChannelMode(QProcess::MergedChannels);
    Run* r = run.get();
    QObject::connect(&r->process, &QProcess::errorOccurred, &r->timer, [r](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            r->finish(
                ScriptErrorInfo{kConverterMissing, QStringLiteral("soffice"), r->process.errorString()});
    });
    QObject::connect(&r->process, &QProcess::finished, &r->timer, [r](int code, QProcess::ExitStatus status) {
        const QString log = QString::fromLocal8Bit(r->process.readAll()).trimmed();
        const QFileInfo out(r->output);
        if (status != QProcess::NormalExit || code != 0 || !out.isFile() || out.size() == 0) {
            r->finish(ScriptErrorInfo{kConversionFailed, QStringLiteral("soffice"), log});
            return;
        }
        QFile::remove(r->pdfPath);
        if (!QFile::rename(r->output, r->pdfPath) && !QFile::copy(r->output, r->pdfPath)) {
            r->finish(
                ScriptErrorInfo{kConversionFailed, std::nullopt, QStringLiteral("the PDF cannot be stored")});
            return;
        }
        r->finish(std::nullopt);
    });
    r->timer.setSingleShot(true);
    QObject::connect(&r->timer, &QTimer::timeout, &r->timer, [r] {
        r->process.kill();
        r->finish(ScriptErrorInfo{kTimedOut, QStringLiteral("soffice"),
                                  QStringLiteral("the conversion took too long")});
    });
    r->timer.start(timeout_);
    r->process.start();
}
