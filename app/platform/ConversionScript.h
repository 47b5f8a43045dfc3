// The conversion scripts beside the code: each named script ("changePDF_doc",
// "changePDF_xls", ...) has a handler "convert_pdf" that writes a document
// as PDF at a given path. Here every script drives LibreOffice without a
// display (soffice --headless --convert-to pdf) in a process of its own,
// started with an argument list (never a shell) and a private user
// installation, ended after a time-out. The call is asynchronous; its
// completion runs on the main thread.
//
// Tests put a fake in place with setFactory.
#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// What a script reports when it cannot be loaded or its handler fails.
struct ScriptErrorInfo {
    int number = 0;
    std::optional<QString> applicationName;
    QString message;
};

class ConversionScript {
public:
    // Receives none on success, else the error information.
    using Completion = std::function<void(const std::optional<ScriptErrorInfo>&)>;

    virtual ~ConversionScript() = default;
    // Calls "convert_pdf" with the document's path and the PDF's path. The
    // completion is called once, on the main thread, unless the script is
    // released first.
    virtual void convertPdf(const QString& documentPath, const QString& pdfPath, Completion done) = 0;

    // The script resource of that name: none when there is no such resource;
    // otherwise the script, or (with the script none) the error of loading it.
    struct Loaded {
        std::unique_ptr<ConversionScript> script;
        std::optional<ScriptErrorInfo> error;
    };
    using Factory = std::function<std::optional<Loaded>(const QString& resourceName)>;
    static std::optional<Loaded> load(const QString& resourceName);
    // Replaces the scripts (an empty factory restores the real ones).
    static void setFactory(Factory factory);
    // The real scripts' loader.
    static std::optional<Loaded> loadOffice(const QString& resourceName);
};

// The real script: LibreOffice in its own process.
class OfficeConversionScript : public ConversionScript {
public:
    // The error numbers of its failures.
    static constexpr int kConverterMissing = 127;  // no soffice on the search path
    static constexpr int kConversionFailed = 1;    // soffice failed or wrote nothing
    static constexpr int kTimedOut = 2;
    static constexpr std::chrono::milliseconds kDefaultTimeout{180000};

    explicit OfficeConversionScript(QString program, std::chrono::milliseconds timeout = kDefaultTimeout);
    ~OfficeConversionScript() override;
    void convertPdf(const QString& documentPath, const QString& pdfPath, Completion done) override;

    // The converter program on the search path (none when it is not installed).
    static std::optional<QString> findConverter();

private:
    struct Run;
    QString program_;
    std::chrono::milliseconds timeout_;
    std::shared_ptr<Run> run_;
};
